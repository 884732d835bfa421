// The controller device's pause and resume: the library calls it makes, its
// waits, and that every wait ends (late events, failed queries).
#include "MorvaneRaidCtrl.h"
#include "RaidFixture.h"

#include "FsaMaintenance.h"

#include <chrono>
#include <thread>

namespace {

using VarnDiags::DeviceEnum::IDevice;
using VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl;

class CtrlPause : public raidtest::RaidTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "io": {"secondMs": 20}}]})";
    }
    void SetUp() override {
        RaidTest::SetUp();
        ctrl = std::make_unique<MorvaneRaidCtrl>("qor0");
        ASSERT_TRUE(ctrl->isDeviceReferenceValid());
        ASSERT_EQ(ctrl->open(IDevice::OPEN_TEST), 0);
        sim.clearJournal();
    }
    void TearDown() override {
        ctrl.reset();
        RaidTest::TearDown();
    }
    std::unique_ptr<MorvaneRaidCtrl> ctrl;
};

TEST_F(CtrlPause, PauseThenResume) {
    EXPECT_FALSE(ctrl->adapterPaused());
    EXPECT_TRUE(ctrl->pauseIo(10));
    EXPECT_TRUE(ctrl->adapterPaused());
    EXPECT_TRUE(ctrl->resumeIo());
    EXPECT_FALSE(ctrl->adapterPaused());
    EXPECT_EQ(ctCommands(), (std::vector<int>{65, 66}));
    EXPECT_EQ(sleeps(), (std::vector<unsigned int>{3})); // the settle time, no poll needed
}

TEST_F(CtrlPause, PausedAlreadyOrRunningAlreadyAsksNothing) {
    ASSERT_TRUE(ctrl->pauseIo(10));
    sim.clearJournal();
    EXPECT_TRUE(ctrl->pauseIo(10));
    ASSERT_TRUE(ctrl->resumeIo());
    sim.clearJournal();
    EXPECT_TRUE(ctrl->resumeIo());
    EXPECT_TRUE(ctCommands().empty());
}

TEST_F(CtrlPause, RefusalsAreFailures) {
    sim.update(0, [](qorsim::Adapter& a) { a.io.pauseReply = 185; });
    EXPECT_FALSE(ctrl->pauseIo(10));
    sim.update(0, [](qorsim::Adapter& a) {
        a.io.pauseReply = 0;
        a.io.releaseReply = 184;
    });
    ASSERT_TRUE(ctrl->pauseIo(10));
    EXPECT_FALSE(ctrl->resumeIo());
}

TEST_F(CtrlPause, ALatePausedEventEndsTheWaitAfterThePauseTime) {
    // The controller's paused event comes only after its resumed one: the
    // library ends up marked paused, and the wait for running I/O gives up
    // after the pause time instead of polling for ever.
    sim.update(0, [](qorsim::Adapter& a) { a.io.latePausedEvent = true; });
    ASSERT_TRUE(ctrl->pauseIo(10));
    EXPECT_FALSE(ctrl->resumeIo());
    std::vector<unsigned int> expected{3};
    expected.insert(expected.end(), 10, 1);
    EXPECT_EQ(sleeps(), expected);
}

TEST_F(CtrlPause, WithoutAnAdapterHandleEveryOperationFails) {
    ctrl->close();
    EXPECT_TRUE(ctrl->adapterPaused()); // cannot tell: taken as paused
    EXPECT_FALSE(ctrl->pauseIo(10));
    EXPECT_FALSE(ctrl->resumeIo());
    EXPECT_FALSE(ctrl->pauseIo(0));
    EXPECT_FALSE(ctrl->rescanDevices());
    EXPECT_TRUE(ctCommands().empty());
}

TEST_F(CtrlPause, RescanPausesWithRescanAndReleases) {
    EXPECT_TRUE(ctrl->rescanDevices());
    EXPECT_EQ(ctCommands(), (std::vector<int>{65, 66, 65, 66}));
    EXPECT_FALSE(ctrl->adapterPaused());
}

TEST_F(CtrlPause, ResumeAfterTheControllerResumedByItself) {
    ASSERT_TRUE(ctrl->pauseIo(1)); // 20 ms here
    for (int i = 0; i < 500 && ctrl->adapterPaused(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(ctrl->adapterPaused());
    EXPECT_TRUE(ctrl->resumeIo());
}

} // namespace
