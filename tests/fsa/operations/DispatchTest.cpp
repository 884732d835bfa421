// FsaContainer: the operations on one existing container, their state
// checks and refusals, and what they leave in the controller's model.
#include "Context.h"
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "OpsFixture.h"
#include "PartnerLayout.h"

#include <atomic>
#include <cstring>
#include <memory>

namespace {

// Container 1 is a volume on disk 0 (entry 1); container 2 a single-level
// mirror on disk 1 (entry 2); containers 24 and up are hidden. The host
// knows both as disks it has closed.
const char* kTwoVolumes = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 4000, "drive": 1}, {"size": 4000, "drive": 2}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 200, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 1,
                  "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 200, "serial": 9, "slice": 1, "l0Type": 2, "l0Number": 2,
                  "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1], "flags": 16},
                          {"number": 2, "type": 2, "members": [2]}]},
  "hostDisks": [{"container": 1, "instance": 2, "target": 1, "name": "sdb"},
                {"container": 2, "instance": 2, "target": 2, "name": "sdc"}]}]})";

std::atomic<int> g_delayEvents{0};
int countDelayEvent(void*, std::uint32_t bit, FSA_EVENT_DETAILS* d, void*) {
    if (bit == 0x200000 && d && d->words[0] == 1)
        ++g_delayEvents;
    return 1;
}

class Dispatch : public fsatest::OpsTest {
protected:
    Dispatch() : OpsTest(kTwoVolumes) {}
    void SetUp() override {
        OpsTest::SetUp();
        ctx = UtilGetContextFromHandle(handle).get();
    }
    FSA_STATUS op(std::uint32_t n, FSA_CONTAINER_OPERATION o, void* arg = nullptr) {
        const tag_FSA_CONTAINER c{n, 0, 9};
        return FsaContainer(handle, &c, o, arg);
    }
    FSAAPI_CONTEXT* ctx = nullptr;
};

TEST_F(Dispatch, UserFlagsAreSetAndClearedInTheModel) {
    std::uint16_t mask = 0x5;
    EXPECT_EQ(op(1, FSA_CO_SET_USER_FLAGS, &mask), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).containers.at(1).userFlags, 0x15);
    mask = 0x11;
    EXPECT_EQ(op(1, FSA_CO_CLEAR_USER_FLAGS, &mask), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).containers.at(1).userFlags, 0x4);
    EXPECT_EQ(op(1, FSA_CO_SET_USER_FLAGS, nullptr), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(op(3, FSA_CO_SET_USER_FLAGS, &mask), FSA_STATUS(11)); // no such container
}

TEST_F(Dispatch, MirrorDelayUpTo100IsSetAndAnnounced) {
    // Another client of the adapter hears of the change.
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    ASSERT_EQ(FsaRegisterGeneralCallback(other, 0x200000, countDelayEvent, nullptr),
              FSA_STS_SUCCESS);
    g_delayEvents = 0;
    const auto sent = answer(25, 0);
    unsigned delay = 100;
    EXPECT_EQ(op(1, FSA_CO_MIRROR_DELAY, &delay), FSA_STS_SUCCESS);
    EXPECT_EQ(sent->words[0], 1u);
    EXPECT_EQ(sent->words[1], 100u);
    delay = 101;
    EXPECT_EQ(op(1, FSA_CO_MIRROR_DELAY, &delay), FSA_STATUS(226));
    EXPECT_EQ(op(5, FSA_CO_MIRROR_DELAY, &delay), FSA_STATUS(11));
    EXPECT_EQ(sent->count, 1);
    for (int i = 0; i < 200 && g_delayEvents < 1; ++i)
        sleeper.sleepMs(50);
    EXPECT_EQ(g_delayEvents.load(), 1);
    FsaCloseAdapter(other);
}

