#include <gtest/gtest.h>

#include <memory>

#include "FakeDevice.h"
#include "ScriptedTest.h"

using testing_support::DeviceJournal;
using testing_support::FakeDevice;
using testing_support::ScriptedDiagnostic;
using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;
using VarnDiags::Diag::DiagnosticSettings;
using VarnDiags::Diag::DiagnosticStatus;
using Outcome = ScriptedDiagnostic::Outcome;

namespace {

constexpr auto P = DiagnosticResult::PASSED;
constexpr auto U = DiagnosticResult::UNUSUAL_STATUS;
constexpr auto F = DiagnosticResult::FAILED;

std::unique_ptr<DiagnosticResult> runOn(ScriptedDiagnostic& diagnostic, DeviceJournal& journal,
                                        const std::vector<int>& selection = {}, bool valid = true,
                                        int openResult = 0) {
    VirtualDevice handle(new FakeDevice(journal, valid, openResult));
    DiagnosticSettings settings;
    settings.setTestNumberVector(selection);
    return std::unique_ptr<DiagnosticResult>(diagnostic.runDiagnostic(&handle, settings));
}

void expectComplete(ScriptedDiagnostic& diagnostic) {
    DiagnosticStatus status = diagnostic.getDiagnosticStatus();
    EXPECT_EQ(status.getStatus(), DiagnosticStatus::COMPLETE);
    EXPECT_EQ(status.getProgress(), 100u);
}

} // namespace

TEST(Engine, RunsSelectionInCallersOrder) {
    struct Case {
        std::vector<int> selection;
        std::vector<int> expectedOrder;
    };
    for (const Case& c : {Case{{}, {0, 1, 2}}, Case{{2, 0}, {2, 0}}, Case{{1, 1}, {1, 1}}}) {
        ScriptedDiagnostic diagnostic({{P, 0}, {P, 0}, {P, 0}});
        DeviceJournal journal;
        auto summary = runOn(diagnostic, journal, c.selection);
        EXPECT_EQ(diagnostic.order, c.expectedOrder);
        EXPECT_EQ(summary->getTestResult(), P);
        EXPECT_EQ(journal.opens, 1);
        EXPECT_EQ(journal.closes, 2); // the engine's close, then the last handle's
        expectComplete(diagnostic);
    }
}

TEST(Engine, SummaryIsFirstFailedElseFirstUnusual) {
    struct Case {
        std::vector<Outcome> outcomes;
        DiagnosticResult::TestResult result;
        unsigned int code;
        std::string text;
    };
    const Case cases[] = {
        {{{P, 0}, {U, 5}, {F, 7}, {F, 9}}, F, 7, "test 2"},
        {{{P, 0}, {U, 5}}, U, 5, "test 1"},
        {{{U, 4}, {U, 6}}, U, 4, "test 0"},
        {{{P, 0}, {P, 0}}, P, 0, ""},
    };
    for (const Case& c : cases) {
        ScriptedDiagnostic diagnostic(c.outcomes);
        DeviceJournal journal;
        auto summary = runOn(diagnostic, journal);
        EXPECT_EQ(summary->getTestResult(), c.result);
        EXPECT_EQ(summary->getEventCode(), c.code);
        EXPECT_EQ(summary->getEventString(), c.text);
        if (c.result != P) {
            EXPECT_EQ(summary->getEventParameter(), c.code);
        }
    }
}

TEST(Engine, DeviceProblemsEndTheRunUntested) {
    struct Case {
        bool valid;
        int openResult;
        unsigned int code;
    };
    for (Case c : {Case{true, 1, 99}, Case{false, 0, 3}}) {
        ScriptedDiagnostic diagnostic({{P, 0}});
        DeviceJournal journal;
        auto summary = runOn(diagnostic, journal, {}, c.valid, c.openResult);
        EXPECT_TRUE(diagnostic.order.empty());
        EXPECT_EQ(summary->getTestResult(), U);
        EXPECT_EQ(summary->getEventCode(), c.code);
        EXPECT_EQ(summary->getEventType(), DiagnosticEvent::ERROR_EVENT);
        expectComplete(diagnostic);
        EXPECT_EQ(journal.deletions, 1);
    }
}

