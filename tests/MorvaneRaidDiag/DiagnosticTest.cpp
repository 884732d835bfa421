// The diagnostic, its shared log and the pause/resume test's results.
#include "LiveThreads.h"
#include "MorvaneRaidCtrl.h"
#include "MorvaneRaidCtrlDiag.h"
#include "PauseResumeIoTest.h"
#include "RaidFixture.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <thread>

namespace {

using VarnDiags::DeviceEnum::IDevice;
using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;
using VarnDiags::Diag::DiagnosticSettings;
using VarnDiags::Diag::DiagnosticStatus;
using VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl;
using VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrlDiag;
using VarnDiags::MorvaneRaidDiag::PauseResumeIoTest;

class RaidDiagnostic : public raidtest::RaidTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "io": {"secondMs": 20}}]})";
    }
    static std::size_t count(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }
};

TEST_F(RaidDiagnostic, WithoutDiaglogThereIsNoFileAndOneTest) {
    const std::size_t threadsBefore = fsatest::liveThreadCount();
    MorvaneRaidCtrlDiag diag;
    EXPECT_EQ(diag.getDiagnosticStatus().getStatus(), DiagnosticStatus::READY);
    struct stat st;
    EXPECT_NE(::stat(MorvaneRaidCtrlDiag::FILE_NAME, &st), 0);
    {
        VirtualDevice handle(new MorvaneRaidCtrl("qor0"));
        std::unique_ptr<DiagnosticResult> result(diag.runDiagnostic(&handle, DiagnosticSettings()));
        EXPECT_EQ(result->getTestResult(), DiagnosticResult::PASSED);
    }
    // The adapter's event thread ended with the run, and the node is closed.
    EXPECT_EQ(fsatest::liveThreadCount(), threadsBefore);
    EXPECT_EQ(sim.openNodeCount(), 0u);
    std::vector<int> pauseCommands;
    for (int command : ctCommands())
        if (command == 65 || command == 66)
            pauseCommands.push_back(command);
    EXPECT_EQ(pauseCommands, (std::vector<int>{65, 66}));
}

TEST_F(RaidDiagnostic, TwoDiagnosticsShareOneLog) {
    ::setenv("DIAGLOG", "1", 1);
    auto first = std::make_unique<MorvaneRaidCtrlDiag>();
    std::unique_ptr<VarnDiags::Diag::IDiagnostics> second(first->clone());
    EXPECT_EQ(VarnDiags::MorvaneRaidDiag::pCtrlLogFile != nullptr, true);
    first.reset();
    EXPECT_EQ(VarnDiags::MorvaneRaidDiag::pCtrlLogFile != nullptr, true);
    second.reset();
    EXPECT_EQ(VarnDiags::MorvaneRaidDiag::pCtrlLogFile, nullptr);
    const std::string log = fileText(MorvaneRaidCtrlDiag::FILE_NAME);
    EXPECT_EQ(count(log, "******************** "), 2u);
    EXPECT_EQ(count(log, "MorvaneRaidCtrlDiag::clone()"), 1u);
    EXPECT_EQ(count(log, "PauseResumeIoTest::PauseResumeIoTest()"), 2u);
    EXPECT_EQ(count(log, "MorvaneRaidCtrlDiag::staticCleanup()"), 2u);
    // The last line is the second cleanup: the file closed after it.
    EXPECT_EQ(log.substr(log.size() - 37), "MorvaneRaidCtrlDiag::staticCleanup()\n");
}

