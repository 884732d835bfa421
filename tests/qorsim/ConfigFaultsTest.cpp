// Failures named in the configuration file, the journal as text, and the
// simulator's timers.
#include "qorsim/JournalText.h"
#include "qorsim/Simulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

using qorsim::Simulator;

TEST(ConfigFaults, OpenFailsAfterTheSkippedCalls) {
    Simulator sim;
    sim.load(R"({"adapters": [{"index": 3}],
                 "faults": [{"call": "open", "path": "/dev/qor3", "skip": 1, "times": -1,
                             "error": 2}]})");
    const int fd = sim.open("/dev/qor3", 2, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(sim.close(fd), 0);
    for (int i = 0; i < 3; ++i) {
        errno = 0;
        EXPECT_EQ(sim.open("/dev/qor3", 2, 0), -1);
        EXPECT_EQ(errno, ENOENT);
    }
    const std::string text = qorsim::journalText(sim.journal());
    EXPECT_NE(text.find("open /dev/qor3 = " + std::to_string(fd) + "\n"), std::string::npos);
    EXPECT_NE(text.find("open /dev/qor3 = -1 error 2\n"), std::string::npos);
}

TEST(ConfigFaults, ReplyWordsAreRewritten) {
    Simulator sim;
    sim.load(R"({"adapters": [{"index": 0}],
                 "faults": [{"fib": 704, "replyWords": {"0": 1}, "times": -1}]})");
    const int fd = sim.open("/dev/qor0", 2, 0);
    ASSERT_GE(fd, 0);
    std::uint8_t fib[qorsim::kFibBytes] = {};
    qorsim::put16(fib, qorsim::kCommand, 704);
    ASSERT_EQ(sim.ioctl(fd, qorsim::kSendFib, fib), 0);
    EXPECT_EQ(qorsim::get32(fib, qorsim::kFibHeader), 1u); // reported paused
    EXPECT_FALSE(sim.snapshot(0).paused);
    EXPECT_EQ(sim.close(fd), 0);
}

// The second request gets the first one's reply again, zeroed past its
// status word.
TEST(ConfigFaults, RepliesAreReplayedAndZeroed) {
    Simulator sim;
    sim.load(R"({"adapters": [{"index": 0, "firmware": {"external": 77, "build": 88}}],
                 "faults": [{"fib": 704, "replayPrevious": true},
                            {"fib": 701, "zeroReplyFrom": 36}]})");
    const int fd = sim.open("/dev/qor0", 2, 0);
    ASSERT_GE(fd, 0);
    std::uint8_t fib[qorsim::kFibBytes] = {};
    qorsim::put16(fib, qorsim::kCommand, 701);
    ASSERT_EQ(sim.ioctl(fd, qorsim::kSendFib, fib), 0);
    EXPECT_EQ(qorsim::get32(fib, qorsim::kFibHeader), 1u);
    EXPECT_EQ(qorsim::get32(fib, qorsim::kFibHeader + 4), 0u);
    std::memset(fib, 0, sizeof fib);
    qorsim::put16(fib, qorsim::kCommand, 704);
    ASSERT_EQ(sim.ioctl(fd, qorsim::kSendFib, fib), 0);
    EXPECT_EQ(qorsim::get32(fib, qorsim::kFibHeader + 4), 77u);
    EXPECT_EQ(sim.close(fd), 0);
}

TEST(ConfigFaults, BadFaultsAreRefused) {
    for (const char* config :
         {R"({"faults": [{"call": "read"}]})", R"({"faults": [{"replyWords": {"120": 1}}]})",
          R"({"faults": [{"replyWords": {"x": 1}}]})", R"({"faults": [{"zeroReplyFrom": 512}]})"}) {
        Simulator sim;
        EXPECT_ANY_THROW(sim.load(config)) << config;
    }
}

TEST(Timers, RunAtTheFirstRequestOnceDue) {
    Simulator sim;
    sim.load(R"({"adapters": [{"index": 0}]})");
    const int fd = sim.open("/dev/qor0", 2, 0);
    ASSERT_GE(fd, 0);
    sim.addTimer(0, 10, [](qorsim::Adapter& a) { a.paused = true; });
    std::uint8_t fib[qorsim::kFibBytes] = {};
    qorsim::put16(fib, qorsim::kCommand, 704);
    ASSERT_EQ(sim.ioctl(fd, qorsim::kSendFib, fib), 0);
    EXPECT_EQ(qorsim::get32(fib, qorsim::kFibHeader), 0u); // not yet
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(sim.ioctl(fd, qorsim::kSendFib, fib), 0);
    EXPECT_EQ(qorsim::get32(fib, qorsim::kFibHeader), 1u);
    EXPECT_EQ(sim.close(fd), 0);
}

} // namespace
