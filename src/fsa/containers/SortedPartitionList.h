#pragma once

// The picture of every disk the controller sees: used extents (in memory,
// on disk or both), free extents and partitions without an extent, as one
// list of partition cache elements sorted slice by slice.

#include "Context.h"
#include "FsaPartitions.h"

#include <cstdint>
#include <vector>

using PceList = std::vector<FSA_PARTITION_CACHE_ELEMENT>;

// A disk whose MBR or disk set could not be read while the list was built:
// the list may lack partitions on it, or place them in no disk set.
struct UnreadDrive {
    std::uint32_t driveId = 0;
    bool setRead = false;               // its disk set was read; then:
    std::uint8_t diskSetInfo[152] = {}; // as each partition on it carries it
};

// Builds the list; `retry` counts the restarts after two in-memory entries
// were found for one extent (0 from outside). `unread` (when given)
// receives the disks whose facts could not be read.
PceList CT_GetSortedPartitionList(FSAAPI_CONTEXT* ctx, unsigned int retry = 0,
                                  std::vector<UnreadDrive>* unread = nullptr);

PceList CT_GetPCEsForPartitionsInMemory(FSAAPI_CONTEXT* ctx, std::uint32_t n);
PceList CT_GetPCEsForDiskPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t n);

// The disk-set information of a drive, 152 bytes (zero when the drive is in
// no disk set, or when it cannot be read: then the result is false).
bool CT_ReadDriveDiskSetInfo(FSAAPI_CONTEXT* ctx, std::uint32_t driveId, std::uint8_t* out152);

// Largest partition table the library accepts from the controller; larger
// counts are refused as an unreadable table.
constexpr std::uint32_t CT_MAX_PARTITION_ENTRIES = 4096;
