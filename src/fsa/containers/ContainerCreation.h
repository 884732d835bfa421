#pragma once

// Container creation records: the layout per container type, the older
// layout for controllers that refuse CREATE_CONTAINER, the creation stamp
// and the multilevel commands.

#include "Context.h"

#include <cstdint>
#include <vector>

constexpr std::uint32_t CT_CREATE_BYTES = 432;
constexpr std::uint32_t CT_OLD_CREATE_BYTES = 800;

struct CreateContainer {
    std::uint8_t bytes[CT_CREATE_BYTES];
};

// One member extent as the controller counts it.
struct CreateMember {
    std::uint32_t slice;
    std::uint32_t offsetBlocks;
    std::uint32_t sizeBlocks;
};

// Byte offset to block offset; all ones stays all ones.
std::uint32_t CT_FindDiskOffset(long long offsetBytes);
void CT_GenCreateInfo(FSAAPI_CONTEXT* ctx, std::uint8_t* info16);

// The partitions a container of FSA type `type` with `count` members adds
// (0 for types without a layout); throws 521/523/524/543 for member counts
// the type cannot take and 65 when the members do not fit the record.
std::uint32_t CT_CreatePartitionsNeeded(std::uint32_t type, std::uint32_t count);
// Lays out the record for FSA container type `type` (zero record for types
// without a layout); throws as CT_CreatePartitionsNeeded, then 7 when the
// container's size in blocks does not fit the record's 32-bit field.
// `info16` is the creation stamp. Returns the partitions the container adds.
std::uint32_t CT_LayOutCreateRecord(CreateContainer* record, std::uint32_t container,
                                    std::uint32_t type, const std::vector<CreateMember>& members,
                                    std::uint32_t chunkBytes, const std::uint8_t* info16);
// The older layout of a record (800 bytes, of which 432 are sent).
void CT_ConvertToOldCreateRecord(const CreateContainer* record, std::uint8_t* old800);

// Checks the partition limit, lays out, stamps and sends.
void CT_CreateNewContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t type,
                           const std::vector<CreateMember>& members, std::uint32_t chunkBytes);
void CT_ContainerCreate(FSAAPI_CONTEXT* ctx, const CreateContainer* record);
void CT_GenerateSecondary(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t type,
                          const std::uint32_t* members, std::uint32_t count, long long sizeBytes);

// Whether the controller or the partition list knows container `number`
// (the list's partitions on this adapter's disks only when `localOnly`).
bool CT_PhantomOrRealExists(FSAAPI_CONTEXT* ctx, std::uint32_t number, int localOnly);
// The lowest free number (the highest with `fromTop`); 17 when none is. A
// number counts as free only on a list that read every disk the search
// covers: a slice described as nothing, or a covered disk whose MBR could
// not be read, makes the list be read once more, and then throws 39.
std::uint32_t CT_GetNextFreeContainer(FSAAPI_CONTEXT* ctx, int fromTop, int localOnly);
// Whether `number` is free, by the same rule.
bool CT_IsContainerNumberFree(FSAAPI_CONTEXT* ctx, std::uint32_t number, int localOnly);
// Whether a number for `container` must also avoid the containers of disks
// this adapter does not reach (the search's localOnly off): its disks sit
// on a shared bus, or a disk's set could not be read and they may. Taken
// for local then, it could land on a number the cluster partner uses.
bool CT_SearchesEveryDisk(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER& container);
