// Stripe and volume sets built out of existing containers, and a container
// added to a volume set: the members leave the host and move out of sight;
// a failure before the new container stands puts every member back.
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "OpsFixture.h"
#include "PartnerLayout.h"

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

namespace {

// Volumes 1, 2 and 3 of 65536 blocks on disks 0, 1 and 2; each has a host
// disk of its own (instance 2, targets 1 to 3).
const char* kVolumes = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 200000, "drive": 1}, {"size": 200000, "drive": 2},
             {"size": 200000, "drive": 3}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 1, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 1, "l0Type": 1,
                  "l0Number": 2, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 2, "l0Type": 1,
                  "l0Number": 3, "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 2, "type": 1, "members": [2]},
                          {"number": 3, "type": 1, "members": [3]}]},
  "hostDisks": [{"container": 0, "instance": 2, "target": 4, "name": "sde"},
                {"container": 1, "instance": 2, "target": 1, "name": "sdb"},
                {"container": 2, "instance": 2, "target": 2, "name": "sdc"},
                {"container": 3, "instance": 2, "target": 3, "name": "sdd"}]}]})";

class Secondary : public fsatest::OpsTest {
protected:
    Secondary() : OpsTest(kVolumes) {}
    void SetUp() override {
        OpsTest::SetUp();
        before = sim.snapshot(0);
    }

    // A fresh open (nothing the library learnt of the last layout stays) on
    // the volumes with the cluster partner's container `partners` on a disk
    // this adapter does not reach; the disks `heldDrives` form a set held
    // here (a shared bus); with `setsUnread` no drive's set can be read.
    void reopenBesidePartner(std::uint32_t partners, const std::vector<std::uint32_t>& heldDrives,
                             bool setsUnread) {
        FsaCloseAdapter(handle);
        sim.load(
            fsatest::withPartnersContainer(kVolumes, 3, partners, heldDrives, !heldDrives.empty()));
        handle = open();
        if (setsUnread)
            fsatest::failDiskSetReads(sim);
    }

    // The containers under their numbers, their partitions, and the host
    // disks are as they were before the call.
    void expectUnchanged() {
        const qorsim::Adapter a = sim.snapshot(0);
        ASSERT_EQ(a.containers.size(), before.containers.size());
        for (const auto& [n, record] : before.containers) {
            ASSERT_TRUE(a.containers.count(n)) << n;
            EXPECT_EQ(a.containers.at(n).members, record.members) << n;
        }
        EXPECT_EQ(a.partitions, before.partitions);
        for (const auto& [n, disk] : a.hostDisks)
            EXPECT_FALSE(disk.deleted) << "host disk of container " << n;
    }

    std::size_t hostDeletions() {
        std::size_t n = 0;
        for (const auto& e : sim.journal())
            n += e.request == qorsim::kDeleteDisk;
        return n;
    }

    static qorsim::Fault onCommand(int ctCommand, int skip) {
        qorsim::Fault f;
        f.ctCommand = ctCommand;
        f.skip = skip;
        return f;
    }
    void fail(int ctCommand, int skip) {
        qorsim::Fault f = onCommand(ctCommand, skip);
        f.error = EIO;
        sim.inject(f);
    }
    // The controller carries the command out and hands back its previous reply.
    void replay(int ctCommand, int skip) {
        qorsim::Fault f = onCommand(ctCommand, skip);
        f.replayPrevious = true;
        sim.inject(f);
    }
    // The driver's host-disk request `request` fails after `skip` good ones.
    void failHost(unsigned long request, int skip) {
        qorsim::Fault f;
        f.request = request;
        f.error = EIO;
        f.skip = skip;
        sim.inject(f);
    }

    const tag_FSA_CONTAINER one{1, 0, 9}, two{2, 0, 9}, three{3, 0, 9};
    qorsim::Adapter before;
};

TEST_F(Secondary, ARaidFiveOfContainersIsRefusedBeforeAnyMemberMoves) {
    const tag_FSA_CONTAINER members[] = {one, two};
    tag_FSA_CONTAINER made{};
    sim.clearJournal();
    EXPECT_EQ(FsaCreateSecondaryContainer(handle, &made, 4, nullptr, 2, members, 0),
              FSA_STATUS(210));
    expectUnchanged();
    EXPECT_EQ(hostDeletions(), 0u);
}

