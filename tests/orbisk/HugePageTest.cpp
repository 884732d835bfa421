// Chunk memory and huge pages: large chunks start on a huge-page boundary
// and are offered to the kernel for huge pages; where the system refuses
// huge pages to the process, the pattern test still runs to the end and
// still finds a mismatch.

#include <gtest/gtest.h>

#include <sys/prctl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChunkMemory.h"
#include "MemoryChunk.h"
#include "PatternTestEngine.h"

namespace orbisk_test {
namespace {

using namespace std::chrono_literals;
using VarnDiags::MemoryDevices::ChunkMemory;
using VarnDiags::MemoryDevices::MemoryChunk;
using VarnDiags::MemoryDevices::PatternTestEngine;

constexpr unsigned long CHUNK_KB = 16384;
constexpr unsigned long RUN_KB = 4 * CHUNK_KB;

// The word in brackets of the system's huge-page mode: "always", "madvise",
// "never", or empty when the system has no such setting.
std::string systemHugePageMode() {
    std::ifstream file("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    std::getline(file, line);
    const auto open = line.find('['), close = line.find(']');
    return open == std::string::npos || close == std::string::npos
               ? std::string()
               : line.substr(open + 1, close - open - 1);
}

// The kernel's verdict whether the mapping holding `address` may get huge
// pages: 1 or 0, -1 when it does not say.
int hugePageEligible(const void* address) {
    const auto wanted = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t begin = 0, end = 0;
        char dash = 0;
        std::istringstream head(line);
        if (head >> std::hex >> begin >> dash >> end && dash == '-') {
            inside = begin <= wanted && wanted < end;
            continue;
        }
        if (inside && line.rfind("THPeligible:", 0) == 0)
            return std::stoi(line.substr(12));
    }
    return -1;
}

std::atomic<char*> s_firstBlock{nullptr};
std::atomic<int> s_eligible{-2}; // -2: not looked at yet
std::atomic<int> s_writes{0};
std::atomic<int> s_spoilAt{-1};

// Notes the first block written and, once, what the kernel says about its
// mapping; spoils the s_spoilAt-th block written.
void observeBlock(char* block, std::size_t) {
    char* none = nullptr;
    if (s_firstBlock.compare_exchange_strong(none, block))
        s_eligible = hugePageEligible(block);
    if (++s_writes == s_spoilAt.load())
        block[100] ^= 0x10;
}

class HugePages : public ::testing::Test {
protected:
    void SetUp() override {
        s_firstBlock = nullptr;
        s_eligible = -2;
        s_writes = 0;
        s_spoilAt = -1;
        MemoryChunk::setAfterWriteHook(observeBlock);
    }
    void TearDown() override {
        MemoryChunk::setAfterWriteHook(nullptr);
        prctl(PR_SET_THP_DISABLE, 0, 0, 0, 0);
    }

    // Runs the engine to 100 and returns its final status.
    static int runEngine(int threads) {
        PatternTestEngine engine(RUN_KB, threads);
        if (engine.start() != 0)
            return -1;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (engine.getProgress() < 100 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return engine.getProgress() == 100 ? engine.getStatus() : -1;
    }
};

TEST_F(HugePages, LargeChunkStartsOnAHugePageBoundary) {
    const std::vector<char> pattern(MemoryChunk::PATTERN_LENGTH, static_cast<char>(0xAA));
    MemoryChunk chunk(CHUNK_KB * 1024);
    ASSERT_FALSE(chunk.initFailed());
    chunk.claim();
    EXPECT_TRUE(chunk.verify(pattern.data()));
    ASSERT_NE(s_firstBlock.load(), nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s_firstBlock.load()) % ChunkMemory::hugePageSize(),
              0u);
}

TEST_F(HugePages, LargeChunkIsOfferedForHugePagesWhereTheSystemGivesThem) {
    const std::string mode = systemHugePageMode();
    if (mode != "always" && mode != "madvise")
        GTEST_SKIP() << "the system gives no huge pages on request (mode '" << mode << "')";
    const std::vector<char> pattern(MemoryChunk::PATTERN_LENGTH, static_cast<char>(0xAA));
    MemoryChunk chunk(CHUNK_KB * 1024);
    ASSERT_FALSE(chunk.initFailed());
    chunk.claim();
    EXPECT_TRUE(chunk.verify(pattern.data()));
    EXPECT_EQ(s_eligible.load(), 1);
}

TEST_F(HugePages, RefusedHugePagesStillTestAllMemory) {
    ASSERT_EQ(prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0), 0) << "cannot refuse huge pages here";
    EXPECT_EQ(runEngine(4), PatternTestEngine::NO_FAULT);
    // Every block but the last of each chunk was written and read back.
    const int blocksPerChunk = static_cast<int>(CHUNK_KB / 4);
    EXPECT_EQ(s_writes.load(), static_cast<int>(RUN_KB / CHUNK_KB) * (blocksPerChunk - 1));
    // The refusal took effect: the chunks stayed on small pages.
    EXPECT_NE(s_eligible.load(), 1);
}

TEST_F(HugePages, RefusedHugePagesStillFindAMismatch) {
    ASSERT_EQ(prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0), 0) << "cannot refuse huge pages here";
    s_spoilAt = 3000;
    EXPECT_EQ(runEngine(2), PatternTestEngine::PATTERN_MISMATCH);
}

} // namespace
} // namespace orbisk_test
