// The controller's global read and write caches and what each container
// slot holds in them.
#pragma once

#include <array>
#include <cstdint>
#include <map>

namespace qorsim {

// One container slot of the cache statistics: 23 words; 2 raw buffers held,
// 3 dirty buffers, 4 and 5 activity (bits 0 and 1 of 5: write-cache use).
using CacheSlot = std::array<std::uint32_t, 23>;

struct CacheModel {
    // Statistics header words: 1 read maximum, 3 read minimum, 4 write
    // minimum, 5 read size, 6 write maximum, 8 write size; the others are
    // passed through as they are.
    std::array<std::uint32_t, 20> header{};
    std::map<std::uint32_t, CacheSlot> slots; // by container number
    std::uint32_t sizeStatus = 218;           // CT status of SET_CACHE_SIZE
    std::uint32_t setStatus = 264;            // of CACHE_SET
    std::uint32_t statStatus = 218;           // of CACHE_STAT

    CacheModel() {
        header[1] = 0x4000; // read maximum
        header[3] = 0x100;  // read minimum
        header[4] = 0x100;  // write minimum
        header[5] = 0x1000; // read size
        header[6] = 0x4000; // write maximum
        header[8] = 0x2000; // write size
    }
};

} // namespace qorsim
