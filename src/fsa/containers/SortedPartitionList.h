#pragma once

// The picture of every disk the controller sees: used extents (in memory,
// on disk or both), free extents and partitions without an extent, as one
// list of partition cache elements sorted slice by slice.

#include "Context.h"
#include "DiskSetRecords.h"
#include "FsaPartitions.h"

#include <cstdint>
#include <vector>

using PceList = std::vector<FSA_PARTITION_CACHE_ELEMENT>;

// What the list read of one disk: a slice the controller described as
// nothing at all (a zeroed answer: it may be any disk), or a disk it lays
// out, with whether its MBR and its disk set could be read. A disk not read
// fully may lack partitions in the list, or place them in no disk set.
struct DriveReading {
    std::uint32_t driveId = 0;
    bool described = true;              // the slice information named a disk
    bool mbrRead = true;                // its MBR was read (or found absent)
    bool setRead = true;                // its disk set was read; then:
    std::uint8_t diskSetInfo[152] = {}; // as each partition on it carries it
    DS_RECORD setAnswer{};              // the drive's answer, when it names a set
    bool fullyRead() const { return described && mbrRead && setRead; }
};

// Builds the list; `retry` counts the restarts after two in-memory entries
// were found for one extent (0 from outside). `drives` (when given)
// receives what was read of each disk.
PceList CT_GetSortedPartitionList(FSAAPI_CONTEXT* ctx, unsigned int retry = 0,
                                  std::vector<DriveReading>* drives = nullptr);

PceList CT_GetPCEsForPartitionsInMemory(FSAAPI_CONTEXT* ctx, std::uint32_t n);
PceList CT_GetPCEsForDiskPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t n);

// The disk-set information of a drive, 152 bytes (zero when the drive is in
// no disk set, or when it cannot be read: then the result is false), and the
// answer it was made from.
bool CT_ReadDriveDiskSetInfo(FSAAPI_CONTEXT* ctx, std::uint32_t driveId, std::uint8_t* out152,
                             DS_RECORD* answer);

// Largest partition table the library accepts from the controller; larger
// counts are refused as an unreadable table.
constexpr std::uint32_t CT_MAX_PARTITION_ENTRIES = 4096;
