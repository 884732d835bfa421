// Dead partitions and container reconfiguration against the simulated
// controller.
#include "Reconfiguration.h"
#include "ContainerCaches.h"
#include "ContainerFixture.h"
#include "CtChannel.h"
#include "FsaApi.h"
#include "HandleTable.h"
#include "PartitionFields.h"

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Disk 0 holds a dead member of container 0 (its own bit in the mask), a
// live one of container 1 and a locked dead member of container 2.
const char* kDisk = R"({"adapters": [{"index": 0, "serial": 9,
  "containers": {"count": 4, "list": [{"number": 0, "type": 3, "members": [1]}, {"number": 3, "type": 3, "members": [4]}]},
  "slices": [{"size": 10128, "drive": 0}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 0, "flags": 1, "deadMask": 1},
    {"start": 228, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 1, "flags": 1},
    {"start": 328, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 2, "flags": 2147483649,
     "deadMask": 1},
    {"start": 428, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 3, "flags": 1, "deadMask": 1}]}]})";

class ReconfigurationTest : public fsatest::ContainerTest {
protected:
    std::string config() const override { return kDisk; }
};

TEST_F(ReconfigurationTest, RemoveDeadPartitions) {
    FSA_PARTITION only{};
    only.offset = 428u * 512;
    only.size = 100u * 512;
    sim.clearJournal();
    EXPECT_EQ(thrown([&] { CT_RemoveDeadPartitions(ctx, 0, &only); }), 285u) << "a locked one met";
    EXPECT_EQ(ctCommands(14), 1u) << "only the given partition";
    EXPECT_EQ(ctCommands(34), 1u) << "the configuration is reloaded";
    const auto snap = sim.snapshot(0);
    EXPECT_EQ(qorsim::get32(snap.partitions[4].data(), 32), 0u);
    EXPECT_NE(qorsim::get32(snap.partitions[1].data(), 32), 0u);
}

// A slice described as nothing (a zeroed answer) may be the drive's: its
// dead partitions are not reported removed. One passing misreading is read
// again; a lasting one fails with 6 and zeroes nothing.
TEST_F(ReconfigurationTest, AnUnreadDiskHasNoDeadPartitionsRemoved) {
    const struct {
        const char* what;
        int times;
        std::uint32_t status;
        bool removed;
    } rows[] = {{"misread once", 1, 285, true}, {"misread every time", -1, 6, false}};
    FSA_PARTITION only{};
    only.offset = 428u * 512;
    only.size = 100u * 512;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.load(kDisk);
        sim.update(0, [](qorsim::Adapter& a) { a.slices.at(0).driveId = 5; });
        CT_InvalidateCache(ctx);
        qorsim::Fault zeroed;
        zeroed.fibCommand = 500;
        zeroed.ctCommand = 63; // GET_SLICE_INFO
        zeroed.times = r.times;
        zeroed.mutateReply = [](std::uint8_t* fib) {
            std::memset(fib + qorsim::kFibHeader + 32, 0, 32);
        };
        sim.inject(zeroed);
        sim.clearJournal();
        EXPECT_EQ(thrown([&] { CT_RemoveDeadPartitions(ctx, 5, &only); }), r.status);
        sim.clearFaults();
        EXPECT_EQ(qorsim::get32(sim.snapshot(0).partitions[4].data(), 32) == 0, r.removed);
        EXPECT_EQ(ctCommands(14), r.removed ? 1u : 0u);
    }
}

// ZERO_PAR_ENTRY refused (CT_INVALID_ARGUMENT): the dead partition stays
// and the call says so, after the configuration is reloaded.
TEST_F(ReconfigurationTest, ARefusedZeroIsNoRemoval) {
    FSA_PARTITION only{};
    only.offset = 428u * 512;
    only.size = 100u * 512;
    const struct {
        const char* what;
        std::function<void()> call;
    } calls[] = {
        {"remove", [&] { CT_RemoveDeadPartitions(ctx, 0, &only); }},
        {"clear", [&] { CT_ClearDeadPartition(ctx, 0, 428, 100); }},
    };
    for (const auto& c : calls) {
        SCOPED_TRACE(c.what);
        sim.load(kDisk);
        CT_InvalidateCache(ctx);
        qorsim::Fault refused;
        refused.fibCommand = 500;
        refused.ctCommand = 14;
        refused.refuse = true;
        refused.mutateReply = [](std::uint8_t* fib) {
            qorsim::put32(fib, qorsim::kFibHeader, 0);
            qorsim::put32(fib, qorsim::kFibHeader + 8, 219);
        };
        sim.inject(refused);
        sim.clearJournal();
        EXPECT_EQ(thrown(c.call), 6u);
        sim.clearFaults();
        EXPECT_NE(qorsim::get32(sim.snapshot(0).partitions[4].data(), 32), 0u);
        EXPECT_EQ(ctCommands(34), 1u);
    }
}

