#pragma once

// The controller's partition-table entry and the partition cache element
// that describes one extent of a disk (used, free or only in memory).

#include <cstdint>

// One 160-byte partition-table entry as the controller stores it.
struct Partition {
    std::uint8_t bytes[160];
};
static_assert(sizeof(Partition) == 160, "a partition-table entry is 160 bytes");

enum FSA_PCE_STATE : std::uint32_t {
    FSA_PCE_IN_MEMORY = 1,
    FSA_PCE_ON_DISK = 2,
    FSA_PCE_MEMORY_AND_DISK = 3,
    FSA_PCE_NO_EXTENT = 4,
    FSA_PCE_FREE = 5,
    FSA_PCE_TAKEN = 6,
    FSA_PCE_USED_NO_MBR = 7,
    FSA_PCE_FREE_NO_MBR = 8,
};

struct FSA_PARTITION_CACHE_ELEMENT {
    Partition partition;
    std::uint32_t state;
    std::uint8_t diskSetInfo[152]; // the disk's disk-set information
    std::uint32_t clusterView;     // 0xFFFFFFFF when made, 0 after the cluster adjustment
    std::uint8_t reserved[76];
};
static_assert(sizeof(FSA_PARTITION_CACHE_ELEMENT) == 396, "a partition cache element is 396 bytes");