TEST(Engine, NothingToRunIsAFailureNeverAPass) {
    struct Case {
        std::vector<Outcome> outcomes;
        std::vector<int> selection;
    };
    for (const Case& c :
         {Case{{}, {}}, Case{{{P, 0}}, {1}}, Case{{{P, 0}}, {-1}}, Case{{{P, 0}}, {0, 0}}}) {
        ScriptedDiagnostic diagnostic(c.outcomes);
        DeviceJournal journal;
        auto summary = runOn(diagnostic, journal, c.selection);
        ASSERT_NE(summary, nullptr);
        EXPECT_EQ(summary->getTestResult(), F);
        EXPECT_EQ(summary->getEventCode(), VarnDiags::Diag::ENGINE_NOTHING_TO_RUN);
        EXPECT_TRUE(diagnostic.order.empty());
        EXPECT_EQ(journal.opens, 0);
        expectComplete(diagnostic);
    }
}

TEST(Engine, AbortDuringSecondTestSkipsTheThird) {
    ScriptedDiagnostic diagnostic({{P, 0}, {F, 7}, {P, 0}});
    diagnostic.test(1).during = [&] { diagnostic.abortDiagnostic(); };
    DeviceJournal journal;
    auto summary = runOn(diagnostic, journal);
    EXPECT_EQ(diagnostic.order, (std::vector<int>{0, 1}));
    EXPECT_EQ(summary->getTestResult(), U);
    EXPECT_EQ(summary->getEventCode(), 1u);
    EXPECT_EQ(summary->getEventType(), DiagnosticEvent::INFORMATION_EVENT);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(diagnostic.test(i).aborts, 1);
    EXPECT_EQ(journal.closes, 2);
    expectComplete(diagnostic);
}

TEST(Engine, AbortBeforeTheRunAnswersAborted) {
    ScriptedDiagnostic diagnostic({{P, 0}});
    diagnostic.abortDiagnostic();
    DeviceJournal journal;
    auto summary = runOn(diagnostic, journal);
    EXPECT_TRUE(diagnostic.order.empty());
    EXPECT_EQ(summary->getEventCode(), 1u);
    EXPECT_EQ(summary->getTestResult(), U);
    expectComplete(diagnostic);
}

TEST(Engine, ProgressIsMeanOfSelectedTestsWhileRunning) {
    ScriptedDiagnostic diagnostic({{P, 0}, {P, 0}, {P, 0}});
    DiagnosticStatus seen;
    diagnostic.test(1).during = [&] {
        diagnostic.test(0).setProgress(50);
        diagnostic.test(1).setProgress(25);
        diagnostic.test(2).setProgress(100); // not selected
        seen = diagnostic.getDiagnosticStatus();
    };
    DeviceJournal journal;
    auto summary = runOn(diagnostic, journal, {0, 1});
    EXPECT_EQ(seen.getStatus(), DiagnosticStatus::RUNNING);
    EXPECT_EQ(seen.getProgress(), 37u);
    expectComplete(diagnostic);
}

TEST(Engine, EventsComeOutOldestFirstAndOnlyDiagnosticEvents) {
    ScriptedDiagnostic diagnostic({});
    auto* first = new DiagnosticEvent(4, DiagnosticEvent::WARNING_EVENT, 0);
    *first << "first";
    diagnostic.addDiagnosticEvent(first);
    diagnostic.queueEvent(new VarnDiags::System::IEvent); // not a diagnostic event
    diagnostic.addDiagnosticEvent(new DiagnosticEvent(5, DiagnosticEvent::ERROR_EVENT, 0));
    diagnostic.addDiagnosticEvent(
        new DiagnosticEvent(6, DiagnosticEvent::ERROR_EVENT, 0)); // left queued
    EXPECT_EQ(diagnostic.getDiagnosticEventCount(), 4u);

    std::unique_ptr<DiagnosticEvent> event(diagnostic.getDiagnosticEvent());
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->getEventString(), "first");
    EXPECT_EQ(diagnostic.getDiagnosticEvent(), nullptr);
    event.reset(diagnostic.getDiagnosticEvent());
    EXPECT_EQ(event->getEventCode(), 5u);
    // The last event is freed with the diagnostic (the leak checker watches).
}

TEST(Engine, NoLogStreamIsNoCrash) {
    ScriptedDiagnostic diagnostic({});
    diagnostic.setLogFile(nullptr);
    EXPECT_EQ(diagnostic.getName(), nullptr);
    DeviceJournal journal;
    auto summary = runOn(diagnostic, journal);
    EXPECT_EQ(summary->getTestResult(), F);
}
