#include "MemoryChunk.h"

#include <cstdint>
#include <cstring>
#include <thread>

#include "System/LogStreams.h"

namespace VarnDiags::MemoryDevices {

using System::logLine;

namespace {

std::atomic<MemoryChunk::AfterWriteHook> s_afterWrite{nullptr};

// The pattern pass moves as much memory as a memset of the chunk, so its
// copy and compare run in the widest lanes the processor has: the compare
// only asks "equal?", which needs no byte order as memcmp's answer does.
using Lanes = std::uint64_t __attribute__((vector_size(32)));

// The bodies are inlined into a plain and an AVX2 copy, picked once from
// what the processor reports. No ifunc resolver: one runs before the
// sanitizer runtimes are set up and would crash an instrumented build.
#define KOR_LANE_BODY inline __attribute__((always_inline))

KOR_LANE_BODY void copyLanes(char* block, const char* pattern, std::size_t length) {
    std::size_t i = 0;
    for (; i + sizeof(Lanes) <= length; i += sizeof(Lanes)) {
        Lanes lane;
        std::memcpy(&lane, pattern + i, sizeof lane);
        std::memcpy(block + i, &lane, sizeof lane);
    }
    std::memcpy(block + i, pattern + i, length - i);
}

KOR_LANE_BODY bool compareLanes(const char* block, const char* pattern, std::size_t length) {
    Lanes difference = {};
    std::size_t i = 0;
    for (; i + sizeof(Lanes) <= length; i += sizeof(Lanes)) {
        Lanes written, expected;
        std::memcpy(&written, block + i, sizeof written);
        std::memcpy(&expected, pattern + i, sizeof expected);
        difference |= written ^ expected;
    }
    if ((difference[0] | difference[1] | difference[2] | difference[3]) != 0)
        return false;
    return std::memcmp(block + i, pattern + i, length - i) == 0;
}

#if defined(__x86_64__) && !defined(__clang__)
__attribute__((target("avx2"))) void copyLanesAvx2(char* block, const char* pattern,
                                                   std::size_t length) {
    copyLanes(block, pattern, length);
}

__attribute__((target("avx2"))) bool compareLanesAvx2(const char* block, const char* pattern,
                                                      std::size_t length) {
    return compareLanes(block, pattern, length);
}

const bool s_hasAvx2 = __builtin_cpu_supports("avx2");

// Plain lane stores, even where the processor has fast string moves: on an
// 8-core EPYC a "rep movsb" of each block ran the pass at 0.65-0.8 of a
// memset of the same memory, the lane copy at 0.9-1.0, as fast as the lane
// stores alone save for the read-back. Non-temporal stores, memset's way at
// this size, would send that read-back to memory (0.35-0.5).
void writeBlock(char* block, const char* pattern, std::size_t length) {
    if (s_hasAvx2)
        copyLanesAvx2(block, pattern, length);
    else
        copyLanes(block, pattern, length);
}

bool blockMatches(const char* block, const char* pattern, std::size_t length) {
    return s_hasAvx2 ? compareLanesAvx2(block, pattern, length)
                     : compareLanes(block, pattern, length);
}
#else
void writeBlock(char* block, const char* pattern, std::size_t length) {
    copyLanes(block, pattern, length);
}

bool blockMatches(const char* block, const char* pattern, std::size_t length) {
    return compareLanes(block, pattern, length);
}
#endif

} // namespace

MemoryChunk::MemoryChunk(unsigned long size) : m_memory(size), m_size(size) {}

void MemoryChunk::setAfterWriteHook(AfterWriteHook hook) {
    s_afterWrite = hook;
}

bool MemoryChunk::verify(const char* pattern) {
    if (initFailed())
        return false;
    const std::size_t length = m_size < PATTERN_LENGTH ? m_size : PATTERN_LENGTH;
    const AfterWriteHook afterWrite = s_afterWrite;
    char* position = m_memory.data();
    for (unsigned long tested = 0; tested < m_size - length; tested += length, position += length) {
        writeBlock(position, pattern, length);
        // The compiler may not take the bytes just written for granted:
        // they are read back from memory.
        asm volatile("" ::: "memory");
        if (afterWrite != nullptr)
            afterWrite(position, length);
        if (!blockMatches(position, pattern, length)) {
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

bool MemoryChunk::lockData(unsigned long step) {
    if (initFailed() || step == 0)
        return false;
    int verified = VERIFIED;
    if (!m_state.compare_exchange_strong(verified, TOUCHING, std::memory_order_acquire))
        return false;
    const volatile char* data = m_memory.data();
    for (unsigned long offset = 0;
         offset < m_size && !m_stopTouching.load(std::memory_order_relaxed); offset += step)
        (void)data[offset];
    m_state.store(VERIFIED, std::memory_order_release);
    return true;
}

void MemoryChunk::abortLockData() {
    logLine(pLogFile0, "MemoryChunk::abortLockData()");
    m_stopTouching = true;
}

void MemoryChunk::claim() {
    int state = m_state.load(std::memory_order_relaxed);
    while (state != CLAIMED) {
        if (state == TOUCHING) {
            std::this_thread::yield();
            state = m_state.load(std::memory_order_relaxed);
            continue;
        }
        if (m_state.compare_exchange_weak(state, CLAIMED, std::memory_order_acquire))
            return;
    }
}

void MemoryChunk::release() {
    m_state.store(VERIFIED, std::memory_order_release);
}

} // namespace VarnDiags::MemoryDevices