TEST_F(Secondary, AContainerNamedTwiceIsRefusedBeforeAnyMemberMoves) {
    for (std::uint32_t type : {2u, 3u}) {
        const tag_FSA_CONTAINER members[] = {two, one, two};
        tag_FSA_CONTAINER made{};
        sim.clearJournal();
        EXPECT_EQ(FsaCreateSecondaryContainer(handle, &made, type, nullptr, 3, members, 0),
                  FSA_STATUS(421))
            << "type " << type;
        expectUnchanged();
        EXPECT_EQ(hostDeletions(), 0u);
    }
}

TEST_F(Secondary, AFailureBeforeTheNewContainerStandsPutsEveryMemberBack) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::function<void()> arrange;
    } cases[] = {
        {"the first member cannot move", 3, [&] { fail(21, 0); }},
        {"the second member cannot move", 3, [&] { fail(21, 1); }},
        {"the host keeps the second member's disk", 2, [&] { failHost(qorsim::kDeleteDisk, 1); }},
        // The disk is gone but the host's view of it cannot be read to
        // take it out of the SCSI layer: the eighth host query.
        {"the second member's release stops half-way", 3, [&] { failHost(qorsim::kQueryDisk, 7); }},
        {"the controller refuses the volume set", 3, [&] { answer(171, 77); }},
        {"the controller refuses the stripe set", 2, [&] { answer(172, 77); }},
        {"the stripe set request is lost", 2, [&] { fail(172, 0); }},
        {"the first member moved with a stale answer", 3, [&] { replay(21, 0); }},
        {"the second member moved with a stale answer", 2, [&] { replay(21, 1); }},
    };
    const tag_FSA_CONTAINER members[] = {one, two};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        sim.load(kVolumes);
        k.arrange();
        tag_FSA_CONTAINER made{};
        EXPECT_NE(
            FsaCreateSecondaryContainer(handle, &made, k.type, nullptr, 2, members, 64 * 1048576),
            FSA_STS_SUCCESS);
        expectUnchanged();
        sim.clearFaults();
    }
}

TEST_F(Secondary, AVolumeSetStandsAndKeepsItsMembersOutOfSight) {
    const tag_FSA_CONTAINER members[] = {one, two};
    tag_FSA_CONTAINER made{};
    ASSERT_EQ(FsaCreateSecondaryContainer(handle, &made, 3, "joined", 2, members, 64 * 1048576),
              FSA_STS_SUCCESS);
    EXPECT_EQ(made.containerNumber, 0u);
    const qorsim::Adapter a = sim.snapshot(0);
    ASSERT_TRUE(a.containers.count(0));
    EXPECT_EQ(a.containers.at(0).members.size(), 2u);
    EXPECT_TRUE(a.containers.count(31)); // the members, moved out of the host's range
    EXPECT_TRUE(a.containers.count(30));
    EXPECT_FALSE(a.containers.count(1));
    EXPECT_TRUE(a.hostDisks.at(1).deleted);
    EXPECT_TRUE(a.hostDisks.at(2).deleted);
    EXPECT_EQ(std::string(a.containers.at(0).label.data(), 6), "joined");
}

TEST_F(Secondary, EachMemberMovesBeforeTheHostLetsGoOfItsOldNumber) {
    const tag_FSA_CONTAINER members[] = {one, two};
    tag_FSA_CONTAINER made{};
    sim.clearJournal();
    ASSERT_EQ(FsaCreateSecondaryContainer(handle, &made, 3, nullptr, 2, members, 64 * 1048576),
              FSA_STS_SUCCESS);
    std::string order; // M: a member moved, D: the host let go of a disk
    for (const auto& e : sim.journal()) {
        if (e.ctCommand == 21)
            order += 'M';
        else if (e.request == qorsim::kDeleteDisk)
            order += 'D';
    }
    EXPECT_EQ(order, "MDMD");
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.hostDisks.at(1).deleted);
    EXPECT_TRUE(a.hostDisks.at(2).deleted);
    EXPECT_FALSE(a.hostDisks.at(3).deleted);
}

