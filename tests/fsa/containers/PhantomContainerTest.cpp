// Containers the controller does not hold loaded, described from the
// partitions left on the disks, and their deletion through FsaContainer.
#include "ContainerFixture.h"
#include "ContainerInfo.h"
#include "CtChannel.h"
#include "FsaContainerInfo.h"
#include "FsaContainerOps.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::uint32_t kSerial = 9;

// The simulator's id for a container it does not hold loaded.
constexpr std::uint32_t uidOf(std::uint32_t n) {
    return 0x5A000000u | n;
}

// Drives 0 to 3 are in a disk set, drive 4 is not; the host still has disks
// for 3 and 20. In-memory entries:
//  1     an older level-0 stripe 3 (an earlier container under that number)
//  2-5   level-1 stripe 3 over mirrors 10 and 11, with its creation stamp
//  6, 7  snapshot pair 20 (member 12) and 21 (member 13), not configured
//  8     multi-role group 32 whose role-3 member is volume 14
//  9, 10 groups 30 and 31, each sized by the other
//  11-12 RAID-5 40 with its second member gone; 13 mirror 41 with one side,
//        its chunk word and flag word set
//  14-15 level-1 RAID-5 6 over volumes 17, 18 (third member gone)
//  16-17 level-1 mirror 9 over volumes 22 and 23
//  18-20 level-1 volume 7 over 15 and 16, where 16 now shows under 8
//  21    volume 51 on the drive outside the disk set
//  22-23 volume 52 configured outside the set, unconfigured inside it
//  24    volume 53 written by another adapter
const char* kLeftovers = R"({"adapters": [{"index": 0, "serial": 9,
  "firmware": {"external": 50332673},
  "containers": {"count": 64, "firstHidden": 48},
  "slices": [{"size": 20128, "drive": 0}, {"size": 20128, "drive": 1}, {"size": 20128, "drive": 2},
             {"size": 20128, "drive": 3}, {"size": 20128, "drive": 4}],
  "diskSets": [{"number": 5, "creator": 9, "members": [0, 1, 2, 3]}],
  "hostDisks": [{"container": 3, "instance": 2, "target": 3, "name": "sdd"},
                {"container": 20, "instance": 2, "target": 4, "name": "sde"}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 3, "l0Members": 4,
     "flags": 1, "age": 2, "stampYear": 120},
    {"start": 1200, "size": 1000, "serial": 9, "slice": 0, "l0Type": 2, "l0Number": 10, "l0Members": 2,
     "l1Type": 3, "l1Number": 3, "l1Members": 2, "l1Index": 0, "flags": 1, "age": 3, "creator": 2,
     "stampExtra": 7, "stampYear": 126, "stampDate": 128791829, "creatorSerial": 1234605616436508552},
    {"start": 1200, "size": 1000, "serial": 9, "slice": 1, "l0Type": 2, "l0Number": 10, "l0Members": 2,
     "memberIndex": 1, "l1Type": 3, "l1Number": 3, "l1Members": 2, "l1Index": 0, "flags": 1, "age": 3,
     "creator": 2, "stampExtra": 7, "stampYear": 126, "stampDate": 128791829,
     "creatorSerial": 1234605616436508552},
    {"start": 1200, "size": 1000, "serial": 9, "slice": 2, "l0Type": 2, "l0Number": 11, "l0Members": 2,
     "l1Type": 3, "l1Number": 3, "l1Members": 2, "l1Index": 1, "flags": 1, "age": 3, "creator": 2,
     "stampExtra": 7, "stampYear": 126, "stampDate": 128791829, "creatorSerial": 1234605616436508552},
    {"start": 1200, "size": 1000, "serial": 9, "slice": 3, "l0Type": 2, "l0Number": 11, "l0Members": 2,
     "memberIndex": 1, "l1Type": 3, "l1Number": 3, "l1Members": 2, "l1Index": 1, "flags": 1, "age": 3,
     "creator": 2, "stampExtra": 7, "stampYear": 126, "stampDate": 128791829,
     "creatorSerial": 1234605616436508552},
    {"start": 5000, "size": 500, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 12, "l0Members": 1,
     "snapA": 20, "snapB": 21, "ref58": 12, "ref59": 13},
    {"start": 5000, "size": 500, "serial": 9, "slice": 1, "l0Type": 1, "l0Number": 13, "l0Members": 1,
     "snapA": 20, "snapB": 21, "ref58": 12, "ref59": 13},
    {"start": 5000, "size": 600, "serial": 9, "slice": 3, "l0Type": 1, "l0Number": 14, "l0Members": 1,
     "related79": 32, "related91": 14, "related104": 32, "flags": 1},
    {"start": 6000, "size": 300, "serial": 9, "slice": 2, "l0Type": 1, "l0Number": 31, "l0Members": 1,
     "related79": 30, "related91": 31, "related104": 30, "flags": 1},
    {"start": 6000, "size": 400, "serial": 9, "slice": 3, "l0Type": 1, "l0Number": 30, "l0Members": 1,
     "related79": 31, "related91": 30, "related108": 31, "flags": 1},
    {"start": 7000, "size": 200, "serial": 9, "slice": 0, "l0Type": 4, "l0Number": 40, "l0Members": 3,
     "flags": 1},
    {"start": 7000, "size": 200, "serial": 9, "slice": 2, "l0Type": 4, "l0Number": 40, "l0Members": 3,
     "memberIndex": 2, "flags": 1},
    {"start": 7000, "size": 300, "serial": 9, "slice": 1, "l0Type": 2, "l0Number": 41, "l0Members": 2,
     "flags": 1, "word96": 65536, "word128": 1, "related78": 41},
    {"start": 8000, "size": 100, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 17, "l0Members": 1,
     "l1Type": 4, "l1Number": 6, "l1Members": 3, "l1Index": 0, "flags": 1},
    {"start": 8000, "size": 100, "serial": 9, "slice": 1, "l0Type": 1, "l0Number": 18, "l0Members": 1,
     "l1Type": 4, "l1Number": 6, "l1Members": 3, "l1Index": 1, "flags": 1},
    {"start": 8000, "size": 250, "serial": 9, "slice": 2, "l0Type": 1, "l0Number": 22, "l0Members": 1,
     "l1Type": 2, "l1Number": 9, "l1Members": 2, "l1Index": 0, "flags": 1},
    {"start": 8000, "size": 250, "serial": 9, "slice": 3, "l0Type": 1, "l0Number": 23, "l0Members": 1,
     "l1Type": 2, "l1Number": 9, "l1Members": 2, "l1Index": 1, "flags": 1},
    {"start": 9000, "size": 100, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 15, "l0Members": 1,
     "l1Type": 1, "l1Number": 7, "l1Members": 2, "l1Index": 0, "flags": 1},
    {"start": 9000, "size": 100, "serial": 9, "slice": 1, "l0Type": 1, "l0Number": 16, "l0Members": 1,
     "l1Type": 1, "l1Number": 7, "l1Members": 2, "l1Index": 1, "flags": 1},
    {"start": 9000, "size": 100, "serial": 9, "slice": 2, "l0Type": 1, "l0Number": 16, "l0Members": 1,
     "l1Type": 1, "l1Number": 8, "l1Members": 1, "l1Index": 0, "flags": 1},
    {"start": 128, "size": 100, "serial": 9, "slice": 4, "l0Type": 1, "l0Number": 51, "l0Members": 1,
     "flags": 1},
    {"start": 300, "size": 100, "serial": 9, "slice": 4, "l0Type": 1, "l0Number": 52, "l0Members": 1,
     "flags": 1},
    {"start": 9500, "size": 100, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 52, "l0Members": 1},
    {"start": 9500, "size": 100, "serial": 77, "slice": 1, "l0Type": 1, "l0Number": 53, "l0Members": 1,
     "flags": 1}]}]})";

