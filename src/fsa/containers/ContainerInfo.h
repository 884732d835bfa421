#pragma once

// Describing containers to callers: the loaded container's record and its
// member partitions, containers of containers, and the phantom description
// of a container that exists only as partitions.

#include "Context.h"
#include "CtWrappers.h"
#include "FsaContainerInfo.h"
#include "FsaPartitions.h"

#include <cstdint>

// Controller container type and record -> FSA_CONTAINER_TYPE of the
// container as a whole (volume of mirrors, RAID-10 and the like).
std::uint32_t GetExtendedType(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t ctrType,
                              const cttype* record);

// The work of FsaGetContainerInfo inside its frame.
FSA_STATUS FsaGetMostContainerInfo(FSAAPI_CONTEXT* ctx, int next,
                                   const tag_FSA_CONTAINER* container, FSA_CONTAINER_INFO* info,
                                   unsigned int size);

// A mirror's state as callers see it, from the partition entry's mirror kind
// (the word at byte 100).
std::uint32_t CT_MirrorState(std::uint32_t mirrorKind);
// The 32-bit word `index` of the 840-byte container record.
std::uint32_t CT_RecordWord(const cttype& record, std::size_t index);

void CT_MoveCreationInfo(const Partition* p, FSA_CONTAINER_INFO* info);
// 1 when container n could be described from its partitions alone.
int CT_GetPhantomContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_CONTAINER_INFO* info,
                           unsigned int size);

// Member slots a buffer of `size` bytes holds.
inline std::uint32_t CT_InfoRoom(unsigned int size) {
    return size < 472 ? 0 : (size - 472) / 28;
}
