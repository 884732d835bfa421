#pragma once

// The host layer and the container operation dispatcher as the checks and
// drive operations reach them: one table, so tests can stand in for a host
// with fault-tolerant or dynamic disks (this platform has none) and for the
// deletion of containers (PCK_SetServices).

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
    // Container operation 12 (delete) or 13 (forced delete).
    FSA_STATUS(*deleteContainer)
    (FSAAPI_CONTEXT*, std::uint32_t container, std::uint32_t operation);
};

PckServices PCK_Services();
// Installs every non-null member of `services`.
void PCK_SetServices(const PckServices& services);
// Back to the defaults (tests).
void PCK_ResetServices();