class PhantomContainerTest : public fsatest::ContainerTest {
protected:
    std::string config() const override { return kLeftovers; }
    FSA_CONTAINER_INFO* info() { return reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.data()); }
    FSA_STATUS describe(std::uint32_t n) {
        const tag_FSA_CONTAINER c{n, 0, kSerial};
        return FsaGetContainerInfo(handle, 0, &c, info(), FSA_CONTAINER_INFO_MAX_BYTES);
    }
    static std::uint32_t memberNumber(const FSA_PARTITION& m) {
        tag_FSA_CONTAINER c;
        std::memcpy(&c, &m.device, sizeof c);
        return c.containerNumber;
    }
    static bool unused(const qorsim::Adapter& a, std::size_t entry) {
        return qorsim::get32(a.partitions.at(entry).data(), 32) == 0;
    }
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(FSA_CONTAINER_INFO_MAX_BYTES);
};

TEST_F(PhantomContainerTest, LevelOneContainerFromItsLevelZeroMembers) {
    ASSERT_EQ(describe(3), FSA_STS_SUCCESS);
    const FSA_CONTAINER_INFO& i = *info();
    EXPECT_EQ(i.container.containerNumber, 3u);
    EXPECT_EQ(i.container.uniqueId, uidOf(3)) << "the id of the level-1 container";
    EXPECT_EQ(i.type, 2u) << "a stripe, not the older level-0 container under that number";
    ASSERT_EQ(i.partitionCount, 2u);
    EXPECT_EQ(memberNumber(i.partitions[0]), 10u);
    EXPECT_EQ(memberNumber(i.partitions[1]), 11u);
    EXPECT_EQ(std::uint64_t(i.size), 2000u * 512) << "one side of each mirror";
    EXPECT_EQ(i.hasDrivePartitions, 0u);
    EXPECT_EQ(i.membersMissing, 0u);
    // The newest creation stamp.
    EXPECT_EQ(i.createdYear, 2026u);
    EXPECT_EQ(i.createdMonth, 5u);
    EXPECT_EQ(i.createdDay, 17u);
    EXPECT_EQ(i.createdHour, 13u);
    EXPECT_EQ(i.createdMinute, 45u);
    EXPECT_EQ(i.createdSecond, 30u);
    EXPECT_EQ(i.createdExtra, 7u);
    EXPECT_EQ(i.creatorWord, 0x55667788u);
    EXPECT_EQ(i.serialWord, 0x11223344u);
    EXPECT_EQ(i.creationWord1, 2u | 7u << 16 | 126u << 24);

    // A member volume names its level-1 container as the one it belongs to.
    ASSERT_EQ(describe(17), FSA_STS_SUCCESS);
    EXPECT_EQ(info()->type, 3u);
    EXPECT_EQ(info()->parent.containerNumber, 6u);
    EXPECT_EQ(info()->parent.uniqueId, uidOf(6));
    EXPECT_EQ(std::uint64_t(info()->size), 100u * 512);
    // A member of 3 is not described while a partition still shows 3 at
    // level 0: which of the two it belongs to cannot be told.
    EXPECT_EQ(describe(10), FSA_STATUS(11));
}

