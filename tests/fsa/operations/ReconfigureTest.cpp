// Reconfiguration, usage, verify, the disk search, the older mirror entry,
// secondary containers and growing: what each sends and what it refuses.
#include "Context.h"
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "OpsFixture.h"
#include "ParamChecks.h"
#include "PartnerLayout.h"

#include <cerrno>
#include <memory>
#include <vector>

namespace {

// Volumes 1 (disk 0) and 2 (disk 1), each of 65536 blocks, and mirror 3
// (disk 1); disk 2 is empty.
const char* kVolumes = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 200000, "drive": 1}, {"size": 200000, "drive": 2},
             {"size": 200000, "drive": 3}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 1, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 1, "l0Type": 1,
                  "l0Number": 2, "l0Members": 1, "flags": 1},
                 {"start": 70000, "size": 65536, "serial": 9, "slice": 1, "l0Type": 2,
                  "l0Number": 3, "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 2, "type": 1, "members": [2]},
                          {"number": 3, "type": 2, "members": [3]}]},
  "hostDisks": [{"container": 1, "target": 1, "name": "sdb"},
                {"container": 2, "target": 2, "name": "sdc"},
                {"container": 0, "target": 3, "name": "sdd"}]}]})";

FSA_STORAGE_DEVICE drive(std::uint8_t target) {
    FSA_STORAGE_DEVICE d{};
    d.scsi.target = target;
    d.scsi.adapterSerial = 9;
    return d;
}

class Reconfigure : public fsatest::OpsTest {
protected:
    Reconfigure() : OpsTest(kVolumes) {}
    const tag_FSA_CONTAINER one{1, 0, 9}, two{2, 0, 9};
};

TEST_F(Reconfigure, MorphSendsTheRequestForTheNewType) {
    const FSA_STORAGE_DEVICE added[] = {drive(3)};
    EXPECT_EQ(FsaMorphContainer(handle, &one, 3, 1, added, 65536, 0, 1), FSA_STATUS(577));
    EXPECT_EQ(FsaMorphContainer(handle, &one, 1, 1, added, 65536, 0, 1), FSA_STATUS(577));
    const auto morph = answer(109, 253);
    ASSERT_EQ(FsaMorphContainer(handle, &one, 2, 1, added, 65536, 0, 1), FSA_STS_SUCCESS);
    ASSERT_EQ(morph->count, 1);
    EXPECT_EQ(qorsim::get32(morph->data.data(), 0), 1u);    // container
    EXPECT_EQ(qorsim::get32(morph->data.data(), 4), 3u);    // stripe
    EXPECT_EQ(qorsim::get32(morph->data.data(), 8), 1u);    // one disk added
    EXPECT_EQ(qorsim::get32(morph->data.data(), 12), 128u); // chunk in blocks
    EXPECT_EQ(qorsim::get32(morph->data.data(), 20), 2u);   // added to the members
    EXPECT_EQ(morph->data[24], 2u);                         // the slice of the added disk
    answer(109, 259);
    EXPECT_EQ(FsaMorphContainer(handle, &one, 2, 1, added, 65536, 0, 1), FSA_STATUS(327));
}

TEST_F(Reconfigure, UsageComesFromTheHost) {
    std::uint32_t usage = 0;
    ASSERT_EQ(FsaGetContainerUsage(handle, &one, &usage), FSA_STS_SUCCESS);
    EXPECT_EQ(usage, 12u);
    sim.update(0, [](qorsim::Adapter& a) { a.hostDisks[1].locked = true; });
    ASSERT_EQ(FsaGetContainerUsage(handle, &one, &usage), FSA_STS_SUCCESS);
    EXPECT_EQ(usage, 13u); // open on this host
}

TEST_F(Reconfigure, VerifyStartsAndRefusesToStopWhatDoesNotRun) {
    answer(175, 218, 0); // no verify runs
    const auto start = answer(173, 218);
    EXPECT_EQ(FsaVerifyContainer(handle, 0), FSA_STATUS(506));
    EXPECT_EQ(start->count, 0);
    EXPECT_EQ(FsaVerifyContainer(handle, 1), FSA_STS_SUCCESS);
    EXPECT_EQ(start->count, 1);
    EXPECT_EQ(start->words[0], 1u);
    unsigned info[3] = {9, 9, 9};
    EXPECT_EQ(FsaVerifyContainerGetInfo(handle, info), FSA_STS_SUCCESS);
    EXPECT_EQ(info[0], 0u);
    answer(173, 219);
    EXPECT_EQ(FsaVerifyContainer(handle, 1), FSA_STATUS(504));
}