// On a shared bus the members hide, and the set takes a number, free on
// every disk: the partner's numbers are avoided. Which bus the members sit
// on cannot be told when the sets are unread: they avoid them all the same.
TEST_F(Secondary, MembersOnASharedBusAvoidThePartnersNumbersToo) {
    const struct {
        const char* what;
        std::uint32_t partners; // the partner's container
        bool shared;
        bool setsUnread;
        std::uint32_t first, second; // where the members are hidden
        std::uint32_t made;          // the set's number
    } cases[] = {
        {"shared bus", 31, true, false, 30, 29, 0},
        {"local disks", 31, false, false, 31, 30, 0},
        {"local disks, the sets unread", 31, false, true, 30, 29, 0},
        {"shared bus, the sets unread", 31, true, true, 30, 29, 0},
        {"shared bus, the partner's 0", 0, true, false, 31, 30, 1},
        {"local disks, the partner's 0", 0, false, false, 31, 30, 0},
        {"local disks, the sets unread, the partner's 0", 0, false, true, 31, 30, 1},
    };
    const tag_FSA_CONTAINER members[] = {one, two};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reopenBesidePartner(
            c.partners, c.shared ? std::vector<std::uint32_t>{1, 2} : std::vector<std::uint32_t>{},
            c.setsUnread);
        tag_FSA_CONTAINER made{};
        EXPECT_EQ(FsaCreateSecondaryContainer(handle, &made, 3, nullptr, 2, members, 64 * 1048576),
                  FSA_STS_SUCCESS);
        sim.clearFaults();
        EXPECT_EQ(made.containerNumber, c.made);
        const qorsim::Adapter a = sim.snapshot(0);
        const auto set = a.containers.find(c.made);
        EXPECT_TRUE(set != a.containers.end() && set->second.members.size() == 2u);
        for (std::uint32_t n : {c.first, c.second})
            EXPECT_TRUE(a.containers.count(n)) << n;
        // The members' old numbers are free unless the set took one.
        for (std::uint32_t n : {1u, 2u})
            EXPECT_EQ(a.containers.count(n), n == c.made ? 1u : 0u) << n;
    }
}

// A container added to a volume set on a shared bus hides below the
// partner's 31 and the set's members (30, 29), as they did.
TEST_F(Secondary, AContainerAddedOnASharedBusAvoidsThePartnersNumbers) {
    const struct {
        const char* what;
        bool shared;
        bool setsUnread;
        std::uint32_t hiddenAs; // where the added container goes
    } cases[] = {
        {"shared bus", true, false, 28},
        {"local disks", false, false, 29},
        {"local disks, the sets unread", false, true, 28},
        {"shared bus, the sets unread", true, true, 28},
    };
    const tag_FSA_CONTAINER members[] = {one, two};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reopenBesidePartner(
            31, c.shared ? std::vector<std::uint32_t>{1, 2, 3} : std::vector<std::uint32_t>{},
            c.setsUnread);
        tag_FSA_CONTAINER volume{};
        EXPECT_EQ(
            FsaCreateSecondaryContainer(handle, &volume, 3, nullptr, 2, members, 64 * 1048576),
            FSA_STS_SUCCESS);
        EXPECT_EQ(FsaGrowSecondaryVolumeSet(handle, &volume, &three, 0), FSA_STS_SUCCESS);
        sim.clearFaults();
        const qorsim::Adapter a = sim.snapshot(0);
        EXPECT_FALSE(a.containers.count(3));
        EXPECT_TRUE(a.containers.count(c.hiddenAs)) << c.hiddenAs;
        const auto grown = a.containers.find(volume.containerNumber);
        EXPECT_TRUE(grown != a.containers.end() && grown->second.members.size() == 3u);
    }
}

// The controller made the set and its answer came back stale: the set is
// found under its number and stands with its members.
TEST_F(Secondary, ASetMadeWithAStaleAnswerStands) {
    for (const auto& [type, command] : {std::pair<std::uint32_t, int>{3, 171}, {2, 172}}) {
        SCOPED_TRACE(command);
        sim.load(kVolumes);
        replay(command, 0);
        const tag_FSA_CONTAINER members[] = {one, two};
        tag_FSA_CONTAINER made{};
        EXPECT_EQ(
            FsaCreateSecondaryContainer(handle, &made, type, nullptr, 2, members, 64 * 1048576),
            FSA_STS_SUCCESS);
        const qorsim::Adapter a = sim.snapshot(0);
        ASSERT_TRUE(a.containers.count(0));
        EXPECT_EQ(a.containers.at(0).members.size(), 2u);
        EXPECT_FALSE(a.containers.count(1)) << "the members stay out of sight";
        EXPECT_FALSE(a.containers.count(2));
        sim.clearFaults();
    }
}

