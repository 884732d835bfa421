#pragma once

// The picture of every disk the controller sees: used extents (in memory,
// on disk or both), free extents and partitions without an extent, as one
// list of partition cache elements sorted slice by slice.

#include "Context.h"
#include "FsaPartitions.h"

#include <cstdint>
#include <vector>

using PceList = std::vector<FSA_PARTITION_CACHE_ELEMENT>;

// Builds the list; `retry` counts the restarts after two in-memory entries
// were found for one extent (0 from outside).
PceList CT_GetSortedPartitionList(FSAAPI_CONTEXT* ctx, unsigned int retry = 0);

PceList CT_GetPCEsForPartitionsInMemory(FSAAPI_CONTEXT* ctx, std::uint32_t n);
PceList CT_GetPCEsForDiskPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t n);

// The disk-set information of a drive, 152 bytes (zero when the drive is in
// no disk set).
void CT_ReadDriveDiskSetInfo(FSAAPI_CONTEXT* ctx, std::uint32_t driveId, std::uint8_t* out152);

// Largest partition table the library accepts from the controller; larger
// counts are refused as an unreadable table.
constexpr std::uint32_t CT_MAX_PARTITION_ENTRIES = 4096;
