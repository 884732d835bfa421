// The sorted partition list, the partition and container-id caches, their
// invalidation and the lookups over them.
#include "ContainerCaches.h"
#include "ContainerFixture.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "FsaApi.h"
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "IdentityCommands.h"
#include "PartitionFields.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using fsatest::SimTest;

// Disks: 0 with the controller's MBR and one used extent (in memory and on
// disk); 1 without MBR holding an in-memory extent; 2 a DOS disk (never laid
// out); 3 without MBR and empty; 4 with two on-disk entries at one start.
// In-memory entry 0 is never listed; entry 3 has no extent.
const char* kDisks = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 1128, "drive": 130},
             {"size": 1128, "drive": 131, "mbr": false},
             {"size": 1128, "drive": 132, "type": 3},
             {"size": 1128, "drive": 133, "mbr": false},
             {"size": 1128, "drive": 134, "diskPartitions": [
                 {"start": 128, "size": 80, "serial": 9, "slice": 4, "l0Type": 1, "l0Number": 3},
                 {"start": 128, "size": 50, "serial": 9, "slice": 4, "l0Type": 1, "l0Number": 3},
                 {"start": 600, "size": 50, "serial": 9, "slice": 4, "age": 99}]}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 200, "serial": 9, "slice": 0, "l0Type": 2, "l0Number": 0, "flags": 1},
                 {"start": 300, "size": 100, "serial": 9, "slice": 1, "l0Type": 2, "l0Number": 1, "flags": 1},
                 {"start": 0, "size": 0, "serial": 9, "slice": 99, "l0Type": 7, "l0Number": 5, "flags": 1,
                  "l1Type": 2, "l1Number": 6},
                 {"start": 128, "size": 64, "serial": 9, "slice": 2, "l0Type": 2, "l0Number": 7}],
  "containers": {"count": 8, "list": [{"number": 0, "type": 2, "members": [1], "uid": 4096},
                                      {"number": 5, "type": 7, "members": [3], "uid": 4101}]},
  "configAge": 10}]})";

struct Expected {
    std::uint32_t state, start, size, drive;
};

class PartitionCacheTest : public fsatest::ContainerTest {
protected:
    std::string config() const override { return kDisks; }
    FSA_ACCESS access() const override { return FSA_ACC_READ_ONLY; }
};

TEST_F(PartitionCacheTest, SortedListDescribesEveryDisk) {
    unsigned count = 0;
    FSA_PARTITION_CACHE_ELEMENT* list = nullptr;
    ASSERT_EQ(FsaGetSortedPartitionList(handle, &count, &list), FSA_STS_SUCCESS);
    const Expected expected[] = {
        {FSA_PCE_MEMORY_AND_DISK, 128, 200, 130}, // memory and disk agree
        {FSA_PCE_FREE, 328, 800, 130},            // up to the end of the data area
        {FSA_PCE_FREE_NO_MBR, 128, 172, 131},
        {FSA_PCE_USED_NO_MBR, 300, 100, 131},
        {FSA_PCE_FREE_NO_MBR, 400, 728, 131},
        {FSA_PCE_ON_DISK, 128, 50, 134}, // two sizes at one start: the smaller
        {FSA_PCE_FREE, 178, 950, 134},   // the entry of a later age is not listed
        {FSA_PCE_NO_EXTENT, 0, 0, 99},
    };
    ASSERT_EQ(count, std::size(expected));
    for (unsigned i = 0; i < count; ++i) {
        const Partition& p = list[i].partition;
        EXPECT_EQ(list[i].state, expected[i].state) << i;
        EXPECT_EQ(par::start(p), expected[i].start) << i;
        EXPECT_EQ(par::size(p), expected[i].size) << i;
        EXPECT_EQ(par::drive(p), expected[i].drive) << i;
        EXPECT_EQ(list[i].clusterView, 0xFFFFFFFFu) << i;
    }
    EXPECT_EQ(par::u32(list[0].partition, par::kEntry), 1u); // the in-memory table index
    std::free(list);

    EXPECT_EQ(FsaGetSortedPartitionList(UtilHandleFromValue(1), &count, &list),
              FSA_STS_INVALID_HANDLE);
}

TEST_F(PartitionCacheTest, TwinInMemoryEntriesAreRetriedThenMerged) {
    sim.update(0, [](qorsim::Adapter& a) { a.partitions.push_back(a.partitions[1]); });
    sim.clearJournal();
    const PceList list = CT_GetSortedPartitionList(ctx);
    EXPECT_EQ(ctCommands(11), 6u); // the first build and five retries
    EXPECT_EQ(list[0].state, FSA_PCE_MEMORY_AND_DISK);
    EXPECT_EQ(par::size(list[0].partition), 200u);
}

