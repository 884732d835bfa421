// The memory pattern-test engine against the floors for the same memory.
//
// Engine: allocation through free (the engine has no fixed waits; the
// diagnostic's polls are left out), one pattern thread per processor (at
// most 16). Floors: a single-thread first-touch memset of the same size
// followed by a read of every byte (counter "ratio" = engine time / floor
// time, aim <= 0.5), and a first-touch memset of a huge-page mapping of the
// same size by as many threads as the engine has (counter
// "ratio_vs_hugepage_touch", reported only: no engine can beat it).
//
// Verify: the pattern pass alone over chunks already faulted in, with the
// engine's thread count, against a memset of as many pre-faulted chunks of
// the same kind with as many threads. Counter "verify_vs_memset" (aim >= 0.9).
//
//   build/release/bench/orbisk/orbisk_engine_bench
//   bench/orbisk/peers.sh   (stressapptest and memtester, for context)

#include <benchmark/benchmark.h>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "ChunkMemory.h"
#include "MemoryChunk.h"
#include "PatternTestEngine.h"

namespace {

using Clock = std::chrono::steady_clock;
using VarnDiags::MemoryDevices::ChunkMemory;
using VarnDiags::MemoryDevices::MemoryChunk;
using VarnDiags::MemoryDevices::PatternTestEngine;

constexpr unsigned long CHUNK_BYTES = PatternTestEngine::FIRST_CHUNK_KB * 1024;

int threadCount() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double engineSeconds(unsigned long totalKB) {
    const auto start = Clock::now();
    {
        PatternTestEngine engine(totalKB, threadCount());
        if (engine.start() != 0)
            std::abort();
        while (engine.getProgress() < 100)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (engine.getStatus() != PatternTestEngine::NO_FAULT)
            std::abort();
    } // joins the driver, which has freed every chunk
    return seconds(Clock::now() - start);
}

double floorSeconds(std::size_t bytes) {
    const auto start = Clock::now();
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (block == nullptr)
        std::abort();
    std::memset(block, 0xAA, bytes);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        sum += block[i];
    benchmark::DoNotOptimize(sum);
    std::free(block);
    return seconds(Clock::now() - start);
}

// The fastest first touch there is: every thread memsets its share of one
// huge-page-aligned mapping offered for huge pages.
double hugePageTouchSeconds(std::size_t bytes) {
    constexpr std::size_t HUGE_PAGE = 2u << 20;
    const auto start = Clock::now();
    void* area = ::mmap(nullptr, bytes + HUGE_PAGE, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        std::abort();
    auto* block = reinterpret_cast<unsigned char*>(
        (reinterpret_cast<std::uintptr_t>(area) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1));
    ::madvise(block, bytes, MADV_HUGEPAGE);
    const int threads = threadCount();
    const std::size_t share = (bytes / threads + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    std::vector<std::thread> workers;
    for (std::size_t from = 0; from < bytes; from += share)
        workers.emplace_back(
            [=] { std::memset(block + from, 0xAA, std::min(share, bytes - from)); });
    for (std::thread& worker : workers)
        worker.join();
    ::munmap(area, bytes + HUGE_PAGE);
    return seconds(Clock::now() - start);
}

void EngineAgainstFloor(benchmark::State& state) {
    const unsigned long totalKB = static_cast<unsigned long>(state.range(0));
    const std::size_t bytes = static_cast<std::size_t>(totalKB) * 1024;
    double engine = 0, floor = 0, hugeTouch = 0;
    for (auto _ : state) {
        const double e = engineSeconds(totalKB);
        const double f = floorSeconds(bytes);
        const double h = hugePageTouchSeconds(bytes);
        state.SetIterationTime(e);
        engine += e;
        floor += f;
        hugeTouch += h;
    }
    state.counters["floor_s"] = floor / static_cast<double>(state.iterations());
    state.counters["hugepage_touch_s"] = hugeTouch / static_cast<double>(state.iterations());
    state.counters["ratio"] = engine / floor;
    state.counters["ratio_vs_hugepage_touch"] = engine / hugeTouch;
    state.counters["threads"] = threadCount();
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}

// Runs fn(chunk) over every chunk from `threads` threads, each chunk once.
template <typename Fn>
double overChunks(std::vector<std::unique_ptr<MemoryChunk>>& chunks, int threads, Fn fn) {
    std::atomic<std::size_t> next{0};
    const auto start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (std::size_t i = next++; i < chunks.size(); i = next++)
                fn(*chunks[i], i);
        });
    for (std::thread& worker : workers)
        worker.join();
    return seconds(Clock::now() - start);
}

void VerifyAgainstPrefaultedMemset(benchmark::State& state) {
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) * 1024;
    std::vector<std::unique_ptr<MemoryChunk>> chunks;
    // The memset's blocks are mapped as the chunks are (huge pages where the
    // system gives them), so both passes see the same kind of memory.
    std::vector<std::unique_ptr<ChunkMemory>> blocks;
    for (std::size_t made = 0; made < bytes; made += CHUNK_BYTES) {
        chunks.push_back(std::make_unique<MemoryChunk>(CHUNK_BYTES));
        blocks.push_back(std::make_unique<ChunkMemory>(CHUNK_BYTES));
    }
    const std::vector<char> pattern(MemoryChunk::PATTERN_LENGTH, static_cast<char>(0xAA));
    const int threads = threadCount();
    // Fault everything in first: both passes then see resident memory.
    overChunks(chunks, threads, [&](MemoryChunk& chunk, std::size_t i) {
        chunk.claim();
        chunk.verify(pattern.data());
        std::memset(blocks[i]->data(), 0, CHUNK_BYTES);
    });
    double verify = 0, memsetTime = 0;
    for (auto _ : state) {
        const double pass = overChunks(chunks, threads, [&](MemoryChunk& chunk, std::size_t) {
            if (!chunk.verify(pattern.data()))
                std::abort();
        });
        state.SetIterationTime(pass);
        verify += pass;
        memsetTime += overChunks(chunks, threads, [&](MemoryChunk&, std::size_t i) {
            std::memset(blocks[i]->data(), 0x55, CHUNK_BYTES);
            benchmark::ClobberMemory();
        });
    }
    const double n = static_cast<double>(state.iterations());
    const double tested = static_cast<double>(chunks.size() * CHUNK_BYTES);
    state.counters["verify_Bps"] = tested * n / verify;
    state.counters["memset_Bps"] = tested * n / memsetTime;
    state.counters["verify_vs_memset"] = memsetTime / verify;
}

constexpr std::int64_t MiB64 = 64 * 1024, MiB512 = 512 * 1024;
// 2 GiB as the diagnostic tests it: its cap is one KB short.
constexpr std::int64_t GiB2 = 2097151;

// Sizes in KB, manual time, three runs each.
void memorySizes(benchmark::internal::Benchmark* benchmark) {
    for (std::int64_t kb : {MiB64, MiB512, GiB2})
        benchmark->Arg(kb);
    benchmark->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(EngineAgainstFloor)->Apply(memorySizes);
BENCHMARK(VerifyAgainstPrefaultedMemset)->Apply(memorySizes);

} // namespace

BENCHMARK_MAIN();