TEST_F(Dispatch, SimpleOperationsSendTheirCommandAndMapRefusals) {
    struct Case {
        FSA_CONTAINER_OPERATION o;
        std::uint32_t command, success, refusal;
        FSA_STATUS refused;
    } cases[] = {
        {FSA_CO_LOCK, 50, 11, 3, FSA_STATUS(56)},
        {FSA_CO_UNLOCK, 49, 13, 3, FSA_STATUS(57)},
        {FSA_CO_MAKE_READ_ONLY, 51, 141, 142, FSA_STATUS(104)},
        {FSA_CO_MAKE_READ_WRITE, 52, 141, 142, FSA_STATUS(105)},
        {FSA_CO_RESTART_MORPH, 149, 253, 257, FSA_STATUS(325)},
        {FSA_CO_ADD_LEVEL, 98, 216, 217, FSA_STATUS(127)},
    };
    for (const Case& k : cases) {
        auto sent = answer(k.command, k.success);
        EXPECT_EQ(op(2, k.o), FSA_STS_SUCCESS) << k.o;
        EXPECT_EQ(sent->count, 1) << k.o;
        EXPECT_EQ(sent->words[0], 2u) << k.o;
        answer(k.command, k.refusal);
        EXPECT_EQ(op(2, k.o), k.refused) << k.o;
    }
}

TEST_F(Dispatch, OfflineReleasesTheHostFirstAndScrubChoosesBySingleLevel) {
    const auto drain = answer(133, 308);
    const auto offline = answer(134, 309);
    EXPECT_EQ(op(2, FSA_CO_OFFLINE, nullptr), FSA_STS_SUCCESS); // null: forced
    EXPECT_EQ(drain->count, 1);
    EXPECT_EQ(offline->count, 1);

    const auto scrub = answer(61, 163);
    const auto scrub2 = answer(67, 163);
    EXPECT_EQ(op(2, FSA_CO_SCRUB), FSA_STS_SUCCESS);
    EXPECT_EQ(scrub->count, 1);
    EXPECT_EQ(scrub2->count, 0);
    const auto check = answer(141, 163);
    EXPECT_EQ(op(2, FSA_CO_CHECK), FSA_STS_SUCCESS);
    EXPECT_EQ(check->count, 1);
}

TEST_F(Dispatch, MoveRefusesAnOccupiedTargetAndMovesOtherwise) {
    auto move = answer(21, 64);
    tag_FSA_CONTAINER target{2, 0, 9};
    EXPECT_EQ(op(1, FSA_CO_MOVE, &target), FSA_STATUS(23));
    target.containerNumber = 5;
    EXPECT_EQ(op(1, FSA_CO_MOVE, &target), FSA_STS_SUCCESS);
    EXPECT_EQ(move->count, 1);
    EXPECT_EQ(move->words[0], 1u);
    EXPECT_EQ(move->words[1], 5u);
    EXPECT_EQ(op(1, FSA_CO_MOVE, nullptr), FSA_STS_BAD_ARGUMENTS);
}