TEST_F(PhantomContainerTest, SnapshotPairFromThePairBytes) {
    const struct { std::uint32_t n, type, partner; } cases[] = {{20, 5, 21}, {21, 6, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        ASSERT_EQ(describe(c.n), FSA_STS_SUCCESS);
        EXPECT_EQ(info()->type, c.type);
        EXPECT_EQ(info()->container.uniqueId, uidOf(c.n));
        EXPECT_EQ(info()->snapshotSource.containerNumber, c.partner);
        EXPECT_EQ(info()->snapshotSource.uniqueId, uidOf(c.partner));
        EXPECT_EQ(info()->snapshotSource.adapterSerial, kSerial);
    }
    // The snapshot's member names the snapshot as the container it belongs to.
    ASSERT_EQ(describe(12), FSA_STS_SUCCESS);
    EXPECT_EQ(info()->type, 3u);
    EXPECT_EQ(info()->parent.containerNumber, 20u);
    EXPECT_EQ(info()->parent.uniqueId, uidOf(20));
}

TEST_F(PhantomContainerTest, MultiRoleGroupTakesItsSizeFromItsMember) {
    ASSERT_EQ(describe(32), FSA_STS_SUCCESS);
    const FSA_CONTAINER_INFO& i = *info();
    EXPECT_EQ(i.type, 16u);
    EXPECT_EQ(i.role, 1u);
    EXPECT_EQ(i.related[0].containerNumber, 32u);
    EXPECT_EQ(i.related[2].containerNumber, 14u);
    ASSERT_EQ(i.partitionCount, 2u);
    EXPECT_EQ(memberNumber(i.partitions[0]), 32u);
    EXPECT_EQ(memberNumber(i.partitions[1]), 14u);
    EXPECT_EQ(std::uint64_t(i.size), 600u * 512);

    ASSERT_EQ(describe(14), FSA_STS_SUCCESS);
    EXPECT_EQ(info()->type, 3u) << "the member itself is a plain volume";
    EXPECT_EQ(info()->role, 3u);
}

TEST_F(PhantomContainerTest, GroupsSizedByEachOtherEndAtTheFirstRepeat) {
    for (std::uint32_t n : {30u, 31u}) {
        SCOPED_TRACE(n);
        ASSERT_EQ(describe(n), FSA_STS_SUCCESS);
        EXPECT_EQ(info()->type, 16u);
        EXPECT_EQ(std::uint64_t(info()->size), 0u) << "a container met again adds nothing";
        EXPECT_EQ(info()->partitionCount, 2u);
    }
}

TEST_F(PhantomContainerTest, MissingMembersAndSizeCorrection) {
    const struct {
        std::uint32_t n, type;
        std::uint64_t blocks;
        std::vector<std::uint32_t> members; // level 1: numbers; level 0: 1 for a missing one
        bool levelOne;
    } cases[] = {
        {40, 4, 400, {0, 1, 0}, false},     // RAID-5: all but one member
        {41, 1, 300, {0, 1}, false},        // mirror: one member
        {6, 4, 200, {17, 18, kNone}, true}, // RAID-5 of volumes, one gone
        {9, 1, 250, {22, 23}, true},        // mirror of volumes
        {7, 3, 200, {15, kNone}, true},     // 16 belongs to 8 now
        {3, 2, 2000, {10, 11}, true},       // stripe of mirrors
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        ASSERT_EQ(describe(c.n), FSA_STS_SUCCESS);
        const FSA_CONTAINER_INFO& i = *info();
        EXPECT_EQ(i.type, c.type);
        EXPECT_EQ(std::uint64_t(i.size), c.blocks * 512);
        ASSERT_EQ(i.partitionCount, c.members.size());
        for (std::size_t m = 0; m < c.members.size(); ++m)
            EXPECT_EQ(c.levelOne ? memberNumber(i.partitions[m]) : i.partitions[m].device.kind,
                      c.members[m])
                << "member " << m;
    }
    // A missing member of a level-0 container has the size of the others.
    ASSERT_EQ(describe(40), FSA_STS_SUCCESS);
    EXPECT_EQ(std::uint64_t(info()->partitions[1].size), 200u * 512);
    EXPECT_EQ(info()->membersMissing, 1u);
}

TEST_F(PhantomContainerTest, WordsTakenAsThePartitionHoldsThem) {
    ASSERT_EQ(describe(41), FSA_STS_SUCCESS);
    EXPECT_EQ(info()->chunkSize, 65536u);
    EXPECT_EQ(info()->ctFlag31, 1u);
    EXPECT_EQ(info()->role, 6u) << "its number at byte 78";
    ASSERT_EQ(describe(40), FSA_STS_SUCCESS);
    EXPECT_EQ(info()->chunkSize, 0u);
    EXPECT_EQ(info()->ctFlag31, 0u);
    EXPECT_EQ(info()->role, 0u);
}

TEST_F(PhantomContainerTest, OnlyUsablePartitionsDescribe) {
    const struct {
        std::uint32_t n;
        FSA_STATUS status;
        const char* why;
    } cases[] = {
        {51, FSA_STATUS(11), "its disk is in no disk set"},
        {52, FSA_STATUS(11), "outside the set, or conflicting with that partition inside it"},
        {53, FSA_STS_SUCCESS, "another adapter's creation on a disk of this one"},
        {63, FSA_STATUS(11), "nothing carries the number"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(c.n), c.status) << c.n << ": " << c.why;
    }
    EXPECT_EQ(CT_GetPhantomContainer(ctx, 63, info(), FSA_CONTAINER_INFO_MAX_BYTES), 0);
    // Giving up marks only the number; the rest keeps the description's
    // defaults.
    EXPECT_EQ(info()->container.containerNumber, kNone);
    EXPECT_EQ(info()->container.adapterSerial, kSerial);
    for (const tag_FSA_CONTAINER& r : info()->related)
        EXPECT_EQ(r.containerNumber, kNone);
    EXPECT_EQ(info()->mirrorPartner.containerNumber, kNone);
    EXPECT_EQ(info()->parent.containerNumber, kNone);
    EXPECT_EQ(info()->usage, 3u);
    EXPECT_EQ(info()->partitionCount, 0u);
}

TEST_F(PhantomContainerTest, BufferTooSmallForTheMembers) {
    const tag_FSA_CONTAINER level1{6, 0, kSerial}; // three members
    EXPECT_EQ(FsaGetContainerInfo(handle, 0, &level1, info(), FSA_CONTAINER_INFO_BYTES(2)),
              FSA_STATUS(5));
    EXPECT_EQ(FsaGetContainerInfo(handle, 0, &level1, info(), FSA_CONTAINER_INFO_BYTES(3)),
              FSA_STS_SUCCESS);
}

// Deleting leftovers: another client hears of it through event 0x40000.
class PhantomDeletionTest : public PhantomContainerTest {
protected:
    void SetUp() override {
        PhantomContainerTest::SetUp();
        other = open("qor0", FSA_ACC_READ_ONLY);
        g_deleted = kNone;
        ASSERT_EQ(FsaRegisterGeneralCallback(
                      other, 0x40000,
                      [](void*, std::uint32_t, FSA_EVENT_DETAILS* d, void*) {
                          if (d && d->words[2] == kSerial)
                              g_deleted = d->words[0];
                          return 1;
                      },
                      nullptr),
                  FSA_STS_SUCCESS);
    }
    void TearDown() override {
        FsaCloseAdapter(other);
        PhantomContainerTest::TearDown();
    }
    FSA_STATUS forceDelete(std::uint32_t n) {
        EXPECT_EQ(describe(n), FSA_STS_SUCCESS);
        const tag_FSA_CONTAINER c = info()->container;
        sim.clearJournal();
        return FsaContainer(handle, &c, FSA_CO_DELETE_FORCE, nullptr);
    }
    std::uint32_t announced() {
        for (int i = 0; i < 200 && g_deleted == kNone; ++i)
            sleeper.sleepMs(50);
        return g_deleted;
    }
    // Entries other than `gone` are as they were.
    void expectOnlyZeroed(const qorsim::Adapter& before, const std::set<std::size_t>& gone) {
        const qorsim::Adapter after = sim.snapshot(0);
        ASSERT_EQ(after.partitions.size(), before.partitions.size());
        for (std::size_t e = 1; e < after.partitions.size(); ++e) {
            if (gone.count(e))
                EXPECT_TRUE(unused(after, e)) << "entry " << e;
            else
                EXPECT_EQ(after.partitions[e], before.partitions[e]) << "entry " << e;
        }
        EXPECT_EQ(after.containers.size(), before.containers.size());
    }
    void* other = nullptr;
    static std::atomic<std::uint32_t> g_deleted;
};
std::atomic<std::uint32_t> PhantomDeletionTest::g_deleted{kNone};

TEST_F(PhantomDeletionTest, LevelOneLeftoverHasItsEntriesZeroed) {
    const qorsim::Adapter before = sim.snapshot(0);
    ASSERT_EQ(forceDelete(3), FSA_STS_SUCCESS);
    expectOnlyZeroed(before, {1, 2, 3, 4, 5});
    EXPECT_EQ(ctCommands(14), 5u);
    EXPECT_EQ(ctCommands(34), 1u) << "the controller re-reads its configuration";
    EXPECT_EQ(ctCommands(17), 0u) << "nothing left to destroy";
    EXPECT_EQ(announced(), 3u);
    EXPECT_TRUE(sim.snapshot(0).hostDisks.at(3).deleted) << "the host let go of it";
    EXPECT_EQ(describe(3), FSA_STATUS(11));
}

TEST_F(PhantomDeletionTest, SnapshotLeftoverIsDestroyedByItsId) {
    const qorsim::Adapter before = sim.snapshot(0);
    ASSERT_EQ(forceDelete(20), FSA_STS_SUCCESS);
    EXPECT_EQ(ctCommands(14), 0u) << "its partitions are not configured";
    EXPECT_EQ(ctCommands(17), 1u);
    expectOnlyZeroed(before, {6}); // the member of 21 stays
    EXPECT_EQ(announced(), 20u);
    EXPECT_TRUE(sim.snapshot(0).hostDisks.at(20).deleted);
    EXPECT_EQ(describe(21), FSA_STS_SUCCESS);
}

// The host's part of a deletion: a leftover the host never had a disk for
// (40) leaves nothing to remove there; a real failure of the driver's
// request is still reported after the controller's entries are gone.
TEST_F(PhantomDeletionTest, RemovalCompleteOnTheHost) {
    constexpr unsigned long kDeleteDisk = 0x163;
    const struct {
        std::uint32_t n;
        int injected; // errno of the driver's delete-disk request, 0 = none
        FSA_STATUS status;
        std::set<std::size_t> zeroed;
        const char* why;
    } cases[] = {
        {40, 0, FSA_STS_SUCCESS, {11, 12}, "no host disk: the driver has none to delete"},
        {3, EIO, FSA_STATUS(479), {1, 2, 3, 4, 5}, "the driver failed"},
        {3, ENXIO, FSA_STATUS(479), {1, 2, 3, 4, 5}, "refused although the host knows the disk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim.load(kLeftovers);
        CT_InvalidateCache(ctx);
        const qorsim::Adapter before = sim.snapshot(0);
        if (c.injected) {
            qorsim::Fault f;
            f.request = kDeleteDisk;
            f.error = c.injected;
            sim.inject(f);
        }
        EXPECT_EQ(forceDelete(c.n), c.status);
        sim.clearFaults();
        expectOnlyZeroed(before, c.zeroed);
        std::size_t requests = 0;
        for (const auto& e : sim.journal())
            requests += e.call == qorsim::Call::Ioctl && e.request == kDeleteDisk;
        EXPECT_EQ(requests, 1u);
        EXPECT_EQ(describe(c.n), FSA_STATUS(11)) << "the controller's part is done";
    }
}

// A leftover stripe 6 whose second member survives only in slice 1's own
// table. That copy still records entry number 1, which the in-memory table
// now gives to volume 5, a container the controller holds loaded.
const char* kDiskOnlyMember = R"({"adapters": [{"index": 0, "serial": 9,
  "firmware": {"external": 50332673},
  "containers": {"count": 64, "firstHidden": 48, "list": [{"number": 5, "type": 1, "members": [1]}]},
  "slices": [{"size": 20128, "drive": 0},
             {"size": 20128, "drive": 1, "diskPartitions": [
               {"entry": 1, "start": 128, "size": 500, "serial": 9, "slice": 1, "l0Type": 3,
                "l0Number": 6, "l0Members": 2, "memberIndex": 1, "flags": 1}]}],
  "diskSets": [{"number": 5, "creator": 9, "members": [0, 1]}],
  "hostDisks": [{"container": 5, "instance": 2, "target": 5, "name": "sdf"},
                {"container": 6, "instance": 2, "target": 6, "name": "sdg"}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 1000, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 5, "l0Members": 1,
     "flags": 1},
    {"start": 1128, "size": 500, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 6, "l0Members": 2,
     "flags": 1}]}]})";

