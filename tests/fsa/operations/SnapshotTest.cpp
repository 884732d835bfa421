// Snapshots: sizing advice, usage figures, removal that brings the backing
// container back to its visible number, creation refused by this host's
// layer, and the snapshot buffer space.
#include "Context.h"
#include "FsaSnapshot.h"
#include "HandleTable.h"
#include "OpsFixture.h"
#include "PartnerLayout.h"
#include "qorsim/ModelDiff.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Container 1 (source, 2000 blocks) and 2 (a backing container at its
// visible number) are volumes; container 5 is a snapshot of 1 whose backing
// container waits at hidden number 30 (record words 135-138: 1, 30, 5, 3),
// with the controller's usage figures; snapshot 10 has none set up;
// 0x800000-block container 6 serves the sizing. Volume 7 spans two disks
// with 2^32 + 65280 blocks, beyond 32 bits; 9 holds 64 MiB; the record of 8
// claims 2^55 - 1 blocks, whose byte count just fits 64 bits.
const char* kSnapshots = R"({"adapters": [{"index": 0, "serial": 9, "info": {"options": 1},
  "slices": [{"size": 100000, "drive": 1}, {"size": 9000000, "drive": 2},
             {"size": 2147516416, "drive": 3}, {"size": 2147516416, "drive": 4}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 2000, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 1,
                  "l0Members": 1, "flags": 1},
                 {"start": 4000, "size": 30000, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 2, "l0Members": 1, "flags": 1},
                 {"start": 40000, "size": 20000, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 30, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 8388608, "serial": 9, "slice": 1, "l0Type": 1,
                  "l0Number": 6, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 2147516288, "serial": 9, "slice": 2, "l0Type": 1,
                  "l0Number": 7, "l0Members": 2, "flags": 1},
                 {"start": 128, "size": 2147516288, "serial": 9, "slice": 3, "l0Type": 1,
                  "l0Number": 7, "l0Members": 2, "memberIndex": 1, "flags": 1},
                 {"start": 8388736, "size": 131072, "serial": 9, "slice": 1, "l0Type": 1,
                  "l0Number": 9, "l0Members": 1, "flags": 1},
                 {"start": 60000, "size": 100, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 8, "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 2, "type": 1, "members": [2]},
                          {"number": 6, "type": 1, "members": [4]},
                          {"number": 7, "type": 1, "members": [5, 6]},
                          {"number": 8, "type": 1, "members": [8],
                           "words": {"1": 4294967295, "2": 8388607}},
                          {"number": 9, "type": 1, "members": [7]},
                          {"number": 30, "type": 1, "members": [3]},
                          {"number": 5, "type": 5, "members": [],
                           "words": {"135": 1, "136": 30, "137": 5, "138": 3},
                           "snapshotInfo": [0, 1, 40, 4294967295, 2147483648, 0, 3, 4, 5, 6,
                                            7, 8, 9, 10, 11, 12, 13]},
                          {"number": 10, "type": 5, "members": [],
                           "words": {"135": 1, "136": 30, "137": 10, "138": 3}}]},
  "hostDisks": [{"container": 1, "target": 1, "name": "sdb"},
                {"container": 2, "target": 2, "name": "sdc"},
                {"container": 3, "target": 3, "name": "sdd"}]}]})";

class Snapshots : public fsatest::OpsTest {
protected:
    Snapshots() : OpsTest(kSnapshots) {}
    FSA_STATUS snap(FSA_SNAPSHOT_OPERATION op, std::uint32_t source, std::uint32_t backing,
                    FSA_SNAPSHOT_INFO* info, unsigned chunk) {
        const tag_FSA_CONTAINER s{source, 0, 9}, b{backing, 0, 9};
        return FsaSnapshot(handle, op, &s, &b, info, chunk);
    }
};