TEST_F(ReconfigurationTest, FailAndClearOnePartition) {
    EXPECT_EQ(thrown([&] { CT_SetDeadPartition(ctx, 0, 999, 1); }), 14u);
    EXPECT_EQ(thrown([&] { CT_SetDeadPartition(ctx, 0, 328, 100); }), 350u) << "locked";
    sim.registerContainer(72, [](qorsim::CtRequest& c) { c.reply[0] = 190; });
    EXPECT_EQ(thrown([&] { CT_SetDeadPartition(ctx, 0, 228, 100); }), 1u);
    EXPECT_EQ(thrown([&] { CT_ClearDeadPartition(ctx, 0, 228, 100); }), 1u);
    EXPECT_EQ(qorsim::get32(sim.snapshot(0).partitions[2].data(), 32), 0u);
}

TEST_F(ReconfigurationTest, FailEveryPartitionOfADisk) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> failed; // {container, member}
    sim.registerContainer(72, [&](qorsim::CtRequest& c) {
        failed.emplace_back(c.param[0], c.param[1]);
        c.reply[0] = 190;
    });
    // The locked member of container 2 is left alone and reported once the
    // others are failed.
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 0); }), 350u);
    EXPECT_EQ(failed,
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 0}, {1, 0}, {3, 0}}));

    failed.clear();
    sim.update(0, [](qorsim::Adapter& a) { qorsim::put32(a.partitions[3].data(), 112, 1); });
    CT_InvalidateCache(ctx);
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 0); }), 1u);
    EXPECT_EQ(failed.size(), 4u);
    // A controller that does not fail a partition stops the walk with 351.
    sim.registerContainer(72, [](qorsim::CtRequest& c) { c.reply[0] = 191; });
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 0); }), 351u);
    // A disk without partitions fails nothing.
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 5); }), 1u);
}

TEST_F(ReconfigurationTest, MorphRequest) {
    std::vector<std::uint8_t> request;
    std::uint32_t status = 253;
    sim.registerContainer(109, [&](qorsim::CtRequest& c) {
        request.assign(c.in, c.in + 72);
        c.reply[0] = status;
    });
    const tag_FSA_CONTAINER c0{0, 0, 9};
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 2, 0, nullptr, 0, 0, 1); }), 323u);
    EXPECT_TRUE(request.empty()) << "nothing sent";
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 2, 0, nullptr, 0, 0, 0); }), 1u);
    ASSERT_EQ(request.size(), 72u);
    std::uint32_t kind, mode;
    std::memcpy(&kind, request.data() + 4, 4);
    std::memcpy(&mode, request.data() + 20, 4);
    EXPECT_EQ(kind, 3u);
    EXPECT_EQ(mode, 1u);
    status = 254;
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 2, 0, nullptr, 0, 0, 0); }), 323u);
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 5, 0, nullptr, 0, 0, 0); }), 22u);
}

// Volume 5 is loaded and holds entry 1 of the in-memory table. Drive 1 holds
// a dead member of a stripe that survives only in slice 1's own table; that
// copy still records entry number 1. Beside it a dead member the controller
// holds in memory (entry 2).
const char* kDiskOnlyDead = R"({"adapters": [{"index": 0, "serial": 9,
  "containers": {"count": 8, "list": [{"number": 5, "type": 1, "members": [1]}]},
  "slices": [{"size": 20128, "drive": 0},
             {"size": 20128, "drive": 1, "diskPartitions": [
               {"entry": 1, "start": 128, "size": 500, "serial": 9, "slice": 1, "l0Type": 3,
                "l0Number": 6, "l0Members": 2, "flags": 1, "deadMask": 1}]}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 1000, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 5, "l0Members": 1,
     "flags": 1},
    {"start": 1128, "size": 100, "serial": 9, "slice": 1, "l0Type": 3, "l0Number": 7, "flags": 1,
     "deadMask": 1}]}]})";

