// Host-side steps around container changes, and the drive-letter links that
// this operating system does not offer.
#include "HostExposure.h"
#include "FsaContainerHost.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <functional>

namespace {

using fsatest::OpenAdapterTest;

class HostExposure : public OpenAdapterTest {
protected:
    void prepare() override {
        sim.update(0, [](qorsim::Adapter& a) {
            a.hostDisks[2] = qorsim::HostDisk{2, 0, 5, 0, true, false, false, false, "sdb"};
            a.hostDisks[3] = qorsim::HostDisk{1, 0, 6, 0, true, true, false, false, "sdc"};
        });
    }
    void SetUp() override {
        OpenAdapterTest::SetUp();
        ctx = UtilGetContextFromHandle(handle).get();
    }
    void TearDown() override {
        ctx->connectionType = FSA_CONNECTION_LOCAL;
        ctx->simulatorKind = 0;
        OpenAdapterTest::TearDown();
    }
    FSAAPI_CONTEXT* ctx = nullptr;
};

TEST_F(HostExposure, RemovalOfAContainerTheHostHasClosedDeletesItsDisk) {
    FAOS_CTR_REMOVE_BASE* record = nullptr;
    ASSERT_EQ(FsaPrepareCtrForRemoval(handle, 2, 0, 0, &record), FSA_STS_SUCCESS);
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(2).deleted); // nothing happens before completion
    EXPECT_EQ(FsaCtrRemovalComplete(handle, 2, 0, record), FSA_STS_SUCCESS);
    EXPECT_TRUE(sim.snapshot(0).hostDisks.at(2).deleted);
}

TEST_F(HostExposure, AnOpenDiskIsReleasedOnlyWhenForced) {
    FAOS_CTR_REMOVE_BASE* record = nullptr;
    EXPECT_EQ(FsaPrepareCtrForRemoval(handle, 3, 0, 0, &record), FSA_STS_UX_DISK_OPEN);
    EXPECT_EQ(record, nullptr);
    ASSERT_EQ(FsaPrepareCtrForRemoval(handle, 3, 1, 0, &record), FSA_STS_SUCCESS);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(FsaCtrRemovalComplete(handle, 3, 0, record), FSA_STS_SUCCESS);
    EXPECT_TRUE(sim.snapshot(0).hostDisks.at(3).deleted);
}

TEST_F(HostExposure, WithoutAHostDriverNothingIsAskedOfTheHost) {
    ctx->simulatorKind = 1;
    FsaRemovalRecord record;
    EXPECT_EQ(FsaPrepareCtrForRemoval(ctx, 3, 0, 0, &record), FSA_STS_SUCCESS);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(FsaCtrRemovalComplete(ctx, 3, 0, std::move(record)), FSA_STS_SUCCESS);
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(3).deleted);
}

TEST_F(HostExposure, ExposingADeletedDiskAgainBringsOnlyThatDiskBack) {
    for (std::uint32_t n : {2u, 3u}) {
        FAOS_CTR_REMOVE_BASE* record = nullptr;
        ASSERT_EQ(FsaPrepareCtrForRemoval(handle, n, 1, 0, &record), FSA_STS_SUCCESS);
        ASSERT_EQ(FsaCtrRemovalComplete(handle, n, 0, record), FSA_STS_SUCCESS);
        ASSERT_TRUE(sim.snapshot(0).hostDisks.at(n).deleted);
    }
    ASSERT_EQ(FsaExposeCtrToOs(handle, 2, 0), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_FALSE(a.hostDisks.at(2).deleted); // instance 2, target 5 was added again
    EXPECT_TRUE(a.hostDisks.at(3).deleted);
}

TEST_F(HostExposure, TheDriverRefusingTheDeletionIsReported) {
    qorsim::Fault fault;
    fault.request = qorsim::kDeleteDisk;
    fault.error = EIO;
    sim.inject(fault);
    FAOS_CTR_REMOVE_BASE* record = nullptr;
    ASSERT_EQ(FsaPrepareCtrForRemoval(handle, 2, 0, 0, &record), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaCtrRemovalComplete(handle, 2, 0, record), FSA_STS_UX_IOCTL_FAILED);
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(2).deleted);
}

