// The progress ticker: its limits, where it stops, and that it is gone when
// its object is.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PCIFiberDiag/UpdateProgress.h"

using VarnDiags::Diag::DiagnosticStatus;
using VarnDiags::Diag::UpdateProgress;
using namespace std::chrono_literals;

namespace {

// Ticker seconds of 1 ms for the length of a test.
class ShortSeconds : public ::testing::Test {
protected:
    void SetUp() override { m_saved = UpdateProgress::setSecondLength(1ms); }
    void TearDown() override { UpdateProgress::setSecondLength(m_saved); }

    // Waits until the progress stays unchanged for a while.
    static unsigned settled(const DiagnosticStatus& status) {
        unsigned last = status.getProgress();
        for (int quiet = 0; quiet < 20;) {
            std::this_thread::sleep_for(5ms);
            unsigned now = status.getProgress();
            quiet = now == last ? quiet + 1 : 0;
            last = now;
        }
        return last;
    }

private:
    std::chrono::milliseconds m_saved{};
};

} // namespace

TEST(ProgressTicker, RefusesBadArguments) {
    DiagnosticStatus status;
    EXPECT_EQ(UpdateProgress::StartUpdate(nullptr, 1, 2), nullptr);
    EXPECT_EQ(UpdateProgress::StartUpdate(&status, 51, 2), nullptr);
    EXPECT_EQ(UpdateProgress::StartUpdate(&status, 1, 20), nullptr);
    EXPECT_NE(UpdateProgress::StartUpdate(&status, 50, 19), nullptr);
}

TEST(ProgressTicker, StopsAndJoinsAtOnceWithRealSeconds) {
    DiagnosticStatus status;
    const auto start = std::chrono::steady_clock::now();
    UpdateProgress::StartUpdate(&status, 1, 2).reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(status.getProgress(), 0u);
}

TEST_F(ShortSeconds, StopsOneStepBelowAHundred) {
    struct Case {
        unsigned start, increment, last;
    };
    for (const Case& c :
         {Case{0, 1, 99}, Case{60, 10, 90}, Case{0, 50, 50}, Case{99, 1, 99}, Case{100, 1, 100}}) {
        DiagnosticStatus status;
        status.setStatus(DiagnosticStatus::RUNNING);
        status.setProgress(c.start);
        auto ticker = UpdateProgress::StartUpdate(&status, c.increment, 2);
        ASSERT_NE(ticker, nullptr);
        EXPECT_EQ(settled(status), c.last) << c.start << " + " << c.increment;
    }
}

TEST_F(ShortSeconds, WritesNothingOnceTheTestCompleted) {
    DiagnosticStatus status;
    status.setStatus(DiagnosticStatus::COMPLETE);
    status.setProgress(100);
    auto ticker = UpdateProgress::StartUpdate(&status, 1, 1);
    status.setProgress(7); // a completed test's own figure stays
    EXPECT_EQ(settled(status), 7u);
}
