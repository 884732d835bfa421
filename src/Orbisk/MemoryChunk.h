#pragma once
// One block of memory under test: a fresh mapping of its own, zero-filled
// by the kernel; a failed allocation leaves it null (no exception).
//
// Nothing touches a chunk before a pattern thread claims it, so the pattern
// pass is its first touch. Once verified, the chunk is handed back and the
// page-touching thread keeps it resident while the others are tested. The
// hand-overs go through an atomic state, so a touch and a pattern pass
// never use the block at the same time.

#include <atomic>
#include <cstddef>
#include <memory>

#include "ChunkMemory.h"

namespace VarnDiags::MemoryDevices {

class MemoryChunk {
public:
    static constexpr std::size_t PATTERN_LENGTH = 4096;

    explicit MemoryChunk(unsigned long size);
    MemoryChunk(const MemoryChunk&) = delete;
    MemoryChunk& operator=(const MemoryChunk&) = delete;

    bool initFailed() const { return m_memory.data() == nullptr; }
    unsigned long getMemSize() const { return m_size; }

    // Writes the pattern block after block and reads each back; false at
    // the first difference (details to the log). The pattern is
    // PATTERN_LENGTH bytes, cut to the chunk's size for smaller chunks; the
    // last such block of the chunk is not written.
    bool verify(const char* pattern);

    // Reads one byte every `step` bytes of a verified chunk that no pattern
    // thread holds, stopping early once abortLockData() was called. A chunk
    // not yet written is left alone: it holds no memory of its own yet, and
    // its first touch belongs to the pattern pass. True when it read.
    bool lockData(unsigned long step);
    void abortLockData();

    // Takes the chunk for verification, waiting for a touch in progress to
    // leave; release() hands it back to the page-toucher.
    void claim();
    void release();

    // Test seam: called after each pattern block is written and before it is
    // read back (null in production).
    using AfterWriteHook = void (*)(char* block, std::size_t length);
    static void setAfterWriteHook(AfterWriteHook hook);

private:
    enum State { UNWRITTEN, CLAIMED, VERIFIED, TOUCHING };

    ChunkMemory m_memory;
    unsigned long m_size;
    std::atomic<bool> m_stopTouching{false};
    std::atomic<int> m_state{UNWRITTEN};
};

} // namespace VarnDiags::MemoryDevices
