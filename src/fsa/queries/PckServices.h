#pragma once

// What the checks and drive operations ask of neighbouring parts of the
// library: the host layer, the container usage, containers on a drive, the
// container operation dispatcher and the removal of dead partitions. Each part that owns a service
// installs it (PCK_SetServices); a service nobody installed answers as this platform's host layer
// does, or throws 66 where only its owner can answer.

#include "FsaStatus.h"
#include "FsaTypes.h"

#include <cstdint>

class FSAAPI_CONTEXT;

struct PckDynamicDisk {
    std::uint32_t partitionCount = 0;
    int isDynamic = 0;
    int spansContainers = 0;
    int hasFileSystem = 0;
};

constexpr std::uint32_t PCK_HOST_VOLUME_BYTES = 8192;
constexpr std::uint32_t PCK_MAX_LISTED_CONTAINERS = 32;

struct PckServices {
    FSA_STATUS (*ftDiskOnContainer)(FSAAPI_CONTEXT*, std::uint32_t container, int* isFtDisk);
    FSA_STATUS (*dynamicDiskOnContainer)(FSAAPI_CONTEXT*, std::uint32_t container, PckDynamicDisk*);
    // A count, then 48-byte entries.
    FSA_STATUS(*hostVolumes)
    (FSAAPI_CONTEXT*, std::uint32_t container, void* buffer, std::uint32_t bytes);
    std::uint32_t (*containerUsage)(FSAAPI_CONTEXT*, std::uint32_t container);
    // Containers with partitions on the drive into `direct`, the higher-level
    // containers on them into `higher` (PCK_MAX_LISTED_CONTAINERS each);
    // returns how many `direct` holds.
    std::uint32_t (*containersOnDrive)(FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*,
                                       std::uint32_t* direct, std::uint32_t* higher);
    // Container operation 12 (delete) or 13 (forced delete).
    FSA_STATUS(*deleteContainer)
    (FSAAPI_CONTEXT*, std::uint32_t container, std::uint32_t operation);
    // Removes the dead partitions of a drive (only `partition` when given).
    FSA_STATUS(*removeDeadPartitions)
    (FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*, const void* partition);
};

PckServices PCK_Services();
// Installs every non-null member of `services`.
void PCK_SetServices(const PckServices& services);
// Back to the defaults (tests).
void PCK_ResetServices();