TEST_F(Snapshots, SizingAdviceFollowsTheSourceSize) {
    FSA_SNAPSHOT_INFO info{};
    ASSERT_EQ(snap(FSA_SNAP_GET_SIZES, 6, 0, &info, 65536), FSA_STS_SUCCESS);
    std::uint64_t sparse = 0, full = 0;
    std::memcpy(&sparse, &info.words[0], 8);
    std::memcpy(&full, &info.words[2], 8);
    EXPECT_EQ(sparse, 0xA00000u);
    EXPECT_EQ(full, (0x800000u + 8 + 16) * 512ull); // 16 bitmap blocks for 64 KB chunks
    EXPECT_EQ(info.words[4], 16u * 512);            // exactly 0x800000 blocks: 16-block chunks
    EXPECT_EQ(snap(FSA_SNAP_GET_SIZES, 6, 0, &info, 511), FSA_STATUS(26));
    EXPECT_EQ(snap(FSA_SNAP_GET_SIZES, 6, 0, nullptr, 65536), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(snap(static_cast<FSA_SNAPSHOT_OPERATION>(8), 6, 0, &info, 65536),
              FSA_STS_BAD_OPERATION);
}

// Sources beyond 32 bits of blocks are sized whole; a size whose byte count
// would not fit the record, or a source whose own byte count would not fit
// 64 bits, is refused.
TEST_F(Snapshots, SizingAdviceForSourcesBeyondThirtyTwoBitsOfBlocks) {
    constexpr std::uint64_t kSource = (1ull << 32) + 65280;
    FSA_SNAPSHOT_INFO info{};
    ASSERT_EQ(snap(FSA_SNAP_GET_SIZES, 7, 0, &info, 65536), FSA_STS_SUCCESS);
    std::uint64_t full = 0;
    std::memcpy(&full, &info.words[2], 8);
    // 128-block chunks: ((kSource / 128 + 7) >> 3) + 511 >> 9 = 8193 bitmap blocks.
    EXPECT_EQ(full, (kSource + 8 + 8193) * 512);
    EXPECT_EQ(info.words[4], 128u * 512);
    FSA_SNAPSHOT_INFO untouched{};
    EXPECT_EQ(snap(FSA_SNAP_GET_SIZES, 8, 0, &untouched, 65536), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(untouched.words[4], 0u);
    // A record of 2^55 + 2000 blocks is damaged; its byte count would wrap
    // to that of 2000 blocks and be sized as such.
    sim.update(0, [](qorsim::Adapter& a) {
        a.containers.at(8).words[1] = 2000;
        a.containers.at(8).words[2] = 1u << 23;
    });
    EXPECT_EQ(snap(FSA_SNAP_GET_SIZES, 8, 0, &untouched, 65536), FSA_STS_FAILURE);
    EXPECT_EQ(untouched.words[4], 0u);
}

TEST_F(Snapshots, UsageFiguresOnlyForSnapshots) {
    FSA_SNAPSHOT_INFO info{};
    EXPECT_EQ(snap(FSA_SNAP_GET_INFO, 1, 0, &info, 0), FSA_STATUS(185));  // not a snapshot kind
    EXPECT_EQ(snap(FSA_SNAP_GET_INFO, 10, 0, &info, 0), FSA_STATUS(218)); // none set up
    ASSERT_EQ(snap(FSA_SNAP_GET_INFO, 5, 0, &info, 0), FSA_STS_SUCCESS);
    // s2; s4 per mille of s3 (the product needs more than 32 bits); s6 + s7 + s8;
    // s9; s10 + s11; s12 to s16.
    const std::uint32_t expected[10] = {40, 500, 12, 6, 15, 9, 10, 11, 12, 13};
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(info.words[i], expected[i]) << "word " << i;
}

TEST_F(Snapshots, RemovalBringsTheBackingContainerBack) {
    ASSERT_EQ(snap(FSA_SNAP_REMOVE, 5, 0, nullptr, 0), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_FALSE(a.containers.count(5));  // the snapshot is gone
    EXPECT_FALSE(a.containers.count(30)); // the hidden number is free again
    ASSERT_TRUE(a.containers.count(3));   // the backing container is visible
    EXPECT_EQ(a.containers.at(3).members, std::vector<std::uint32_t>{3});
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    const tag_FSA_CONTAINER s{5, 0, 9};
    EXPECT_EQ(FsaSnapshot(readOnly, FSA_SNAP_REMOVE, &s, nullptr, nullptr, 0),
              FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);
}

TEST_F(Snapshots, CreationRefusedByTheHostLeavesTheBackingContainerWhereItWas) {
    sim.update(0, [](qorsim::Adapter& a) { a.maint.nvram.state = 3; });
    const std::size_t containers = sim.snapshot(0).containers.size();
    // This host's layer cannot take copy-on-write snapshots.
    EXPECT_EQ(snap(FSA_SNAP_CREATE_SPARSE, 1, 2, nullptr, 8192), FSA_STS_NOT_SUPPORTED);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.containers.count(2));
    EXPECT_EQ(a.containers.size(), containers);

    struct Case {
        FSA_SNAPSHOT_OPERATION op;
        std::uint32_t source, backing;
        unsigned chunk;
        FSA_STATUS status;
    } cases[] = {
        {FSA_SNAP_CREATE_SPARSE, 1, 2, 4096, FSA_STATUS(245)}, // below 16 blocks
        {FSA_SNAP_CREATE_FULL, 2, 1, 8192, FSA_STATUS(189)},   // 2000 blocks for 30000
        {FSA_SNAP_CREATE_SPARSE, 2, 1, 8192, FSA_STATUS(189)}, // below 0x5000 blocks
        {FSA_SNAP_CREATE_FULL, 1, 30, 8192, FSA_STATUS(173)},  // a hidden backing container
        {FSA_SNAP_CREATE_FULL, 1, 2, 8192, FSA_STS_NOT_SUPPORTED},
    };
    for (const Case& k : cases)
        EXPECT_EQ(snap(k.op, k.source, k.backing, nullptr, k.chunk), k.status) << k.backing;
    const tag_FSA_CONTAINER s{1, 0, 9}, other{2, 0, 77};
    EXPECT_EQ(FsaSnapshot(handle, FSA_SNAP_CREATE_SPARSE, &s, &other, nullptr, 8192),
              FSA_STATUS(509));
    sim.update(0, [](qorsim::Adapter& ad) { ad.maint.nvram.state = 1; });
    EXPECT_EQ(snap(FSA_SNAP_CREATE_SPARSE, 1, 2, nullptr, 8192), FSA_STATUS(525));
}

// The backing container is hidden at a number the partner does not use when
// the source sits on a shared bus, or on drives whose disk sets cannot be
// read (the bus may be shared). The move back is refused, so the backing
// container stays where it was hidden.
TEST_F(Snapshots, CreationOnASharedBusHidesTheBackingContainerAwayFromThePartnersNumbers) {
    const struct {
        const char* what;
        bool held, setsUnread;
        std::uint32_t hidden;
    } cases[] = {
        {"shared bus", true, false, 29},
        {"local disks", false, false, 31},
        {"local disks, the sets unread", false, true, 29},
        {"shared bus, the sets unread", true, true, 29},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FsaCloseAdapter(handle);
        sim.load(fsatest::withPartnersContainer(kSnapshots, 4, 31, {1}, c.held));
        sim.update(0, [](qorsim::Adapter& a) { a.maint.nvram.state = 3; });
        handle = open();
        qorsim::Fault moveBack;
        moveBack.ctCommand = 21;
        moveBack.skip = 1; // the move out of sight goes through
        moveBack.refuse = true;
        moveBack.mutateReply = [](std::uint8_t* fib) {
            qorsim::put32(fib, qorsim::kFibHeader + 8, 219);
        };
        sim.inject(moveBack);
        if (c.setsUnread)
            fsatest::failDiskSetReads(sim);
        EXPECT_NE(snap(FSA_SNAP_CREATE_SPARSE, 1, 2, nullptr, 8192), FSA_STS_SUCCESS);
        const qorsim::Adapter a = sim.snapshot(0);
        EXPECT_FALSE(a.containers.count(2));
        EXPECT_TRUE(a.containers.count(c.hidden));
        sim.clearFaults();
    }
}

// A source of 2^32 + 65280 blocks is checked whole: its chunk minimum is 128
// blocks and a 64 MiB backing container is far too small; both are refused
// before the backing container is asked for or moved.
TEST_F(Snapshots, CreationChecksSourcesBeyondThirtyTwoBitsOfBlocksBeforeAnythingMoves) {
    sim.update(0, [](qorsim::Adapter& a) { a.maint.nvram.state = 3; });
    const qorsim::Adapter before = sim.snapshot(0);
    const struct {
        unsigned chunk;
        FSA_STATUS status;
    } cases[] = {{32768, FSA_STATUS(245)}, {65536, FSA_STATUS(189)}};
    for (const auto& c : cases) {
        sim.clearJournal();
        EXPECT_EQ(snap(FSA_SNAP_CREATE_FULL, 7, 9, nullptr, c.chunk), c.status) << c.chunk;
        for (const qorsim::JournalEntry& e : sim.journal())
            EXPECT_NE(e.ctCommand, 21) << c.chunk << ": the backing container moved";
        EXPECT_EQ(qorsim::describeDifferences(qorsim::compareModels(before, sim.snapshot(0))), "")
            << c.chunk;
    }
}

TEST_F(Snapshots, BufferSpaceIsReportedAndReleased) {
    int answer = 1;
    sim.registerContainer(176, [&](qorsim::CtRequest& c) { c.reply[1] = answer; });
    int cleared = 0;
    sim.registerContainer(177, [&](qorsim::CtRequest&) { ++cleared; });
    int present = 0;
    EXPECT_EQ(FsaHasUnconfigSnapshotBuffers(handle, &present), FSA_STS_SUCCESS);
    EXPECT_EQ(present, 1);
    answer = 0;
    EXPECT_EQ(FsaHasUnconfigSnapshotBuffersEx(handle, &present), FSA_STS_SUCCESS);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(FsaFreeUnconfigSnapshotBuffersEx(handle), FSA_STS_SUCCESS);
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(FsaHasUnconfigSnapshotBuffersEx(nullptr, &present), FSA_STS_INVALID_HANDLE);
}

} // namespace
