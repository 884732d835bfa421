#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FakeDevice.h"
#include "HostDapi2/Sleeper.h"
#include "HostFixture.h"
#include "ScriptedTest.h"
#include "System/LogStreams.h"

using namespace VarnDiags::HostDapi2;
using testing_support::DeviceJournal;
using testing_support::FakeDevice;
using testing_support::ScriptedDiagnostic;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;

namespace {

std::vector<unsigned int> s_sleeps;
void countingSleep(unsigned int seconds) {
    s_sleeps.push_back(seconds);
}

class ProgressThreadTest : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        s_sleeps.clear();
        m_previous = setSleeper(&countingSleep);
    }
    void TearDown() override {
        setSleeper(m_previous);
        HostFixture::TearDown();
    }
    static std::unique_ptr<DiagnosticResult> runToCompletion(ScriptedDiagnostic& diagnostic) {
        DeviceJournal journal;
        VarnDiags::DeviceEnum::VirtualDevice handle(new FakeDevice(journal));
        return std::unique_ptr<DiagnosticResult>(diagnostic.runDiagnostic(&handle, {}));
    }
    static std::size_t lineOf(const std::string& prefix) {
        auto lines = dapi2_control::transcript();
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (lines[k].find(prefix) != std::string::npos)
                return k;
        ADD_FAILURE() << "no transcript line with " << prefix;
        return lines.size();
    }

    Sleeper m_previous = nullptr;
};

DiagnosticEvent* event(unsigned int code, DiagnosticEvent::EventType type, const char* text) {
    auto* made = new DiagnosticEvent(code, type, 0);
    *made << text;
    return made;
}

} // namespace

TEST_F(ProgressThreadTest, StopBeforeRunningAbortsTheRun) {
    ScriptedDiagnostic diagnostic({{DiagnosticResult::PASSED, 0}});
    dapi2_control::StopRules rules;
    rules.afterPolls = 0;
    dapi2_control::setStopRules(rules);
    UpdateDiagProgress(&diagnostic);
    auto warnings = dapi2_control::warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].code, 1u);
    EXPECT_EQ(warnings[0].text, " ");
    EXPECT_TRUE(dapi2_control::percents().empty());

    auto summary = runToCompletion(diagnostic);
    EXPECT_TRUE(diagnostic.order.empty());
    EXPECT_EQ(summary->getTestResult(), DiagnosticResult::UNUSUAL_STATUS);
    EXPECT_EQ(summary->getEventCode(), 1u);
}

TEST_F(ProgressThreadTest, WaitsForTheRunToStartPollingOncePerSecond) {
    ScriptedDiagnostic diagnostic({{DiagnosticResult::PASSED, 0}});
    dapi2_control::StopRules rules;
    rules.afterPolls = 3;
    dapi2_control::setStopRules(rules);
    UpdateDiagProgress(&diagnostic);
    EXPECT_EQ(dapi2_control::stopPolls(), 4);
    EXPECT_EQ(s_sleeps, (std::vector<unsigned int>{1, 1, 1}));
}

TEST_F(ProgressThreadTest, CompletionRelaysQueuedEventsInOrderThenHundred) {
    ScriptedDiagnostic diagnostic({{DiagnosticResult::PASSED, 0}});
    auto summary = runToCompletion(diagnostic);
    diagnostic.addDiagnosticEvent(event(4, DiagnosticEvent::INFORMATION_EVENT, "first"));
    diagnostic.addDiagnosticEvent(event(5, DiagnosticEvent::ERROR_EVENT, "second"));
    diagnostic.addDiagnosticEvent(event(6, DiagnosticEvent::WARNING_EVENT, "third"));
    UpdateDiagProgress(&diagnostic);

    auto warnings = dapi2_control::warnings();
    auto errors = dapi2_control::errors();
    ASSERT_EQ(warnings.size(), 2u);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(warnings[0].code, 4u);
    EXPECT_EQ(warnings[0].text, "first");
    EXPECT_EQ(errors[0].code, 5u);
    EXPECT_EQ(errors[0].text, "second");
    EXPECT_EQ(warnings[1].code, 6u);
    EXPECT_EQ(dapi2_control::percents(), (std::vector<int>{100, 100, 100, 100}));
    EXPECT_EQ(s_sleeps, (std::vector<unsigned int>{1, 1, 1}));
    EXPECT_LT(lineOf("Dapi2_Warning(4"), lineOf("Dapi2_Error(5"));
    EXPECT_LT(lineOf("Dapi2_Error(5"), lineOf("Dapi2_Warning(6"));
    EXPECT_EQ(diagnostic.getDiagnosticEventCount(), 0u);
}

// Runs in a fresh temporary directory with DIAGLOG=0.
class ProgressLogTest : public ProgressThreadTest {
protected:
    void SetUp() override {
        ProgressThreadTest::SetUp();
        m_previousDirectory = std::filesystem::current_path();
        char pattern[] = "/tmp/progress-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = pattern;
        std::filesystem::current_path(m_directory);
        setenv("DIAGLOG", "0", 1);
    }
    void TearDown() override {
        std::filesystem::current_path(m_previousDirectory);
        std::filesystem::remove_all(m_directory);
        ProgressThreadTest::TearDown();
    }
    static std::string read(const char* name) {
        std::ifstream in(name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path m_previousDirectory, m_directory;
};

TEST_F(ProgressLogTest, HoldsTheLastRun) {
    {
        ScriptedDiagnostic diagnostic({{DiagnosticResult::PASSED, 0}});
        auto summary = runToCompletion(diagnostic);
        diagnostic.addDiagnosticEvent(event(4, DiagnosticEvent::INFORMATION_EVENT, "relayed"));
        UpdateDiagProgress(&diagnostic);
        UpdateDiagProgress(&diagnostic); // a second run truncates the log
    }
    EXPECT_EQ(read("testdiagProg.log"),
              "Inside UpdateDiagProgress() \nPERCENT DONE : -1\nStatus = 1\nPERCENT DONE : 100\n");
}

TEST_F(ProgressLogTest, NamesRelayedEvents) {
    VarnDiags::System::openLogStreams("testdiag");
    {
        ScriptedDiagnostic diagnostic({{DiagnosticResult::PASSED, 0}});
        auto summary = runToCompletion(diagnostic);
        diagnostic.addDiagnosticEvent(event(42, DiagnosticEvent::ERROR_EVENT, "broken"));
        UpdateDiagProgress(&diagnostic);
    }
    VarnDiags::System::closeLogStreams();
    const std::string progress = read("testdiagProg.log");
    const std::string application = read("testdiagApp.log");
    EXPECT_NE(progress.find("UpdateDiagProgress(): Found event code in queue:42\n"),
              std::string::npos);
    EXPECT_NE(progress.find("EventCode = testdiag_42\n"), std::string::npos);
    EXPECT_NE(progress.find("custom parameter passed(if any)-> broken\n"), std::string::npos);
    EXPECT_NE(application.find("A ERROR \n"), std::string::npos);
    EXPECT_EQ(progress.find("A ERROR"), std::string::npos);
}
