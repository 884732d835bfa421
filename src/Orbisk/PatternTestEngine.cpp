#include "PatternTestEngine.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include "System/LogStreams.h"

namespace VarnDiags::MemoryDevices {

using System::logLine;

namespace {

constexpr float ALLOCATION_SHARE = 12;
constexpr float PATTERN_SHARE = 76;
constexpr float PATTERN_DONE = ALLOCATION_SHARE + PATTERN_SHARE;
constexpr float FREEING_SHARE = 12;
constexpr float COMPLETE = 100;
constexpr unsigned char PATTERN_BYTE = 0xAA;

std::atomic<int> s_refusedThread{-1};

} // namespace

PatternTestEngine::PatternTestEngine(unsigned long totalKB, int patternThreads,
                                     unsigned long firstChunkKB)
    : m_totalKB(totalKB), m_patternThreadCount(std::max(1, patternThreads)),
      m_firstChunkKB(std::max(SMALLEST_CHUNK_KB, firstChunkKB)) {}

PatternTestEngine::~PatternTestEngine() {
    if (m_driver.joinable()) {
        logLine(pLogFile0,
                "MemoryDevice::~MemoryDevice() Waiting for StartMemTestThread to complete.");
        m_driver.join();
        logLine(pLogFile0,
                "MemoryDevice::~MemoryDevice() StartMemTestThread completed and closed handle.");
    }
}

void PatternTestEngine::refuseThreadStart(int n) {
    s_refusedThread = n;
}

bool PatternTestEngine::threadMayStart(int n) const {
    return s_refusedThread.load() != n;
}

int PatternTestEngine::start() {
    if (m_driver.joinable())
        return 1;
    try {
        m_driver = std::thread(&PatternTestEngine::driver, this);
    } catch (const std::system_error&) {
        return 1;
    }
    return 0;
}

void PatternTestEngine::abort() {
    logLine(pLogFile0, "MemoryDevice::abortMemoryPatternTest()");
    m_abort = true;
}

int PatternTestEngine::getProgress() {
    m_progressMutex.lock();
    const float progress = m_progress;
    m_progressMutex.unLock();
    return static_cast<int>(progress);
}

// Progress only moves forward, and never past 100.
void PatternTestEngine::setProgress(float value) {
    m_progressMutex.lock();
    m_progress = std::min(COMPLETE, std::max(m_progress, value));
    m_progressMutex.unLock();
}

void PatternTestEngine::addProgress(float value) {
    m_progressMutex.lock();
    m_progress = std::min(COMPLETE, m_progress + std::max(0.0f, value));
    m_progressMutex.unLock();
}

void PatternTestEngine::driver() {
    if (startWorkers()) {
        if (allocMemory()) {
            logLine(pLogFile0, "MemoryDevice::startMemoryTestFunction():: allocMemory succeeded");
        } else if (m_abort) {
            logLine(pLogFile0, "MemoryDevice::startMemoryTestFunction():: allocMemor ABORTED");
        } else {
            m_status = ALLOCATION_FAILED;
            m_abort = true;
            logLine(pLogFile0, "MemoryDevice::startMemoryTestFunction():: allocMemory FAILED");
        }
        m_chunkTotal = m_chunks.size();
        m_patternCursor = 0;
        m_touchCursor = 0;
    } else {
        m_status = THREAD_FAILED;
        m_abort = true; // the threads already waiting end at once
    }
    m_startGate.signal(0);
    cleanup();
}

bool PatternTestEngine::startWorkers() {
    try {
        if (!threadMayStart(0))
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        m_toucher = std::thread(&PatternTestEngine::touchPages, this);
    } catch (const std::system_error&) {
        logLine(pLogFile0, "MemoryDevice::startMemoryTestFunction():: m_hMemLockThread = ", 0);
        return false;
    }
    for (int index = 0; index < m_patternThreadCount; ++index) {
        try {
            if (!threadMayStart(index + 1))
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            m_patternThreads.emplace_back(&PatternTestEngine::testPatterns, this);
        } catch (const std::system_error&) {
            logLine(pLogFile0, "MemoryDevice::startMemoryTestFunction():: m_hPatternTestThreads[",
                    index, "] = ", 0);
            return false;
        }
    }
    return true;
}

bool PatternTestEngine::allocMemory() {
    m_chunks.clear();
    unsigned long allocated = 0;
    try {
        unsigned long chunkKB = m_firstChunkKB;
        while (allocated < m_totalKB && chunkKB >= SMALLEST_CHUNK_KB && !m_abort) {
            std::unique_ptr<MemoryChunk> chunk(new (std::nothrow) MemoryChunk(chunkKB * 1024));
            if (!chunk || chunk->initFailed()) {
                chunkKB /= 2;
                continue;
            }
            m_chunks.push_back(std::move(chunk));
            allocated += chunkKB;
            logLine(pLogFile0, "MemoryDevice::allocMemory() Allocated: ", allocated, "KB");
            // The last chunk may overshoot the total; its share may not.
            setProgress(std::min(ALLOCATION_SHARE, static_cast<float>(allocated) /
                                                       static_cast<float>(m_totalKB) *
                                                       ALLOCATION_SHARE));
        }
        logLine(pLogFile0, "MemoryDevice::allocMemory() Should Allocate: ", m_totalKB);
        logLine(pLogFile0, "MemoryDevice::allocMemory() Allocated: ", allocated);
        logLine(pLogFile0, "MemoryDevice::allocMemory() abort = ", m_abort.load());
    } catch (const std::bad_alloc&) {
        return false; // not even the bookkeeping fits: certainly not enough memory
    }
    return static_cast<double>(allocated) >= static_cast<double>(m_totalKB) * 95 * 0.01 && !m_abort;
}

void PatternTestEngine::deAllocMemory() {
    logLine(pLogFile0, "MemoryDevice::deAllocMemory() abort = ", m_abort.load());
    const float share = m_chunks.size() >= 2 ? 1.0f / static_cast<float>(m_chunks.size()) : 1.0f;
    for (auto& chunk : m_chunks) {
        chunk.reset();
        addProgress(share * FREEING_SHARE);
    }
    m_chunks.clear();
}

void PatternTestEngine::cleanup() {
    for (std::thread& thread : m_patternThreads) {
        logLine(pLogFile0,
                "MemoryDevice::cleanup() Before waiting for Pattern Thread = ", thread.get_id(),
                " to Quit Abort = ", m_abort.load());
        thread.join();
        logLine(pLogFile0, "MemoryDevice::cleanup() After waiting for Pattern Thread = ",
                " to Quit Abort = ", m_abort.load());
    }
    m_patternThreads.clear();
    if (m_toucher.joinable()) {
        logLine(pLogFile0,
                "MemoryDevice::cleanup() Before waiting for Lock Thread = ", m_toucher.get_id(),
                " to Quit Abort = ", m_abort.load());
        m_toucher.join();
        logLine(pLogFile0, "MemoryDevice::cleanup() After waiting for Lock Thread = ",
                " to Quit Abort = ", m_abort.load());
    }
    deAllocMemory();
    setProgress(COMPLETE);
}

void PatternTestEngine::touchPages() {
    logLine(pLogFile0, "MemoryDevice::lockMemoryFunction() before waiting to allocate");
    m_startGate.wait();
    logLine(pLogFile0, "MemoryDevice::lockMemoryFunction() after waiting to allocate");
    const std::size_t total = m_chunkTotal;
    auto running = [&] { return !m_abort && !m_stopTouching && m_patternCursor.load() < total; };
    while (running()) {
        bool touched = false;
        for (std::size_t index = 0; index < total && running(); ++index) {
            m_touchCursor = index;
            touched = m_chunks[index]->lockData(TOUCH_STEP) || touched;
        }
        // Nothing verified yet: leave the processors to the pattern threads.
        if (!touched)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    logLine(pLogFile0, "MemoryDevice::lockMemoryFunction() Completed. m_abort = ", m_abort.load());
}

void PatternTestEngine::testPatterns() {
    std::vector<char> pattern(MemoryChunk::PATTERN_LENGTH, static_cast<char>(PATTERN_BYTE));
    m_startGate.wait();
    const std::size_t total = m_chunkTotal;
    const float share = total != 0 ? PATTERN_SHARE / static_cast<float>(total) : 0;
    while (!m_abort && m_status != PATTERN_MISMATCH && m_patternCursor.load() < total) {
        m_chunkMutex.lock();
        const std::size_t index = m_patternCursor.load();
        if (index >= total) {
            m_chunkMutex.unLock();
            break;
        }
        m_patternCursor = index + 1;
        // Set, not added: a thread that found nothing left to claim may
        // already have raised progress to 88.
        setProgress(ALLOCATION_SHARE + share * static_cast<float>(index + 1));
        m_chunkMutex.unLock();

        MemoryChunk& chunk = *m_chunks[index];
        chunk.claim();
        const bool matched = chunk.verify(pattern.data());
        chunk.release();
        if (!matched) {
            m_status = PATTERN_MISMATCH;
            break;
        }
    }
    setProgress(PATTERN_DONE);
    // Every pattern thread ends here: no chunk is handed out any more, and
    // the page-toucher leaves its pass.
    m_chunkMutex.lock();
    m_patternCursor = total;
    m_chunkMutex.unLock();
    m_stopTouching = true;
    const std::size_t touching = m_touchCursor.load();
    if (touching < total)
        m_chunks[touching]->abortLockData();
    logLine(pLogFile0, "MemoryDevice::patternTestFunction() Before Delete pPattern. Thread = ",
            std::this_thread::get_id());
    pattern.clear();
    logLine(pLogFile0,
            "MemoryDevice::patternTestFunction() Completed. Thread = ", std::this_thread::get_id());
}

} // namespace VarnDiags::MemoryDevices
