// The pattern-test engine on real memory: progress and status rules with
// one, four and sixteen pattern threads, abort, thread failures and a
// pattern mismatch made through the test seam.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "MemoryChunk.h"
#include "PatternTestEngine.h"

namespace orbisk_test {
namespace {

using namespace std::chrono_literals;
using VarnDiags::MemoryDevices::MemoryChunk;
using VarnDiags::MemoryDevices::PatternTestEngine;

constexpr unsigned long TEST_KB = 24 * 1024; // 24 MiB
constexpr unsigned long SMALL_CHUNK_KB = 1024;
constexpr unsigned long MISMATCH_KB = 64 * 1024;

struct Watch {
    std::vector<int> progress; // every distinct value seen
    int statusAtHundred = -1;  // the status read right after progress 100
    std::chrono::milliseconds elapsed{0};
};

// Polls until 100 (or the time limit), as the diagnostic does, but often.
Watch watch(PatternTestEngine& engine, std::chrono::milliseconds limit = 60s) {
    Watch seen;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const int progress = engine.getProgress();
        if (seen.progress.empty() || seen.progress.back() != progress)
            seen.progress.push_back(progress);
        if (progress >= 100) {
            seen.statusAtHundred = engine.getStatus();
            break;
        }
        if (std::chrono::steady_clock::now() - start > limit)
            break;
        std::this_thread::sleep_for(200us);
    }
    seen.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return seen;
}

void expectRisingTo100(const Watch& seen) {
    ASSERT_FALSE(seen.progress.empty());
    for (std::size_t i = 1; i < seen.progress.size(); ++i)
        EXPECT_GT(seen.progress[i], seen.progress[i - 1]) << "progress went down";
    EXPECT_EQ(seen.progress.back(), 100);
}

class Seams : public ::testing::Test {
protected:
    void TearDown() override {
        PatternTestEngine::refuseThreadStart(-1);
        MemoryChunk::setAfterWriteHook(nullptr);
    }
};

class EngineThreads : public Seams, public ::testing::WithParamInterface<int> {};

TEST_P(EngineThreads, TestsAllMemoryAndEndsAtHundredWithTheFinalStatus) {
    PatternTestEngine engine(TEST_KB, GetParam(), SMALL_CHUNK_KB);
    ASSERT_EQ(engine.start(), 0);
    const Watch seen = watch(engine);
    expectRisingTo100(seen);
    EXPECT_EQ(seen.statusAtHundred, PatternTestEngine::NO_FAULT);
    EXPECT_EQ(engine.start(), 1) << "a second start";
}

TEST_P(EngineThreads, LargeChunksAsInProduction) {
    PatternTestEngine engine(40 * 1024, GetParam());
    ASSERT_EQ(engine.start(), 0);
    const Watch seen = watch(engine);
    expectRisingTo100(seen);
    EXPECT_EQ(seen.statusAtHundred, PatternTestEngine::NO_FAULT);
}

std::atomic<int> s_writes{0};
std::atomic<PatternTestEngine*> s_engine{nullptr};

TEST_P(EngineThreads, MismatchStopsTheRunWithStatusThree) {
    s_writes = 0;
    // Spoil one block well into the run. Writers that come after it wait
    // until the engine has noticed, so the count below does not depend on
    // how the threads happen to be scheduled.
    MemoryChunk::setAfterWriteHook([](char* block, std::size_t) {
        const int write = ++s_writes;
        if (write == 500)
            block[17] ^= 0x01;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (write > 500 && s_engine.load()->getStatus() != PatternTestEngine::PATTERN_MISMATCH &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    });
    PatternTestEngine engine(MISMATCH_KB, GetParam(), SMALL_CHUNK_KB);
    s_engine = &engine;
    ASSERT_EQ(engine.start(), 0);
    const Watch seen = watch(engine);
    expectRisingTo100(seen);
    EXPECT_EQ(seen.statusAtHundred, PatternTestEngine::PATTERN_MISMATCH);
    // After the mismatch each thread finished at most the chunk in hand and
    // one it claimed before it could see the stop.
    const int blocksPerChunk = static_cast<int>(SMALL_CHUNK_KB / 4);
    EXPECT_LE(s_writes.load(), 500 + 2 * GetParam() * blocksPerChunk);
    EXPECT_LT(s_writes.load(), static_cast<int>(MISMATCH_KB / 4));
}

INSTANTIATE_TEST_SUITE_P(Threads, EngineThreads, ::testing::Values(1, 4, 16));

TEST_F(Seams, OvershootingChunkKeepsTheStatusFinalAtHundred) {
    // One 16 MB chunk for 8 MB and two threads: neither the overshooting
    // allocation nor the thread that finds nothing to claim (and raises
    // progress to 88 first) may push progress to 100 before the pattern
    // pass ends.
    MemoryChunk::setAfterWriteHook([](char* block, std::size_t) { block[0] = 0; });
    for (int run = 0; run < 20; ++run) {
        PatternTestEngine engine(8192, 2);
        ASSERT_EQ(engine.start(), 0);
        const Watch seen = watch(engine);
        expectRisingTo100(seen);
        EXPECT_EQ(seen.statusAtHundred, PatternTestEngine::PATTERN_MISMATCH);
    }
}

TEST_F(Seams, AbortEndsPromptly) {
    // More memory than the test could verify in the time allowed.
    PatternTestEngine engine(2000 * 1024, 2);
    ASSERT_EQ(engine.start(), 0);
    std::this_thread::sleep_for(20ms);
    engine.abort();
    const Watch seen = watch(engine, 5s);
    expectRisingTo100(seen);
    EXPECT_LT(seen.elapsed, 3s);
    EXPECT_EQ(seen.statusAtHundred, PatternTestEngine::NO_FAULT);
}

TEST_F(Seams, AbortBeforeStartAllocatesNothing) {
    PatternTestEngine engine(TEST_KB, 4, SMALL_CHUNK_KB);
    engine.abort();
    ASSERT_EQ(engine.start(), 0);
    const Watch seen = watch(engine);
    EXPECT_EQ(seen.progress.back(), 100);
    EXPECT_EQ(seen.statusAtHundred, PatternTestEngine::NO_FAULT);
}

class ThreadRefusal : public Seams, public ::testing::WithParamInterface<int> {};

TEST_P(ThreadRefusal, StatusOneAndTheOthersReleased) {
    PatternTestEngine::refuseThreadStart(GetParam());
    PatternTestEngine engine(TEST_KB, 4, SMALL_CHUNK_KB);
    ASSERT_EQ(engine.start(), 0);
    const Watch seen = watch(engine, 10s);
    expectRisingTo100(seen);
    EXPECT_EQ(seen.statusAtHundred, PatternTestEngine::THREAD_FAILED);
}

// 0: the page-toucher; 1, 3: the first and third pattern thread.
INSTANTIATE_TEST_SUITE_P(Threads, ThreadRefusal, ::testing::Values(0, 1, 3));

TEST_F(Seams, ZeroProcessorsMeanOnePatternThread) {
    PatternTestEngine engine(4096, 0, SMALL_CHUNK_KB);
    ASSERT_EQ(engine.start(), 0);
    EXPECT_EQ(watch(engine).statusAtHundred, PatternTestEngine::NO_FAULT);
}

std::atomic<std::size_t> s_written{0};

TEST_F(Seams, ChunkWritesWholeBlocksButTheLast) {
    struct Case {
        unsigned long size;
        std::size_t written; // pattern bytes written and read back
    };
    const Case cases[] = {{100, 0}, {4096, 0}, {8192, 4096}, {8193, 8192}, {3 * 4096, 8192}};
    const std::vector<char> pattern(MemoryChunk::PATTERN_LENGTH, static_cast<char>(0xAA));
    MemoryChunk::setAfterWriteHook([](char*, std::size_t length) { s_written += length; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        s_written = 0;
        MemoryChunk chunk(c.size);
        ASSERT_FALSE(chunk.initFailed());
        EXPECT_EQ(chunk.getMemSize(), c.size);
        chunk.claim();
        EXPECT_TRUE(chunk.verify(pattern.data()));
        EXPECT_EQ(s_written.load(), c.written);
    }
}

TEST_F(Seams, ChunkReportsADifference) {
    const std::vector<char> pattern(MemoryChunk::PATTERN_LENGTH, static_cast<char>(0xAA));
    MemoryChunk::setAfterWriteHook([](char* block, std::size_t length) { block[length - 1] = 0; });
    MemoryChunk chunk(64 * 1024);
    chunk.claim();
    EXPECT_FALSE(chunk.verify(pattern.data()));
}

// How long one lockData call takes, and whether it read.
std::pair<bool, std::chrono::steady_clock::duration> timedTouch(MemoryChunk& chunk,
                                                                unsigned long step) {
    const auto start = std::chrono::steady_clock::now();
    const bool read = chunk.lockData(step);
    return {read, std::chrono::steady_clock::now() - start};
}

TEST(MemoryChunkTest, TouchingStopsWhenAskedOrClaimed) {
    const std::vector<char> pattern(MemoryChunk::PATTERN_LENGTH, static_cast<char>(0x55));
    MemoryChunk chunk(64 << 20);
    ASSERT_FALSE(chunk.initFailed());
    EXPECT_FALSE(chunk.lockData(4096)) << "an unwritten chunk is left alone";
    chunk.claim();
    EXPECT_FALSE(chunk.lockData(4096)) << "a claimed chunk is left alone";
    ASSERT_TRUE(chunk.verify(pattern.data()));
    chunk.release();
    EXPECT_FALSE(chunk.lockData(0)) << "no step: nothing to do, no endless loop";

    // A whole touch reads every byte; once asked to stop, a touch ends at once.
    const auto [readAll, whole] = timedTouch(chunk, 1);
    EXPECT_TRUE(readAll);
    chunk.abortLockData();
    const auto [readAfterAbort, stopped] = timedTouch(chunk, 1);
    EXPECT_TRUE(readAfterAbort);
    EXPECT_LT(stopped * 20, whole) << "the touch went on after abortLockData()";

    chunk.claim();
    chunk.claim(); // claiming twice is harmless
    EXPECT_FALSE(chunk.lockData(1)) << "a claimed chunk was touched";
}

} // namespace
} // namespace orbisk_test
