#pragma once

// Which containers removing a set of disks destroys, and which it only
// degrades.

#include "Context.h"
#include "FsaTypes.h"

#include <cstdint>

// Fills `toDelete` and `degraded` (their room given in bytes; ids beyond it
// are not written, the counts say how many there were).
void CT_FindContainersToDeleteByDisk(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* disks,
                                     std::uint32_t count, tag_FSA_CONTAINER* toDelete,
                                     std::uint32_t* deleteCount, std::uint32_t deleteBytes,
                                     tag_FSA_CONTAINER* degraded, std::uint32_t* degradedCount,
                                     std::uint32_t degradedBytes);
