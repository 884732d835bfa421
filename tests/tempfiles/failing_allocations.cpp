#include "failing_allocations.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_failFrom{SIZE_MAX};
std::atomic<std::size_t> g_failuresLeft{0};

bool failing(std::size_t size) {
    if (size < g_failFrom.load(std::memory_order_relaxed))
        return false;
    std::size_t left = g_failuresLeft.load();
    while (left > 0 && !g_failuresLeft.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

void* allocate(std::size_t size) {
    if (failing(size))
        throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

void* allocateOrNull(std::size_t size) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

namespace kortest {

FailingAllocations::FailingAllocations(std::size_t atLeast, std::size_t times) {
    g_failuresLeft = times;
    g_failFrom = atLeast;
}

FailingAllocations::~FailingAllocations() {
    g_failFrom = SIZE_MAX;
    g_failuresLeft = 0;
}

} // namespace kortest

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