TEST_F(Reconfigure, RemovingADiskDeletesTheVolumeOnIt) {
    FSA_STORAGE_DEVICE disks[] = {drive(1)};
    tag_FSA_CONTAINER toDelete[32], degraded[32];
    unsigned nDelete = 99, nDegraded = 99;
    ASSERT_EQ(FsaFindContainersToDeleteByDisk(handle, disks, 1, toDelete, &nDelete, sizeof toDelete,
                                              degraded, &nDegraded, sizeof degraded),
              FSA_STS_SUCCESS);
    ASSERT_EQ(nDelete, 1u);
    EXPECT_EQ(toDelete[0].containerNumber, 1u);
    EXPECT_EQ(nDegraded, 0u);
    disks[0] = drive(3);
    ASSERT_EQ(FsaFindContainersToDeleteByDisk(handle, disks, 1, toDelete, &nDelete, sizeof toDelete,
                                              degraded, &nDegraded, sizeof degraded),
              FSA_STS_SUCCESS);
    EXPECT_EQ(nDelete, 0u);
}

TEST_F(Reconfigure, OlderMirrorEntry) {
    const auto split = answer(30, 134);
    tag_FSA_CONTAINER c{3, 0, 9}, fresh{};
    ASSERT_EQ(FsaMirror(handle, FSA_MIRROR_SPLIT, &c, &fresh), FSA_STS_SUCCESS);
    EXPECT_EQ(fresh.containerNumber, 0u); // the lowest free number
    EXPECT_EQ(split->words[0], 3u);
    EXPECT_EQ(split->words[1], 0u);
    EXPECT_EQ(split->words[2], 0x12346789u);
    EXPECT_EQ(FsaMirror(handle, FSA_MIRROR_SPLIT, &c, nullptr), FSA_STS_BAD_ARGUMENTS);
    const auto unmirror = answer(24, 89);
    EXPECT_EQ(FsaMirror(handle, FSA_MIRROR_UNMIRROR, &c, nullptr), FSA_STS_SUCCESS);
    EXPECT_EQ(unmirror->words[0], 3u);
    EXPECT_EQ(FsaMirror(handle, static_cast<FSA_MIRROR_FUNCTION>(2), &c, nullptr), FSA_STATUS(30));
}

