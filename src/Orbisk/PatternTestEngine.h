#pragma once
// The memory pattern test: a driver thread allocates the memory to test in
// chunks of up to 16 MB (fresh zero-filled mappings, untouched until the
// start gate opens), one pattern thread per processor writes and reads back
// a fixed pattern over every chunk, and a page-touching thread keeps the
// chunks already verified resident while the rest is tested. Progress runs 0-12 while allocating,
// up to 88 while verifying, about 100 after freeing and exactly 100 when the driver ends; it never
// goes down. The device status is final before progress reaches 100.
//
// Each chunk is claimed by one pattern thread under the chunk mutex (the
// cursor moves on and the chunk's share of progress is added at the claim)
// and verified outside it, so chunks are verified in parallel. A mismatch
// stops every pattern thread.

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "MemoryChunk.h"
#include "System/DEvent.h"
#include "System/DMutex.h"

namespace VarnDiags::MemoryDevices {

class PatternTestEngine {
public:
    enum DeviceStatus {
        NO_FAULT = 0,
        THREAD_FAILED = 1,
        ALLOCATION_FAILED = 2,
        PATTERN_MISMATCH = 3
    };
    static constexpr unsigned long FIRST_CHUNK_KB = 16384;
    static constexpr unsigned long SMALLEST_CHUNK_KB = 100;
    static constexpr unsigned long TOUCH_STEP = 4096;

    // totalKB: memory to test; patternThreads: at least 1; firstChunkKB: the
    // chunk size tried first (halved on each failed allocation).
    PatternTestEngine(unsigned long totalKB, int patternThreads,
                      unsigned long firstChunkKB = FIRST_CHUNK_KB);
    // Waits for the driver. Never delete an engine from its own threads.
    ~PatternTestEngine();
    PatternTestEngine(const PatternTestEngine&) = delete;
    PatternTestEngine& operator=(const PatternTestEngine&) = delete;

    // Starts the driver thread: 0 started, 1 not (a second start is refused).
    int start();
    void abort();
    // Per cent, truncated toward zero.
    int getProgress();
    int getStatus() const { return m_status; }

    // Test seam: refuse to start thread number n of a run (0 the page-toucher,
    // 1.. the pattern threads, in start order); -1 refuses none.
    static void refuseThreadStart(int n);

private:
    void driver();
    bool startWorkers();
    bool allocMemory();
    void deAllocMemory();
    void cleanup();
    void touchPages();
    void testPatterns();
    bool threadMayStart(int n) const;
    void setProgress(float value);
    void addProgress(float value);

    const unsigned long m_totalKB;
    const int m_patternThreadCount;
    const unsigned long m_firstChunkKB;

    std::vector<std::unique_ptr<MemoryChunk>> m_chunks; // fixed once the gate opens
    std::size_t m_chunkTotal = 0;                       // chunk count the threads see

    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_stopTouching{false};
    std::atomic<int> m_status{NO_FAULT};
    std::atomic<std::size_t> m_patternCursor{0}; // written under m_chunkMutex only
    std::atomic<std::size_t> m_touchCursor{0};

    System::DMutex m_chunkMutex;
    System::DMutex m_progressMutex;
    float m_progress = 0;
    System::DEvent m_startGate;

    std::thread m_driver;
    std::thread m_toucher;
    std::vector<std::thread> m_patternThreads;
};

} // namespace VarnDiags::MemoryDevices
