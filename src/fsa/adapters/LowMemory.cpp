#include "LowMemory.h"

#include <cstdint>
#include <sys/mman.h>

namespace fsa {

void LowMemoryRelease::operator()(void* p) const {
    munmap(p, bytes);
}

namespace {
#ifdef MAP_32BIT
constexpr int kLowFlag = MAP_32BIT;
#else
constexpr int kLowFlag = 0; // the address is checked below
#endif
} // namespace

LowMemory allocateLowMemory(std::size_t bytes) {
    void* p =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | kLowFlag, -1, 0);
    if (p == MAP_FAILED)
        return LowMemory(nullptr, LowMemoryRelease{bytes});
    LowMemory memory(p, LowMemoryRelease{bytes});
    if (reinterpret_cast<std::uintptr_t>(p) + bytes > std::uintptr_t{0xFFFFFFFF})
        memory.reset();
    return memory;
}

} // namespace fsa