TEST_F(Secondary, AFailureAfterTheNewContainerStandsLeavesIt) {
    const tag_FSA_CONTAINER members[] = {one, two};
    answer(59, 154); // clearing the new container's file system is refused
    tag_FSA_CONTAINER made{};
    EXPECT_EQ(FsaCreateSecondaryContainer(handle, &made, 3, nullptr, 2, members, 64 * 1048576),
              FSA_STATUS(41));
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.containers.count(0));
    EXPECT_TRUE(a.containers.count(31));
    EXPECT_TRUE(a.containers.count(30));
}

TEST_F(Secondary, GrowingAVolumeSetByAContainer) {
    const tag_FSA_CONTAINER members[] = {one, two};
    tag_FSA_CONTAINER volume{};
    ASSERT_EQ(FsaCreateSecondaryContainer(handle, &volume, 3, nullptr, 2, members, 64 * 1048576),
              FSA_STS_SUCCESS);
    const qorsim::Adapter grown = sim.snapshot(0);

    // The container cannot move: it stays under its number and the host
    // has its disk again.
    fail(21, 0);
    EXPECT_EQ(FsaGrowSecondaryVolumeSet(handle, &volume, &three, 0), FSA_STS_UX_IOCTL_FAILED);
    qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.containers.count(3));
    EXPECT_EQ(a.partitions, grown.partitions);
    EXPECT_FALSE(a.hostDisks.at(3).deleted);
    sim.clearFaults();

    ASSERT_EQ(FsaGrowSecondaryVolumeSet(handle, &volume, &three, 0), FSA_STS_SUCCESS);
    a = sim.snapshot(0);
    EXPECT_EQ(a.containers.at(volume.containerNumber).members.size(), 3u);
    EXPECT_FALSE(a.containers.count(3));
    EXPECT_TRUE(a.containers.count(29)); // below the two members already hidden
    EXPECT_TRUE(a.hostDisks.at(3).deleted);
}

// The controller added the container and its answer came back stale: the
// container is found in the set and stays there, out of the host's sight.
TEST_F(Secondary, AContainerAddedWithAStaleAnswerStaysInTheSet) {
    const tag_FSA_CONTAINER members[] = {one, two};
    tag_FSA_CONTAINER volume{};
    ASSERT_EQ(FsaCreateSecondaryContainer(handle, &volume, 3, nullptr, 2, members, 64 * 1048576),
              FSA_STS_SUCCESS);
    replay(45, 0);
    EXPECT_EQ(FsaGrowSecondaryVolumeSet(handle, &volume, &three, 0), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_FALSE(a.containers.count(3));
    EXPECT_TRUE(a.containers.count(29));
    ASSERT_TRUE(a.containers.count(volume.containerNumber));
    EXPECT_EQ(a.containers.at(volume.containerNumber).members.size(), 3u);
    EXPECT_TRUE(a.hostDisks.at(3).deleted);
}

TEST_F(Secondary, AGrowingTheControllerRefusesPutsTheContainerBack) {
    const tag_FSA_CONTAINER members[] = {one, two};
    tag_FSA_CONTAINER volume{};
    ASSERT_EQ(FsaCreateSecondaryContainer(handle, &volume, 3, nullptr, 2, members, 64 * 1048576),
              FSA_STS_SUCCESS);
    const qorsim::Adapter grown = sim.snapshot(0);
    answer(45, 5); // not a volume set, says the controller
    EXPECT_EQ(FsaGrowSecondaryVolumeSet(handle, &volume, &three, 0), FSA_STATUS(46));
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.containers.count(3));
    EXPECT_FALSE(a.containers.count(29));
    EXPECT_EQ(a.containers.at(volume.containerNumber).members,
              grown.containers.at(volume.containerNumber).members);
    EXPECT_EQ(a.partitions, grown.partitions);
    EXPECT_FALSE(a.hostDisks.at(3).deleted);
}

} // namespace