constexpr std::uint32_t kDiskOnlyStart = 128, kDiskOnlySize = 500;
constexpr std::uint32_t kHeldStart = 1128, kHeldSize = 100;

class DiskOnlyDeadPartitionTest : public fsatest::ContainerTest {
protected:
    std::string config() const override { return kDiskOnlyDead; }
    // The entry numbers the zero commands addressed.
    std::vector<std::uint32_t> zeroedEntries() {
        std::vector<std::uint32_t> out;
        for (const auto& e : sim.journal())
            if (e.ctCommand == 14)
                out.push_back(qorsim::get32(e.fib.data(), qorsim::kFibHeader + 8));
        return out;
    }
    static FSA_PARTITION partition(std::uint32_t start, std::uint32_t size) {
        FSA_PARTITION p{};
        p.offset = std::uint64_t(start) << 9;
        p.size = std::uint64_t(size) << 9;
        return p;
    }
    // FsaStorageDevice's dead-partition removal for drive 1, limited to the
    // partition at `start` when `size` is non-zero.
    std::uint32_t removeThroughDevice(std::uint32_t start, std::uint32_t size) {
        FSA_STORAGE_DEVICE d{};
        d.scsi.target = 1;
        d.scsi.adapterSerial = 9;
        std::uint32_t arg[16] = {};
        const FSA_PARTITION p = partition(start, size);
        std::memcpy(arg + 3, &p, sizeof p);
        return FsaStorageDevice(handle, &d, FSA_SDO_REMOVE_DEAD_PARTITIONS, size ? arg : nullptr);
    }
};

// No call reaches volume 5's entry through the number the disk-only copy
// records; a call that meets that copy sends nothing at all.
TEST_F(DiskOnlyDeadPartitionTest, NoZeroReachesAnotherContainersEntry) {
    struct Case {
        const char* name;
        std::function<std::uint32_t()> call;
        std::uint32_t status;
        std::vector<std::uint32_t> zeroed;
    };
    const FSA_PARTITION diskOnly = partition(kDiskOnlyStart, kDiskOnlySize);
    const FSA_PARTITION held = partition(kHeldStart, kHeldSize);
    const std::vector<Case> cases = {
        {"every dead partition of the drive",
         [this] { return thrown([&] { CT_RemoveDeadPartitions(ctx, 1, nullptr); }); },
         28,
         {}},
        {"the disk-only one named",
         [&, this] { return thrown([&] { CT_RemoveDeadPartitions(ctx, 1, &diskOnly); }); },
         28,
         {}},
        {"the held one named",
         [&, this] { return thrown([&] { CT_RemoveDeadPartitions(ctx, 1, &held); }); },
         1,
         {2}},
        {"through the drive, all", [this] { return removeThroughDevice(0, 0); }, 28, {}},
        {"through the drive, the disk-only one",
         [this] { return removeThroughDevice(kDiskOnlyStart, kDiskOnlySize); },
         28,
         {}},
        {"through the drive, the held one",
         [this] { return removeThroughDevice(kHeldStart, kHeldSize); },
         1,
         {2}},
        {"clear the disk-only one",
         [this] {
             return thrown([&] { CT_ClearDeadPartition(ctx, 1, kDiskOnlyStart, kDiskOnlySize); });
         },
         14,
         {}},
        {"clear the held one",
         [this] { return thrown([&] { CT_ClearDeadPartition(ctx, 1, kHeldStart, kHeldSize); }); },
         1,
         {2}},
    };
    const qorsim::Adapter pristine = sim.snapshot(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.update(0, [&](qorsim::Adapter& a) { a = pristine; });
        CT_InvalidateCache(ctx);
        sim.clearJournal();
        EXPECT_EQ(c.call(), c.status);
        EXPECT_EQ(zeroedEntries(), c.zeroed);
        EXPECT_EQ(ctCommands(34), c.zeroed.empty() ? 0u : 1u) << "reloaded only after a change";
        const qorsim::Adapter after = sim.snapshot(0);
        EXPECT_EQ(after.partitions.at(1), pristine.partitions.at(1)) << "volume 5's partition";
        EXPECT_EQ(after.slices.at(1).diskOnly.at(0), pristine.slices.at(1).diskOnly.at(0));
        EXPECT_EQ(qorsim::get32(after.partitions.at(2).data(), 32) == 0, !c.zeroed.empty())
            << "the held dead member";
    }
}

} // namespace
