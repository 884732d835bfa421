#include "MemoryChunk.h"

#include <cstdlib>
#include <cstring>
#include <thread>

#include "System/LogStreams.h"

namespace VarnDiags::MemoryDevices {

using System::logLine;

namespace {

std::atomic<MemoryChunk::AfterWriteHook> s_afterWrite{nullptr};

} // namespace

void MemoryChunk::Free::operator()(char* p) const {
    std::free(p);
}

// The block is zero-filled by hand rather than by calloc: calloc leaves
// fresh pages unmapped, so the page-toucher would fault in the shared zero
// page and every pattern write would fault a second time. Writing now maps
// each page once, and the toucher then keeps resident pages resident.
MemoryChunk::MemoryChunk(unsigned long size)
    : m_data(static_cast<char*>(std::malloc(size != 0 ? size : 1))), m_size(size) {
    if (m_data)
        std::memset(m_data.get(), 0, size);
}

void MemoryChunk::setAfterWriteHook(AfterWriteHook hook) {
    s_afterWrite = hook;
}

bool MemoryChunk::verify(const char* pattern) {
    if (initFailed())
        return false;
    const std::size_t length = m_size < PATTERN_LENGTH ? m_size : PATTERN_LENGTH;
    const AfterWriteHook afterWrite = s_afterWrite;
    char* position = m_data.get();
    for (unsigned long tested = 0; tested < m_size - length; tested += length, position += length) {
        std::memcpy(position, pattern, length);
        if (afterWrite != nullptr)
            afterWrite(position, length);
        if (std::memcmp(position, pattern, length) != 0) {
            logLine(pLogFile0, "MemoryChunk::verify() lenPattern = ", length);
            logLine(pLogFile0, "MemoryChunk::verify() m_memSize = ", m_size,
                    " memBytesTested = ", tested);
            logLine(pLogFile0, "pCurrrentlyTestingMem = ", static_cast<const void*>(position));
            logLine(pLogFile0, "pPattern = ", static_cast<const void*>(pattern));
            return false;
        }
    }
    return true;
}

void MemoryChunk::lockData(unsigned long step) {
    if (initFailed() || step == 0)
        return;
    int idle = IDLE;
    if (!m_state.compare_exchange_strong(idle, TOUCHING, std::memory_order_acquire))
        return;
    const volatile char* data = m_data.get();
    for (unsigned long offset = 0;
         offset < m_size && !m_stopTouching.load(std::memory_order_relaxed); offset += step)
        (void)data[offset];
    m_state.store(IDLE, std::memory_order_release);
}

void MemoryChunk::abortLockData() {
    logLine(pLogFile0, "MemoryChunk::abortLockData()");
    m_stopTouching = true;
}

void MemoryChunk::claim() {
    m_stopTouching = true;
    int idle = IDLE;
    while (!m_state.compare_exchange_weak(idle, CLAIMED, std::memory_order_acquire)) {
        if (idle == CLAIMED)
            return;
        idle = IDLE;
        std::this_thread::yield();
    }
}

} // namespace VarnDiags::MemoryDevices
