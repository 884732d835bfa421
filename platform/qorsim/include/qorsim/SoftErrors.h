// The controller's soft-error reporting: its switch and the disks it lists.
#pragma once

#include <cstdint>
#include <vector>

namespace qorsim {

struct SoftErrorDisk {
    std::uint8_t bus = 0, target = 0, lun = 0;
    std::uint8_t flags = 0; // bits 0 and 1
};

struct SoftErrors {
    std::uint32_t state = 0;        // 0, 1 or 2
    std::uint32_t forcedResult = 0; // non-zero: the result word of every answer
    std::vector<SoftErrorDisk> disks;
    std::uint32_t pageLimit = 28; // entries the controller returns at most per page
};

} // namespace qorsim
