// Creation records per container type, the older layout, and creation and
// destruction against the simulated controller keeping the free space.
#include "ContainerCreation.h"
#include "ContainerCaches.h"
#include "ContainerOperations.h"
#include "CtChannel.h"
#include "FsaApi.h"
#include "HandleTable.h"
#include "PartitionFields.h"
#include "SimFixture.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

std::uint32_t word(const CreateContainer& r, std::size_t off) {
    std::uint32_t v;
    std::memcpy(&v, r.bytes + off, sizeof v);
    return v;
}

std::vector<CreateMember> members(std::uint32_t n) {
    std::vector<CreateMember> m;
    for (std::uint32_t i = 0; i < n; ++i)
        m.push_back({i, 1000 + i, 64});
    return m;
}

TEST(CreateRecord, CountsEachTypeRefuses) {
    const struct {
        std::uint32_t type, count, status;
    } cases[] = {{1, 1, 521},  {1, 3, 521}, {13, 3, 523}, {15, 5, 524},
                 {26, 7, 543}, {26, 9, 0},  {2, 50, 65},  {2, 49, 0}};
    const std::uint8_t info[16] = {};
    for (const auto& c : cases) {
        CreateContainer r;
        try {
            CT_LayOutCreateRecord(&r, 1, c.type, members(c.count), 65536, info);
            EXPECT_EQ(c.status, 0u) << c.type << "/" << c.count;
        } catch (FSA_STATUS s) {
            EXPECT_EQ(s, FSA_STATUS(c.status)) << c.type << "/" << c.count;
        }
    }
}

TEST(CreateRecord, Layouts) {
    const std::uint8_t info[16] = {1, 0, 2, 126};
    CreateContainer r;
    // RAID-10 with 4 members: even members from byte 40, odd ones 192 later.
    EXPECT_EQ(CT_LayOutCreateRecord(&r, 7, 13, members(4), 65536, info), 5u);
    EXPECT_EQ(word(r, 0), 10u);
    EXPECT_EQ(word(r, 4), 7u);
    EXPECT_EQ(word(r, 8), 128u);
    EXPECT_EQ(word(r, 12), 128u);
    EXPECT_EQ(word(r, 32), 2u);
    EXPECT_EQ(word(r, 40), 0u);
    EXPECT_EQ(word(r, 48), 2u);
    EXPECT_EQ(word(r, 232), 1u);
    EXPECT_EQ(word(r, 240), 3u);
    EXPECT_EQ(r.bytes[19], 126);

    // RAID-50: group widths by member count.
    const struct { std::uint32_t count, width; } widths[] = {{9, 3}, {15, 5}, {18, 9}, {45, 9}};
    for (const auto& w : widths) {
        EXPECT_EQ(CT_LayOutCreateRecord(&r, 1, 26, members(w.count), 0, info),
                  w.count / w.width + 1 + w.count);
        std::uint16_t width;
        std::memcpy(&width, r.bytes + 34, 2);
        EXPECT_EQ(width, w.width) << w.count;
        EXPECT_EQ(word(r, 28), 128u) << "fixed chunk";
    }

    // Volume set: sizes summed, members of 12 bytes from byte 36.
    CT_LayOutCreateRecord(&r, 1, 3, members(3), 0, info);
    EXPECT_EQ(word(r, 8), 192u);
    EXPECT_EQ(word(r, 28), 3u);
    EXPECT_EQ(word(r, 36 + 24 + 4), 1002u);

    // A type without a layout stays all zero.
    CT_LayOutCreateRecord(&r, 1, 6, members(2), 0, info);
    EXPECT_TRUE(std::all_of(r.bytes, r.bytes + sizeof r.bytes, [](std::uint8_t b) { return !b; }));

    EXPECT_EQ(CT_FindDiskOffset(-1), 0xFFFFFFFFu);
    EXPECT_EQ(CT_FindDiskOffset(1 << 20), 2048u);
}

TEST(CreateRecord, OlderLayoutOfRaid10MovesTheSecondHalf) {
    const std::uint8_t info[16] = {};
    CreateContainer r;
    CT_LayOutCreateRecord(&r, 7, 13, members(4), 65536, info);
    std::vector<std::uint8_t> old(CT_OLD_CREATE_BYTES);
    CT_ConvertToOldCreateRecord(&r, old.data());
    std::uint32_t v;
    std::memcpy(&v, old.data() + 296, 4);
    EXPECT_EQ(v, 1u);
    std::memcpy(&v, old.data() + 304, 4);
    EXPECT_EQ(v, 3u);

    CT_LayOutCreateRecord(&r, 7, 26, members(9), 0, info);
    CT_ConvertToOldCreateRecord(&r, old.data());
    EXPECT_TRUE(std::all_of(old.begin(), old.end(), [](std::uint8_t b) { return !b; }));
}

class CreationSimTest : public fsatest::SimTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 9, "containers": {"count": 8},
          "slices": [{"size": 10128, "drive": 0}, {"size": 10128, "drive": 1}]}]})";
    }
    void run(FSAAPI_CONTEXT* ctx);
};