TEST_F(RaidDiagnostic, AnUnopenableLogFailsTheSetUpAndReleasesNothing) {
    ::setenv("DIAGLOG", "1", 1);
    ASSERT_EQ(::mkdir(MorvaneRaidCtrlDiag::FILE_NAME, 0755), 0); // in the way of the file
    {
        MorvaneRaidCtrlDiag failed;
        EXPECT_EQ(failed.getDiagnosticStatus().getStatus(), DiagnosticStatus::INIT_FAILED);
        VirtualDevice handle(new MorvaneRaidCtrl("qor0"));
        std::unique_ptr<DiagnosticResult> result(
            failed.runDiagnostic(&handle, DiagnosticSettings()));
        EXPECT_NE(result->getTestResult(), DiagnosticResult::PASSED);
    }
    ASSERT_EQ(::rmdir(MorvaneRaidCtrlDiag::FILE_NAME), 0);

    // A good diagnostic, then a failed one beside it: deleting the failed
    // one must not close the log the good one still holds.
    auto good = std::make_unique<MorvaneRaidCtrlDiag>();
    ASSERT_EQ(good->getDiagnosticStatus().getStatus(), DiagnosticStatus::READY);
    ASSERT_EQ(::rename(MorvaneRaidCtrlDiag::FILE_NAME, "moved.log"), 0);
    ASSERT_EQ(::mkdir(MorvaneRaidCtrlDiag::FILE_NAME, 0755), 0);
    {
        // The log is open already, so this one shares it.
        MorvaneRaidCtrlDiag shared;
        EXPECT_EQ(shared.getDiagnosticStatus().getStatus(), DiagnosticStatus::READY);
    }
    std::unique_ptr<VarnDiags::Diag::IDiagnostics> clone(good->clone());
    clone.reset();
    good.reset();
    const std::string log = fileText("moved.log");
    EXPECT_EQ(count(log, "MorvaneRaidCtrlDiag::clone()"), 1u);
    EXPECT_EQ(count(log, "MorvaneRaidCtrlDiag::staticCleanup()"), 3u);
    EXPECT_EQ(::rmdir(MorvaneRaidCtrlDiag::FILE_NAME), 0);
}

TEST_F(RaidDiagnostic, TestResults) {
    std::ofstream log("test.log");
    VarnDiags::System::EventQueue events;
    PauseResumeIoTest test(log, events);
    MorvaneRaidCtrl ctrl("qor0");
    ASSERT_EQ(ctrl.open(IDevice::OPEN_TEST), 0);

    const struct {
        const char* name;
        std::uint32_t pauseReply;
        std::uint32_t releaseReply;
        IDevice* device;
        unsigned int code;
        DiagnosticEvent::EventType type;
        const char* line;
    } cases[] = {
        {"passes", 0, 0, &ctrl, 0, DiagnosticEvent::INFORMATION_EVENT,
         "PASSED TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT"},
        {"no device", 0, 0, nullptr, 3, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS INVALID_DEVICE_REFERENCE ERROR_EVENT"},
        {"pause refused", 185, 0, &ctrl, 10, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS PAUSE_IO_FUNCTION_FAILED ERROR_EVENT"},
        {"release refused", 0, 184, &ctrl, 11, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS RESUME_IO_FUNCTION_FAILED ERROR_EVENT"},
    };
    for (const auto& c : cases) {
        sim.update(0, [&](qorsim::Adapter& a) {
            a.io.pauseReply = c.pauseReply;
            a.io.releaseReply = c.releaseReply;
        });
        std::unique_ptr<DiagnosticResult> result(test.run(c.device, DiagnosticSettings()));
        EXPECT_EQ(result->getTestResult(),
                  c.code ? DiagnosticResult::UNUSUAL_STATUS : DiagnosticResult::PASSED)
            << c.name;
        EXPECT_EQ(result->getEventCode(), c.code) << c.name;
        EXPECT_EQ(result->getEventType(), c.type) << c.name;
        EXPECT_EQ(result->getEventParameter(), 0u) << c.name;
        EXPECT_EQ(test.getStatus().getStatus(), DiagnosticStatus::COMPLETE) << c.name;
        EXPECT_EQ(test.getStatus().getProgress(), 100u) << c.name;
        const std::string text = fileText("test.log");
        EXPECT_NE(
            text.find(std::string("MorvaneRaidDiag::PauseResumeIoTest::pResult: ") + c.line + "\n"),
            std::string::npos)
            << c.name;
    }
    // A run on I/O that is already paused on this handle resumes it and passes.
    // (The controller that refused its release resumes when its pause runs out.)
    sim.update(0, [](qorsim::Adapter& a) { a.io.releaseReply = 0; });
    for (int i = 0; i < 1000 && sim.snapshot(0).paused; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(ctrl.pauseIo(10));
    test.abortTest(); // noted, changes nothing
    std::unique_ptr<DiagnosticResult> result(test.run(&ctrl, DiagnosticSettings()));
    EXPECT_EQ(result->getTestResult(), DiagnosticResult::PASSED);
    EXPECT_FALSE(ctrl.adapterPaused());
    ctrl.close();
}

} // namespace
