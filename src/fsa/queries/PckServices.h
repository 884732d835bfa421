#pragma once

// What the checks ask of neighbouring parts of the library: the host layer,
// the partition cache, controller limits, containers on a drive and the
// container operation dispatcher. Each part that owns a service installs it
// (PCK_SetServices); a service nobody installed answers as this platform's
// host layer does, or throws 66 where only its owner can answer (a slice's
// failover count reads as none).

#include "FsaStatus.h"
#include "FsaTypes.h"

#include <cstdint>
#include <vector>

class FSAAPI_CONTEXT;

struct PckDynamicDisk {
    std::uint32_t partitionCount = 0;
    int isDynamic = 0;
    int spansContainers = 0;
    int hasFileSystem = 0;
};

// One element of the sorted partition cache, as the free-space check reads it.
struct PckExtent {
    std::uint32_t driveId;    // internal device id
    std::uint32_t startBlock; // 512-byte blocks
    std::uint32_t blockCount;
    std::uint32_t state; // 5: free extent
};

constexpr std::uint32_t PCK_EXTENT_FREE = 5;
constexpr std::uint32_t PCK_HOST_VOLUME_BYTES = 8192;
constexpr std::uint32_t PCK_MAX_LISTED_CONTAINERS = 32;

struct PckServices {
    FSA_STATUS (*ftDiskOnContainer)(FSAAPI_CONTEXT*, std::uint32_t container, int* isFtDisk);
    FSA_STATUS (*dynamicDiskOnContainer)(FSAAPI_CONTEXT*, std::uint32_t container, PckDynamicDisk*);
    // A count, then 48-byte entries.
    FSA_STATUS(*hostVolumes)
    (FSAAPI_CONTEXT*, std::uint32_t container, void* buffer, std::uint32_t bytes);
    std::uint32_t (*containerUsage)(FSAAPI_CONTEXT*, std::uint32_t container);
    // The 38 words of the container's disk-set information.
    FSA_STATUS(*containerDiskSetInfo)
    (FSAAPI_CONTEXT*, std::uint32_t container, std::uint32_t* words38);
    // Invalidates and rebuilds the partition and container caches.
    FSA_STATUS (*rebuildCaches)(FSAAPI_CONTEXT*);
    std::vector<PckExtent> (*sortedPartitions)(FSAAPI_CONTEXT*);
    std::uint32_t (*partitionsPerDriveLimit)(FSAAPI_CONTEXT*);
    // Containers with partitions on the drive into `direct`, the higher-level
    // containers on them into `higher` (PCK_MAX_LISTED_CONTAINERS each);
    // returns how many `direct` holds.
    std::uint32_t (*containersOnDrive)(FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*,
                                       std::uint32_t* direct, std::uint32_t* higher);
    // Container operation 12 (delete) or 13 (forced delete).
    FSA_STATUS(*deleteContainer)
    (FSAAPI_CONTEXT*, std::uint32_t container, std::uint32_t operation);
    // Failover assignments recorded on a slice.
    std::uint32_t (*sliceFailoverCount)(FSAAPI_CONTEXT*, int slice);
    // Removes the dead partitions of a drive (only `partition` when given).
    FSA_STATUS(*removeDeadPartitions)
    (FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*, const void* partition);
};

PckServices PCK_Services();
// Installs every non-null member of `services`.
void PCK_SetServices(const PckServices& services);
// Back to the defaults (tests).
void PCK_ResetServices();