TEST_F(PartitionCacheTest, CacheIsServedUntilInvalidated) {
    sim.clearJournal();
    EXPECT_EQ(CT_UpdateCache(ctx), FSA_STS_SUCCESS);
    const std::size_t built = sim.journal().size();
    EXPECT_GT(built, 0u);
    EXPECT_EQ(CT_UpdateCache(ctx), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.journal().size(), built) << "a valid cache asks nothing";

    // A configuration change marks it stale; the next reader sees the change.
    sim.update(0, [](qorsim::Adapter& a) { a.slices[3].hasMbr = true; });
    CT_ConfigContainer(ctx, 2);
    const auto e = CT_GetScsiPCE(ctx, 133);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->state, FSA_PCE_FREE);
    EXPECT_GT(sim.journal().size(), built);
}

TEST_F(PartitionCacheTest, FailedRebuildLeavesTheCacheStale) {
    qorsim::Fault f;
    f.ctCommand = 86; // GET_DISK_PARTITIONS answered with a bad CT status
    f.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, 32 + 8, 0); };
    sim.inject(f);
    try {
        CT_UpdateCache(ctx);
        ADD_FAILURE() << "an unreadable partition table must throw";
    } catch (FSA_STATUS s) {
        EXPECT_EQ(s, FSA_STATUS(39));
    }
    EXPECT_FALSE(ctx->containerCaches->valid.load());
    EXPECT_EQ(CT_UpdateCache(ctx), FSA_STS_SUCCESS);
    EXPECT_TRUE(ctx->containerCaches->valid.load());
}

TEST_F(PartitionCacheTest, ContainerIdsComeFromTheCacheAfterARebuild) {
    CT_UpdateCache(ctx);
    {
        std::lock_guard<std::mutex> lock(ctx->containerCaches->idMutex);
        // Configured elements: container 0, 1 and 5 with its level-1 container 6.
        ASSERT_EQ(ctx->containerCaches->ids.size(), 4u);
    }
    sim.clearJournal();
    tag_FSA_CONTAINER id{};
    CT_GetStandardID(ctx, &id, 0);
    EXPECT_EQ(id.containerNumber, 0u);
    EXPECT_EQ(id.uniqueId, 4096u);
    EXPECT_EQ(id.adapterSerial, 9u);
    EXPECT_EQ(ctCommands(165), 0u) << "served by the container-id cache";

    // Container 7 is not configured anywhere: the controller is asked and
    // answers that it has no such container; its partition still names it.
    CT_GetStandardID(ctx, &id, 7);
    EXPECT_EQ(ctCommands(165), 1u);
    EXPECT_EQ(id.uniqueId, 0u) << "partition on a disk that is never laid out";
}

