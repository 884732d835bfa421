#pragma once

// Lays the working list of partition entries out disk by disk: each used
// extent once, the gaps between them as free extents.

#include "FsaPartitions.h"

#include <cstdint>
#include <vector>

struct SliceFacts {
    std::uint32_t dataBlocks = 0; // usable size, counted from block 128
    std::uint32_t driveId = 0;
    std::uint32_t type = 0; // 6: a disk the controller lays out
    bool hasMbr = false;
    std::uint8_t diskSetInfo[152] = {};
};

constexpr std::uint32_t CT_DATA_START_BLOCK = 128;

struct LayoutResult {
    std::vector<FSA_PARTITION_CACHE_ELEMENT> list;
    bool restart = false; // two in-memory entries for one extent, retry wanted
};

// `working` holds in-memory entries (states 1, 4) and on-disk entries
// (state 2), each with its slice number in the drive field; it is consumed.
// `retry` below 5 asks for a restart on twin in-memory entries.
LayoutResult CT_LayOutPartitions(std::vector<FSA_PARTITION_CACHE_ELEMENT>& working,
                                 const std::vector<SliceFacts>& slices, unsigned retry);