// The split half of a mirror on a shared bus takes no number the partner
// uses; where the drives' disk sets cannot be read the bus may be shared,
// so the partner's numbers are avoided too.
TEST_F(Reconfigure, ASplitOnASharedBusAvoidsThePartnersNumbers) {
    const struct {
        const char* what;
        bool held, setsUnread;
        std::uint32_t fresh;
    } cases[] = {
        {"shared bus", true, false, 4},
        {"local disks", false, false, 0},
        {"local disks, the sets unread", false, true, 4},
        {"shared bus, the sets unread", true, true, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FsaCloseAdapter(handle);
        sim.load(fsatest::withPartnersContainer(kVolumes, 3, 0, {2}, c.held));
        handle = open();
        answer(30, 134);
        if (c.setsUnread)
            fsatest::failDiskSetReads(sim);
        tag_FSA_CONTAINER mirror{3, 0, 9}, fresh{};
        EXPECT_EQ(FsaMirror(handle, FSA_MIRROR_SPLIT, &mirror, &fresh), FSA_STS_SUCCESS);
        EXPECT_EQ(fresh.containerNumber, c.fresh);
        sim.clearFaults();
    }
}

TEST_F(Reconfigure, TheOlderMirrorEntryRefreshesTheCallersTagWhateverTheResult) {
    // The controller gives each container a UID of its own.
    sim.update(0, [](qorsim::Adapter& a) { a.containers.at(3).uid = 0x1234; });
    const struct {
        const char* what;
        FSA_MIRROR_FUNCTION function;
        std::uint32_t unmirrorReply; // 0: the controller is not asked
        FSA_STATUS status;
    } cases[] = {
        {"split without an output tag", FSA_MIRROR_SPLIT, 0, FSA_STS_BAD_ARGUMENTS},
        {"unmirror the controller refuses", FSA_MIRROR_UNMIRROR, 5, FSA_STATUS(0)},
        {"a function the entry no longer offers", static_cast<FSA_MIRROR_FUNCTION>(3), 0,
         FSA_STATUS(30)},
        {"unmirror", FSA_MIRROR_UNMIRROR, 89, FSA_STS_SUCCESS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.unmirrorReply)
            answer(24, c.unmirrorReply);
        tag_FSA_CONTAINER tag{3, 0xDEAD, 9};
        const FSA_STATUS s = FsaMirror(handle, c.function, &tag, nullptr);
        if (c.status)
            EXPECT_EQ(s, c.status);
        else
            EXPECT_NE(s, FSA_STS_SUCCESS);
        EXPECT_EQ(tag.containerNumber, 3u);
        EXPECT_EQ(tag.uniqueId, 0x1234u);
    }
}

TEST_F(Reconfigure, AVolumeSetOfContainersTakesTheirPlace) {
    auto secondary = std::make_shared<fsatest::Sent>();
    sim.registerContainer(171, [secondary](qorsim::CtRequest& c) { // the new volume set
        ++secondary->count;
        std::copy(c.param, c.param + 3, secondary->words);
        secondary->data.assign(c.in, c.in + 72);
        c.adapter.containers[c.param[0]] = qorsim::ContainerRecord{};
        c.reply[0] = 7;
    });
    const tag_FSA_CONTAINER members[] = {one, two};
    tag_FSA_CONTAINER made{};
    EXPECT_EQ(FsaCreateSecondaryContainer(handle, &made, 5, nullptr, 2, members, 0),
              FSA_STATUS(22));
    EXPECT_EQ(FsaCreateSecondaryContainer(handle, &made, 3, nullptr, 0, members, 0),
              FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(secondary->count, 0);
    ASSERT_EQ(FsaCreateSecondaryContainer(handle, &made, 3, nullptr, 2, members, 64 * 1048576),
              FSA_STS_SUCCESS);
    EXPECT_EQ(made.containerNumber, 0u);
    ASSERT_EQ(secondary->count, 1);
    EXPECT_EQ(secondary->words[0], 0u);
    EXPECT_EQ(qorsim::get32(secondary->data.data(), 0), 2u);
    EXPECT_EQ(qorsim::get32(secondary->data.data(), 8), 31u); // members moved out of sight
    EXPECT_EQ(qorsim::get32(secondary->data.data(), 12), 30u);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.containers.count(31));
    EXPECT_TRUE(a.containers.count(30));
}

TEST_F(Reconfigure, GrowingAndMirroringAVolume) {
    const auto add = answer(44, 131);
    FSA_STORAGE_DEVICE_SPACE space{};
    space.device = drive(3);
    space.offset = 1048576;
    space.size = 0x2000000 - 0x10000;
    EXPECT_EQ(FsaGrowPrimaryVolumeSet(handle, &one, &space, 0), FSA_STATUS(310));
    space.size = 0x2000000;
    ASSERT_EQ(FsaGrowPrimaryVolumeSet(handle, &one, &space, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(add->words[0], 1u);
    EXPECT_EQ(add->words[1], 2u); // the slice of disk 3
    EXPECT_EQ(add->words[2], 0x2000000u / 512);

    const auto mirror = answer(26, 37);
    tag_FSA_CONTAINER c = one;
    const FSA_STORAGE_DEVICE onto[] = {drive(3)};
    ASSERT_EQ(FsaCreateMirrorFromVolume(handle, &c, 1, onto), FSA_STS_SUCCESS);
    EXPECT_EQ(mirror->words[0], 1u);
    EXPECT_EQ(mirror->words[1], 2u);
    std::vector<FSA_STORAGE_DEVICE> many(33, drive(3));
    EXPECT_EQ(FsaCreateMirrorFromVolume(handle, &c, 33, many.data()), FSA_STATUS(27));
    EXPECT_EQ(FsaCreateMirrorFromVolume(handle, &c, 2, many.data()), FSA_STATUS(27));
}

} // namespace
