#pragma once

// Dead partitions (fail, clear, remove) and the reconfiguration of a live
// container into another type or size.

#include "Context.h"
#include "FsaContainerInfo.h"

#include <cstdint>

void CT_RemoveDeadPartitions(FSAAPI_CONTEXT* ctx, int device, const FSA_PARTITION* only);
void CT_SetDeadPartitions(FSAAPI_CONTEXT* ctx, int device);
void CT_SetDeadPartition(FSAAPI_CONTEXT* ctx, int device, std::uint32_t start, std::uint32_t size);
void CT_ClearDeadPartition(FSAAPI_CONTEXT* ctx, int device, std::uint32_t start,
                           std::uint32_t size);

void CT_GenerateMorphContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t type,
                               std::uint32_t count, const FSA_STORAGE_DEVICE* disks,
                               std::uint32_t chunkBytes, std::uint64_t sizeBytes, int add);
void CT_MorphContainer(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container, std::uint32_t type,
                       std::uint32_t count, const FSA_STORAGE_DEVICE* disks,
                       std::uint32_t chunkBytes, std::uint64_t sizeBytes, int add);