class DiskOnlyLeftoverTest : public PhantomDeletionTest {
protected:
    std::string config() const override { return kDiskOnlyMember; }
    // The entry numbers the zero commands addressed.
    std::vector<std::uint32_t> zeroedEntries() {
        std::vector<std::uint32_t> out;
        for (const auto& e : sim.journal())
            if (e.ctCommand == 14)
                out.push_back(qorsim::get32(e.fib.data(), qorsim::kFibHeader + 8));
        return out;
    }
};

TEST_F(DiskOnlyLeftoverTest, OnlyTheLeftoversEntriesAreRemoved) {
    ASSERT_EQ(describe(6), FSA_STS_SUCCESS);
    ASSERT_EQ(info()->partitionCount, 2u) << "both members are seen";
    const qorsim::Adapter before = sim.snapshot(0);
    ASSERT_EQ(forceDelete(6), FSA_STS_SUCCESS);

    const qorsim::Adapter after = sim.snapshot(0);
    EXPECT_EQ(after.partitions.at(1), before.partitions.at(1)) << "volume 5's partition";
    EXPECT_EQ(after.containers.count(5), 1u);
    for (std::uint32_t entry : zeroedEntries())
        EXPECT_NE(entry, 1u) << "a zero command addressed volume 5's entry";
    EXPECT_TRUE(unused(after, 2)) << "the member the controller holds";
    EXPECT_EQ(qorsim::get32(after.slices.at(1).diskOnly.at(0).data(), 32), 0u)
        << "the member only the disk holds";
    EXPECT_EQ(ctCommands(17), 1u) << "destroyed by its id";
    EXPECT_EQ(ctCommands(34), 1u);
    EXPECT_EQ(announced(), 6u);
    EXPECT_EQ(describe(6), FSA_STATUS(11));
    ASSERT_EQ(describe(5), FSA_STS_SUCCESS);
    EXPECT_EQ(info()->partitionCount, 1u);
}

