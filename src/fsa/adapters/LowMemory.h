#pragma once

// Memory whose address fits a 32-bit field of a controller record: the
// controller writes into it by that address.

#include <cstddef>
#include <memory>

namespace fsa {

class OsPort;

// Unmaps through the port that mapped the memory.
struct LowMemoryRelease {
    std::size_t bytes;
    OsPort* port;
    void operator()(void* p) const;
};
using LowMemory = std::unique_ptr<void, LowMemoryRelease>;

// Page-aligned and zeroed; empty when no such memory can be had.
LowMemory allocateLowMemory(std::size_t bytes);

} // namespace fsa