TEST_F(PartitionCacheTest, ReceiveThreadEventsInvalidate) {
    void* rw = open("qor0", FSA_ACC_READ_WRITE); // runs a receive thread
    FSAAPI_CONTEXT* c = UtilGetContextFromHandle(rw).get();
    ASSERT_EQ(CT_UpdateCache(c), FSA_STS_SUCCESS);
    sim.notify(0, {4, 2}); // a container was changed by another client
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (c->containerCaches->valid.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(c->containerCaches->valid.load());
    FsaCloseAdapter(rw);
}

TEST_F(PartitionCacheTest, ReadersAndInvalidationsRaceSafely) {
    std::atomic<bool> stop{false};
    std::thread invalidator([&] {
        while (!stop.load()) {
            CT_InvalidateCache(ctx);
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(CT_GetScsiPCE(ctx, 130).has_value());
        tag_FSA_CONTAINER id{};
        CT_GetStandardID(ctx, &id, 5);
        EXPECT_EQ(id.uniqueId, 4101u);
    }
    stop.store(true);
    invalidator.join();
}

TEST_F(PartitionCacheTest, PartitionsOnADevice) {
    FSA_SCSI_DEVICE d{};
    d.bus = 1; // 130 = bus 1 x 128 + target 2
    d.target = 2;
    // The used extent; free extents carry no adapter serial.
    EXPECT_EQ(CT_GetNumberOfPartitionsAlreadyOnDevice(ctx, &d), 1u);
    EXPECT_EQ(CT_GetNumberOfPartitionsAlreadyOnDevice(ctx, nullptr), 0u);
    EXPECT_EQ(CT_GetMaxNumberOfCtrPartitions(ctx), 10u);
}

// Addresses the drive id cannot hold are refused, not masked onto drive 130.
TEST_F(PartitionCacheTest, PartitionsOnADeviceOutsideTheRangesAreRefused) {
    const struct {
        const char* name;
        FSA_SCSI_DEVICE device;
        FSA_STATUS status;
        unsigned count;
    } cases[] = {
        {"drive 130", {1, 2, 0, 0, 9}, FSA_STS_SUCCESS, 1},
        {"bus 65", {65, 2, 0, 0, 9}, FSA_STATUS(12), 0},
        {"target 18", {1, 18, 0, 0, 9}, FSA_STATUS(12), 0},
        {"lun 8", {1, 2, 8, 0, 9}, FSA_STATUS(12), 0},
        {"the last drive id", {63, 15, 7, 0, 9}, FSA_STS_SUCCESS, 0},
    };
    for (const auto& c : cases) {
        unsigned count = 77;
        EXPECT_EQ(FsaFindNumberOfCtrPartitionsonDisk(handle, &c.device, &count), c.status)
            << c.name;
        EXPECT_EQ(count, c.status == FSA_STS_SUCCESS ? c.count : 77u) << c.name;
    }
}

// Drive 130 is in a disk set this adapter owns; drive 131 in none.
class DiskSetCacheTest : public PartitionCacheTest {
protected:
    std::string config() const override {
        std::string c = kDisks;
        c.replace(
            c.find(R"("configAge": 10)"), 15,
            R"("configAge": 10, "diskSets": [{"number": 1, "creator": 1, "owner": 9, "flags": 4,
                                       "members": [130]}])");
        return c;
    }
};

TEST_F(DiskSetCacheTest, ContainersOnOwnedDiskSetsExistLocally) {
    EXPECT_TRUE(CT_DoesCtrExistLocally(ctx, 0));
    EXPECT_EQ(CT_GetCtrSerialNumber(ctx, 0), 9u);
    std::uint8_t info[152];
    CT_GetCtrDiskSetInfo(ctx, 0, info);
    std::uint32_t state;
    std::memcpy(&state, info + 4 * 22, sizeof state);
    EXPECT_EQ(state, 1u);

    EXPECT_FALSE(CT_DoesCtrExistLocally(ctx, 1)) << "its disk is in no disk set";
    CT_GetCtrDiskSetInfo(ctx, 1, info);
    EXPECT_TRUE(std::all_of(info, info + sizeof info, [](std::uint8_t b) { return !b; }));
    EXPECT_EQ(CT_GetCtrSerialNumber(ctx, 1), 0u);
    EXPECT_EQ(CT_GetCtrUid(ctx, 1), 0u);
}

// Predicates over hand-made elements.
Pce element(std::uint32_t state, std::uint32_t l0, std::uint32_t flags) {
    Pce e{};
    e.state = state;
    par::set32(e.partition, par::kL0Type, 2);
    par::set16(e.partition, par::kL0Number, static_cast<std::uint16_t>(l0));
    par::set32(e.partition, par::kFlags, flags);
    return e;
}

TEST(PartitionPredicates, ConflictRule) {
    const PceList cache = {element(FSA_PCE_IN_MEMORY, 3, 1), element(FSA_PCE_ON_DISK, 3, 0),
                           element(FSA_PCE_ON_DISK, 4, 0), element(FSA_PCE_FREE, 3, 0)};
    EXPECT_FALSE(CT_IsConflictingPartition(cache, &cache[0])) << "configured";
    EXPECT_TRUE(CT_IsConflictingPartition(cache, &cache[1])) << "shares 3 with a configured one";
    EXPECT_FALSE(CT_IsConflictingPartition(cache, &cache[2]));
    EXPECT_FALSE(CT_IsConflictingPartition(cache, &cache[3])) << "free";
    Pce levelOne = element(FSA_PCE_ON_DISK, 8, 0);
    par::set32(levelOne.partition, par::kL1Type, 1);
    par::set16(levelOne.partition, par::kL1Number, 3);
    EXPECT_TRUE(DoPartitionContainerNumbersMatch(&levelOne, &cache[0]));
    par::set32(levelOne.partition, par::kL1Type, 15); // not a container type
    EXPECT_FALSE(DoPartitionContainerNumbersMatch(&levelOne, &cache[0]));
}

class PartitionLimitTest : public SimTest {
protected:
    // Entries without an extent count as this adapter's partitions.
    std::string config() const override {
        std::string parts;
        for (int i = 0; i < 251; ++i)
            parts +=
                std::string(i ? "," : "") + R"({"start": 0, "size": 1, "serial": 9, "slice": 99})";
        return R"({"adapters": [{"index": 0, "serial": 9, "partitions": [)" + parts + "]}]}";
    }
};

TEST_F(PartitionLimitTest, TwoHundredFiftySixPassesOneMoreThrows) {
    void* h = open("qor0", FSA_ACC_READ_ONLY);
    FSAAPI_CONTEXT* c = UtilGetContextFromHandle(h).get();
    EXPECT_NO_THROW(CT_CheckMaxNumberOfPartitions(c, 6)); // 250 listed + 6
    try {
        CT_CheckMaxNumberOfPartitions(c, 7);
        ADD_FAILURE() << "257 partitions must be refused";
    } catch (FSA_STATUS s) {
        EXPECT_EQ(s, FSA_STATUS(528));
    }
    FsaCloseAdapter(h);
}

} // namespace