TEST_F(CreationSimTest, CreateAndDestroyKeepFreeSpace) {
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    try {
        run(ctx);
    } catch (FSA_STATUS s) {
        ADD_FAILURE() << "threw " << s;
    }
    FsaCloseAdapter(h);
}
void CreationSimTest::run(FSAAPI_CONTEXT* ctx) {
    const std::uint32_t n = CT_GetNextFreeContainer(ctx, 0, 1);
    EXPECT_EQ(n, 0u);
    CT_CreateNewContainer(ctx, n, 2, {{0, 128, 1000}, {1, 128, 1000}}, 65536);
    CT_InvalidateCache(ctx);
    EXPECT_TRUE(CT_PhantomOrRealExists(ctx, 0, 1));
    EXPECT_EQ(CT_GetNextFreeContainer(ctx, 0, 1), 1u);
    EXPECT_EQ(CT_GetNextFreeContainer(ctx, 1, 1), 7u);
    const auto used = CT_GetScsiPCE(ctx, 1);
    ASSERT_TRUE(used);
    EXPECT_EQ(used->state, FSA_PCE_MEMORY_AND_DISK);
    EXPECT_EQ(par::size(used->partition), 1000u);

    CT_DestroyContainer(ctx, 0, 0, 0);
    const auto free = CT_GetScsiPCE(ctx, 1);
    ASSERT_TRUE(free);
    EXPECT_EQ(free->state, FSA_PCE_FREE);
    EXPECT_EQ(par::size(free->partition), 10000u);
}

TEST_F(CreationSimTest, OlderControllersGetTheOlderRecordAndFailuresAre522) {
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    bool oldSent = false;
    sim.registerContainer(179, [](qorsim::CtRequest& c) { c.accepted = false; });
    sim.registerContainer(124, [&](qorsim::CtRequest& c) {
        oldSent = true;
        c.reply[0] = 112;
    });
    CT_CreateNewContainer(ctx, 3, 2, {{0, 128, 1000}, {1, 128, 1000}}, 65536);
    EXPECT_TRUE(oldSent);

    sim.registerContainer(124, [](qorsim::CtRequest& c) { c.reply[0] = 281; });
    try {
        CT_CreateNewContainer(ctx, 3, 2, {{0, 128, 1000}, {1, 128, 1000}}, 65536);
        ADD_FAILURE();
    } catch (FSA_STATUS s) {
        EXPECT_EQ(s, FSA_STATUS(522));
    }
    FsaCloseAdapter(h);
}

// Container 0 lies only on disk 0 (an on-disk entry the controller does not
// hold in memory), the cluster partner's container 1 on a disk this adapter
// does not reach.
class FreeNumberSimTest : public fsatest::SimTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 9, "containers": {"count": 8},
          "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 1}],
          "slices": [{"size": 200000, "drive": 0, "diskPartitions": [
                        {"start": 128, "size": 65536, "serial": 9, "l0Type": 1,
                         "l0Number": 0, "l0Members": 1, "flags": 1}]},
                     {"size": 200000, "drive": 1}, {"size": 200000, "drive": 4294967295}],
          "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                         {"start": 128, "size": 65536, "serial": 9, "slice": 2, "l0Type": 1,
                          "l0Number": 1, "l0Members": 1, "flags": 1}]}]})";
    }
};

// A number is taken as free only from a list that read every disk the search
// covers: a disk left out (its slice answered as nothing, or its MBR unread
// while the search covers it) is read once more, and still unread fails the
// search with 39 rather than hand out a number in use. An unread disk set
// hides no partition.
TEST_F(FreeNumberSimTest, ANumberIsFreeOnlyOnAListThatReadEveryDisk) {
    constexpr std::uint32_t kUnread = 39;
    auto zeroedSlice = [](int times) {
        qorsim::Fault f;
        f.ctCommand = 63; // the slice information
        f.zeroReplyFrom = qorsim::kFibHeader + 12;
        f.times = times;
        return f;
    };
    qorsim::Fault setUnread;
    setUnread.fibCommand = 550;
    setUnread.clusterCommand = 12; // the drive's disk-set information
    setUnread.error = EIO;
    setUnread.times = 1000;
    const struct {
        const char* what;
        std::vector<qorsim::Fault> faults;
        int mbrUnreadable;                   // slice whose MBR cannot be read, or -1
        std::uint32_t everyDisk, localDisks; // lowest free number, or the status thrown
        std::uint32_t zeroIsFree;            // as a local target: 1, 0, or the status
    } cases[] = {
        {"every disk read", {}, -1, 2, 1, 0},
        {"a slice answered as nothing once", {zeroedSlice(1)}, -1, 2, 1, 0},
        {"a slice answered as nothing every time",
         {zeroedSlice(1000)},
         -1,
         kUnread,
         kUnread,
         kUnread},
        {"this adapter's disk 0 with its MBR unread", {}, 0, kUnread, kUnread, kUnread},
        // Only the search over every disk covers the partner's disk.
        {"the partner's disk with its MBR unread", {}, 2, kUnread, 1, 0},
        {"no disk set can be read", {setUnread}, -1, 2, 1, 0},
    };
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    auto status = [&](auto&& search) -> std::uint32_t {
        CT_InvalidateCache(ctx); // each search starts from a list read under the faults
        try {
            return search();
        } catch (FSA_STATUS s) {
            return s;
        }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto arrange = [&](bool faulty) {
            sim.update(0, [&](qorsim::Adapter& a) {
                for (std::size_t s = 0; s < a.slices.size(); ++s)
                    a.slices[s].mbrReadable = !faulty || static_cast<int>(s) != c.mbrUnreadable;
            });
            sim.clearFaults();
            if (faulty)
                for (const qorsim::Fault& f : c.faults)
                    sim.inject(f);
        };
        for (const int localOnly : {0, 1}) {
            SCOPED_TRACE(localOnly ? "local disks" : "every disk");
            arrange(true);
            EXPECT_EQ(status([&] { return CT_GetNextFreeContainer(ctx, 0, localOnly); }),
                      localOnly ? c.localDisks : c.everyDisk);
        }
        arrange(true);
        EXPECT_EQ(status([&] { return std::uint32_t{CT_IsContainerNumberFree(ctx, 0, 1)}; }),
                  c.zeroIsFree);
        arrange(false);
    }
    FsaCloseAdapter(h);
}

} // namespace