TEST_F(HostExposure, ChangeExposureAndBootDevice) {
    FAOS_CTR_REMOVE_BASE* record = nullptr;
    EXPECT_EQ(FsaPrepareCtrForChange(handle, 2, &record), FSA_STS_SUCCESS);
    EXPECT_EQ(record, nullptr); // this host keeps nothing between the two steps
    EXPECT_EQ(FsaCtrChangeComplete(handle, 2, 0, record), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaExposeCtrToOs(handle, 2, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaUnExposeCtrToOs(ctx, 2), FSA_STS_SUCCESS);
    int boot = -1;
    EXPECT_EQ(FsaCtrIsSystemBootDevice(handle, 2, &boot), FSA_STS_SUCCESS);
    EXPECT_EQ(boot, 0);
}

TEST_F(HostExposure, EveryStepRefusesAnUnknownHandleAndAnswersRemoteContextsWithNotImplemented) {
    FAOS_CTR_REMOVE_BASE* record = nullptr;
    int boot = 0;
    const std::function<FSA_STATUS(void*)> steps[] = {
        [&](void* h) { return FsaPrepareCtrForRemoval(h, 2, 1, 0, &record); },
        [&](void* h) { return FsaCtrRemovalComplete(h, 2, 0, nullptr); },
        [&](void* h) { return FsaExposeCtrToOs(h, 2, 0); },
        [&](void* h) { return FsaPrepareCtrForChange(h, 2, &record); },
        [&](void* h) { return FsaCtrChangeComplete(h, 2, 0, nullptr); },
        [&](void* h) { return FsaCtrIsSystemBootDevice(h, 2, &boot); },
    };
    for (const auto& step : steps) {
        EXPECT_EQ(step(nullptr), FSA_STS_INVALID_HANDLE);
        ctx->connectionType = FSA_CONNECTION_REMOTE;
        EXPECT_EQ(step(handle), FSA_STS_NOT_IMPLEMENTED);
        EXPECT_EQ(record, nullptr);
        ctx->connectionType = FSA_CONNECTION_LOCAL;
    }
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(2).deleted);
}

TEST_F(HostExposure, DriveLinksAreRefusedOrNotAvailable) {
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    tag_FSA_CONTAINER c{2, 0, 4660};
    struct Case {
        void* h;
        int operation;
        FSA_STATUS expected;
    } cases[] = {
        {readOnly, 5, FSA_STS_NOT_AVAILABLE_ON_OS}, {readOnly, 6, FSA_STS_NOT_AVAILABLE_ON_OS},
        {readOnly, 2, FSA_STS_NEEDS_READ_WRITE},    {readOnly, 1, FSA_STS_NEEDS_READ_WRITE},
        {handle, 1, FSA_STS_NOT_AVAILABLE_ON_OS},   {handle, 2, FSA_STS_NOT_AVAILABLE_ON_OS},
        {nullptr, 5, FSA_STS_INVALID_HANDLE},
    };
    for (const Case& k : cases)
        EXPECT_EQ(FsaNTLinkForContainer(k.h, k.operation, &c, 0, 0), k.expected) << k.operation;

    ctx->info.osType = 10;
    EXPECT_EQ(FsaNTLinkForContainer(handle, 1, &c, 0, 0), static_cast<FSA_STATUS>(533));
    ctx->paused = 1;
    EXPECT_EQ(FsaNTLinkForContainer(handle, 5, &c, 0, 0), FSA_STS_ADAPTER_PAUSED);
    EXPECT_EQ(FsaNTLinkForContainerEx(handle, 0, 5, 0, 0), FSA_STS_ADAPTER_PAUSED);
    ctx->paused = 0;

    EXPECT_EQ(FsaNTLinkForContainerEx(handle, 0, 5, 0, 0), FSA_STS_NOT_AVAILABLE_ON_OS);
    EXPECT_EQ(FsaNTLinkForContainerEx(handle, 1, 5, 0, 0), FSA_STS_NO_ADAPTER);
    EXPECT_EQ(FsaNTLinkForContainerEx(readOnly, 0, 5, 0, 0), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaLinkForContainerExInternal(handle, 9999, 5, 0, 0), FSA_STS_NO_ADAPTER);

    int usage = 0;
    EXPECT_EQ(FsaGetDriveLetterUsage(readOnly, &usage), FSA_STS_NOT_AVAILABLE_ON_OS);
    EXPECT_EQ(FsaGetDriveLetterUsageEx(handle, 0, &usage), FSA_STS_NOT_AVAILABLE_ON_OS);
    EXPECT_EQ(FsaGetDriveLetterUsageEx(handle, 1, &usage), FSA_STS_NO_ADAPTER);
    FsaCloseAdapter(readOnly);
}

TEST(SimDriveLetters, TheTableStartsWithTheSystemLettersReservedAndTwoInUse) {
    const std::pair<char, int> letters[] = {{'A', -2}, {'C', -2}, {'D', 0}, {'E', 1},
                                            {'F', -1}, {'Z', -1}, {'e', 1}, {'1', 0}};
    for (const auto& [letter, state] : letters)
        EXPECT_EQ(FsaSimDriveLetterState(letter), state) << letter;
}

} // namespace
