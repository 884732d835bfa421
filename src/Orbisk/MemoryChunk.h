#pragma once
// One block of memory under test. The block is zero-filled when allocated;
// a failed allocation leaves it null (no exception).
//
// A chunk is touched by the page-touching thread until a pattern thread
// claims it; from then on only that pattern thread uses the block. The
// hand-over goes through an atomic state, so the two never use the block at
// the same time: the claimer stops a touch in progress and waits for it to
// leave.

#include <atomic>
#include <cstddef>
#include <memory>

namespace VarnDiags::MemoryDevices {

class MemoryChunk {
public:
    static constexpr std::size_t PATTERN_LENGTH = 4096;

    explicit MemoryChunk(unsigned long size);
    MemoryChunk(const MemoryChunk&) = delete;
    MemoryChunk& operator=(const MemoryChunk&) = delete;

    bool initFailed() const { return m_data == nullptr; }
    unsigned long getMemSize() const { return m_size; }

    // Writes the pattern block after block and reads each back; false at
    // the first difference (details to the log). The pattern is
    // PATTERN_LENGTH bytes, cut to the chunk's size for smaller chunks; the
    // last such block of the chunk is not written.
    bool verify(const char* pattern);

    // Reads one byte every `step` bytes unless a pattern thread has claimed
    // the chunk, stopping early once abortLockData() was called.
    void lockData(unsigned long step);
    void abortLockData();

    // Takes the chunk for verification: stops a touch in progress and waits
    // for it to leave. A claimed chunk is never touched again.
    void claim();

    // Test seam: called after each pattern block is written and before it is
    // read back (null in production).
    using AfterWriteHook = void (*)(char* block, std::size_t length);
    static void setAfterWriteHook(AfterWriteHook hook);

private:
    enum State { IDLE, TOUCHING, CLAIMED };
    struct Free {
        void operator()(char* p) const;
    };

    std::unique_ptr<char, Free> m_data;
    unsigned long m_size;
    std::atomic<bool> m_stopTouching{false};
    std::atomic<int> m_state{IDLE};
};

} // namespace VarnDiags::MemoryDevices
