#include "LowMemory.h"

#include "OsPort.h"

#include <cstdint>
#include <sys/mman.h>

namespace fsa {

void LowMemoryRelease::operator()(void* p) const {
    port->unmapMemory(p, bytes);
}

LowMemory allocateLowMemory(std::size_t bytes) {
    OsPort& port = osPort();
    void* p = port.mapLowMemory(bytes);
    if (p == MAP_FAILED)
        return LowMemory(nullptr, LowMemoryRelease{bytes, &port});
    LowMemory memory(p, LowMemoryRelease{bytes, &port});
    // Where the system cannot ask for low memory the address decides.
    if (reinterpret_cast<std::uintptr_t>(p) + bytes > std::uintptr_t{0xFFFFFFFF})
        memory.reset();
    return memory;
}

} // namespace fsa