// The cluster partner's container 7 lies on a disk this adapter does not
// reach: a container on a shared bus may not move to its number.
TEST_F(Dispatch, MoveOnASharedBusRefusesThePartnersNumber) {
    const struct {
        const char* what;
        bool held;
        bool setsUnread;
        FSA_STATUS status;
    } cases[] = {
        {"shared bus", true, false, FSA_STATUS(23)},
        {"local disks", false, false, FSA_STS_SUCCESS},
        {"local disks, the sets unread", false, true, FSA_STATUS(23)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FsaCloseAdapter(handle);
        sim.load(fsatest::withPartnersContainer(kTwoVolumes, 2, 7, {1}, c.held));
        handle = open();
        if (c.setsUnread)
            fsatest::failDiskSetReads(sim);
        tag_FSA_CONTAINER target{7, 0, 9};
        EXPECT_EQ(op(1, FSA_CO_MOVE, &target), c.status);
        sim.clearFaults();
        const qorsim::Adapter a = sim.snapshot(0);
        EXPECT_EQ(a.containers.count(1), c.status == FSA_STS_SUCCESS ? 0u : 1u);
        EXPECT_EQ(a.containers.count(7), c.status == FSA_STS_SUCCESS ? 1u : 0u);
    }
}

TEST_F(Dispatch, DeletionDestroysTheContainerInTheModel) {
    // Open on the host: only the in-use deletion goes on.
    sim.update(0, [](qorsim::Adapter& a) { a.hostDisks[1].locked = true; });
    EXPECT_EQ(op(1, FSA_CO_DELETE), FSA_STATUS(93));
    ASSERT_TRUE(sim.snapshot(0).containers.count(1));
    EXPECT_EQ(op(1, FSA_CO_DELETE_IN_USE), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_FALSE(a.containers.count(1));
    EXPECT_EQ(qorsim::get32(a.partitions.at(1).data(), 32), 0u); // its partition is free again
    EXPECT_TRUE(a.hostDisks.at(1).deleted);                      // and the host let go of it
    EXPECT_EQ(op(1, FSA_CO_DELETE_IN_USE), FSA_STATUS(11));

    const tag_FSA_CONTAINER foreign{2, 0, 77}; // the adapter serial does not match
    EXPECT_EQ(FsaContainer(handle, &foreign, FSA_CO_DELETE_IN_USE, nullptr), FSA_STATUS(11));
    EXPECT_TRUE(sim.snapshot(0).containers.count(2));
}

std::atomic<std::uint32_t> g_serviceWord{0};
void serviceSawChange(std::uint32_t word) {
    g_serviceWord = word;
}

TEST_F(Dispatch, ChangesAreAnnouncedToOtherClientsAndTheService) {
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    static std::atomic<int> seen{0};
    seen = 0;
    ASSERT_EQ(FsaRegisterGeneralCallback(
                  other, 0x40000,
                  [](void*, std::uint32_t, FSA_EVENT_DETAILS* d, void*) {
                      if (d && d->words[0] == 2 && d->words[2] == 9)
                          ++seen;
                      return 1;
                  },
                  nullptr),
              FSA_STS_SUCCESS);
    const tag_FSA_CONTAINER c{2, 0, 9};
    EXPECT_EQ(SendAifContainerEvent(handle, &c, 0x40000), FSA_STS_SUCCESS);
    for (int i = 0; i < 200 && seen < 1; ++i)
        sleeper.sleepMs(50);
    EXPECT_EQ(seen.load(), 1);
    FsaCloseAdapter(other);

    ASSERT_EQ(FsaSetServiceContext(handle, 77, 0, 0, 0, reinterpret_cast<void*>(&serviceSawChange)),
              FSA_STS_SUCCESS);
    g_serviceWord = 0;
    CT_InvalidateServerCache(handle);
    EXPECT_EQ(g_serviceWord.load(), 77u);
}

TEST_F(Dispatch, EntryRefusals) {
    const tag_FSA_CONTAINER c{1, 0, 9};
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaContainer(readOnly, &c, FSA_CO_LOCK, nullptr), FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);
    EXPECT_EQ(FsaContainer(nullptr, &c, FSA_CO_LOCK, nullptr), FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(FsaContainer(handle, &c, static_cast<FSA_CONTAINER_OPERATION>(27), nullptr),
              FSA_STS_BAD_OPERATION);
    EXPECT_EQ(op(1, FSA_CO_RESERVED16), FSA_STS_NOT_IMPLEMENTED);
    EXPECT_EQ(op(1, FSA_CO_RESERVED17), FSA_STS_NOT_IMPLEMENTED);
    EXPECT_EQ(op(1, FSA_CO_ENABLE_RAID5), FSA_STATUS(403));
    EXPECT_EQ(op(30, FSA_CO_LOCK), FSA_STATUS(11)); // no such container
    ctx->paused = 1;
    EXPECT_EQ(op(1, FSA_CO_LOCK), FSA_STS_ADAPTER_PAUSED);
    ctx->paused = 0;
    ctx->connectionType = FSA_CONNECTION_REMOTE;
    EXPECT_EQ(FsaContainer(handle, &c, FSA_CO_LOCK, nullptr), FSA_STS_NOT_AVAILABLE_ON_OS);
    ctx->connectionType = FSA_CONNECTION_LOCAL;
}

} // namespace
