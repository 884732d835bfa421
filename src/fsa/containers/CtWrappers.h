#pragma once

// One wrapper per container sub-command: it sends the command, checks the
// controller's CT status for the one success value and throws a fixed
// FSA_STATUS otherwise.

#include "Context.h"

#include <cstdint>

// The controller's container record (840 bytes).
struct cttype {
    std::uint32_t memberCount;
    std::uint32_t words[4];
    std::uint32_t members[128];
    std::uint8_t tail[308];
};
static_assert(sizeof(cttype) == 840, "the container record is 840 bytes");

struct _MNTOBJ {
    std::uint32_t words[22];
};

constexpr std::uint32_t CT_PARTITION_BYTES = 160;
constexpr std::uint32_t CT_NVRAM_BYTES = 65536;

std::uint32_t CT_GetSliceCount(FSAAPI_CONTEXT* ctx);
std::uint32_t CT_GetPartitionTableSize(FSAAPI_CONTEXT* ctx);
void CT_GetPartitionInMemory(FSAAPI_CONTEXT* ctx, std::uint32_t entry, void* partition);
std::uint32_t CT_GetContainerCount(FSAAPI_CONTEXT* ctx, std::uint32_t* a, std::uint32_t* b);
FSA_STATUS CT_UpdatePartition(FSAAPI_CONTEXT* ctx, const void* partition);
void CT_ConfigContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n);
std::uint32_t CT_GetConfigAge(FSAAPI_CONTEXT* ctx);
void CT_GetGenerationId(FSAAPI_CONTEXT* ctx, std::uint32_t* generation);
FSA_STATUS CT_SetConfigAge(FSAAPI_CONTEXT* ctx, std::uint32_t age);
FSA_STATUS CT_GetSerialNumber(FSAAPI_CONTEXT* ctx, void* serial8);
// The channel's status, or 6 when the controller refused.
FSA_STATUS CT_PartitionEntryZero(FSAAPI_CONTEXT* ctx, std::uint32_t entry);
bool CT_ReadMBR(FSAAPI_CONTEXT* ctx, std::uint32_t slice, void* mbr24);
FSA_STATUS CT_GetPartitionOnDisk(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t index,
                                 void* partition);
std::uint32_t CT_GetSliceSize(FSAAPI_CONTEXT* ctx, std::uint32_t slice);
std::uint32_t CT_ReadLastDrive(FSAAPI_CONTEXT* ctx);
void CT_ReConfig(FSAAPI_CONTEXT* ctx, std::uint32_t n);
void CT_GetSliceInfo(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t* a, std::uint32_t* b,
                     std::uint32_t* c, std::uint32_t* d, std::uint32_t* e, std::uint32_t* type);
std::uint32_t CT_GetScsiMethod(FSAAPI_CONTEXT* ctx);
void CT_ContainerParams(FSAAPI_CONTEXT* ctx, std::uint32_t* params72);
void CT_GetPartitionsInMemory(FSAAPI_CONTEXT* ctx, void* out, std::uint32_t bytes);
void CT_GetDiskPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t slice, void* out, std::uint32_t count);
void CT_GetMiscStatus(FSAAPI_CONTEXT* ctx, std::uint32_t* misc10);
void CT_RemoveSnapshot(FSAAPI_CONTEXT* ctx, std::uint32_t n);
void CT_WriteUserFlags(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint16_t flags);
void CT_ReadUserFlags(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint16_t* flags);
void CT_GetSnapshotInfo(FSAAPI_CONTEXT* ctx, std::uint32_t n, void* info68);
void CT_SetDumpContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n);
std::uint32_t CT_TraceStop(FSAAPI_CONTEXT* ctx, void* result16);
void CT_ForceDump(FSAAPI_CONTEXT* ctx);
void CT_ClearValidDumpFlag(FSAAPI_CONTEXT* ctx);
std::uint32_t CT_GetDumpSize(FSAAPI_CONTEXT* ctx);
void CT_StopDumps(FSAAPI_CONTEXT* ctx);
std::uint32_t CT_CheckConflicts(FSAAPI_CONTEXT* ctx, std::uint32_t n);
int CT_GetSliceFromDriveHandle(FSAAPI_CONTEXT* ctx, int drive, int throwFlag, int* isThisDrive);
void CT_UpdateEvents(FSAAPI_CONTEXT* ctx);
int CT_GetContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n, cttype* out, std::uint32_t* type);
void CT_SetDumpContainerFlag(FSAAPI_CONTEXT* ctx, std::uint32_t n);
void CT_SetDumpActiveFlag(FSAAPI_CONTEXT* ctx, std::uint32_t n);
int CT_MbrExists(FSAAPI_CONTEXT* ctx, int slice);
std::uint32_t CT_GetFsaCtrType(std::uint32_t controllerType);
int CT_GetNameSrvObj(FSAAPI_CONTEXT* ctx, std::uint32_t n, _MNTOBJ* out);
int CT_ReadData(FSAAPI_CONTEXT* ctx, void* buffer, std::uint32_t length, std::uint32_t slice,
                std::uint32_t block);
void CT_GetNvram(FSAAPI_CONTEXT* ctx, void* buffer65536);
// Controller memory from `address`: the channel status, or 6 when the
// controller does not report the read as done.
FSA_STATUS CT_GetMemory(FSAAPI_CONTEXT* ctx, std::uint32_t address, std::uint32_t length,
                        std::uint8_t* out);