// Leftover volume 0 (entry 1) and, on another disk, an entry that records no
// container (level-0 type 0) and so reads as number 0 at level 0 (entry 2).
const char* kUntypedEntry = R"({"adapters": [{"index": 0, "serial": 9,
  "firmware": {"external": 50332673},
  "containers": {"count": 64, "firstHidden": 48},
  "slices": [{"size": 20128, "drive": 0}, {"size": 20128, "drive": 1}],
  "diskSets": [{"number": 5, "creator": 9, "members": [0, 1]}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 500, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 0,
     "l0Members": 1, "flags": 1},
    {"start": 128, "size": 300, "serial": 9, "slice": 1, "l0Type": 0, "l0Number": 0}]}]})";

class UntypedEntryTest : public PhantomDeletionTest {
protected:
    std::string config() const override { return kUntypedEntry; }
};

TEST_F(UntypedEntryTest, OnlyEntriesThatRecordTheContainerAreZeroed) {
    const qorsim::Adapter before = sim.snapshot(0);
    ASSERT_EQ(forceDelete(0), FSA_STS_SUCCESS);
    expectOnlyZeroed(before, {1});
    EXPECT_EQ(ctCommands(14), 1u) << "one zero command, for the leftover's own entry";
    EXPECT_EQ(announced(), 0u);
    EXPECT_EQ(describe(0), FSA_STATUS(11));
}

} // namespace
