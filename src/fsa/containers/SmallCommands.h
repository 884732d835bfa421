#pragma once

// Small container commands: cache settings, parameters and NVRAM, dead
// members, failover option, snapshot space, the verify task, and the
// checks made before a container is created or changed.

#include "Context.h"
#include "Frame.h"
#include "FsaContainerInfo.h"
#include "FsaPartitions.h"

#include <cstdint>

// Cache and label commands: the channel's status or the command's own.
FSA_STATUS CT_CacheSize(FSAAPI_CONTEXT* ctx, std::uint32_t w0, std::uint32_t w1);
FSA_STATUS CT_UpdateCacheParms(FSAAPI_CONTEXT* ctx, std::uint32_t container, const void* command28);
FSA_STATUS CT_GetGlobalCacheStats(FSAAPI_CONTEXT* ctx, std::uint32_t w0, std::uint32_t length,
                                  void* out);
FSA_STATUS CT_FlushCache(FSAAPI_CONTEXT* ctx, std::uint32_t container);
FSA_STATUS CT_CacheToss(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t* w1);
FSA_STATUS CT_GetProfileStruct(FSAAPI_CONTEXT* ctx, void* profile24);
FSA_STATUS CT_SetSerialNumber(FSAAPI_CONTEXT* ctx, const void* serial8);
FSA_STATUS CT_ResetSerialNumber(FSAAPI_CONTEXT* ctx, void* serial8);
void CT_GetAutoFailover(FSAAPI_CONTEXT* ctx, std::uint32_t* on);
void CT_UseAutoFailover(FSAAPI_CONTEXT* ctx, std::uint32_t on);
FSA_STATUS CT_GetUnusedSSSpace(FSAAPI_CONTEXT* ctx, int* space);
FSA_STATUS CT_ClearSSSpace(FSAAPI_CONTEXT* ctx);
int CT_IsContainerDead(FSAAPI_CONTEXT* ctx, std::uint32_t container);

bool CT_IsGenerationEqual(const std::uint32_t* a, const std::uint32_t* b);
bool CT_IsGenerationCurrent(FSAAPI_CONTEXT* ctx, const std::uint32_t* generation);
inline bool CTConfigedIn(const Partition* p) {
    return (p->bytes[112] & 1) != 0;
}
std::uint32_t CT_GetContainerUsage(FSAAPI_CONTEXT* ctx, std::uint32_t container);
FSA_STATUS CT_GetPartitionForContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                       int levelZeroOnly, Partition* out, FSA_THROW_MODE mode);
void CT_GetPartsOfBrokenMirror(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t* first,
                               std::uint32_t* second);
FSA_STATUS CheckMContainerValidity(void* handle, const tag_FSA_CONTAINER* members,
                                   std::uint32_t count, std::uint32_t type);

// Parameters, NVRAM log, dead members, debug break, RAID-5 re-enable.
FSA_STATUS CT_Set(FSAAPI_CONTEXT* ctx, std::uint32_t item, std::uint32_t value);
FSA_STATUS CT_Get(FSAAPI_CONTEXT* ctx, std::uint32_t item, std::uint32_t* value);
std::uint32_t CT_NvParamSize(FSAAPI_CONTEXT* ctx);
std::uint32_t CT_CommonParamSize(FSAAPI_CONTEXT* ctx);
std::uint32_t CT_PlatformParamSize(FSAAPI_CONTEXT* ctx);
std::uint32_t CT_GetParam(FSAAPI_CONTEXT* ctx, std::uint32_t index, std::uint32_t* w1, char* out60);
std::uint32_t CT_GetNvParam(FSAAPI_CONTEXT* ctx, std::uint32_t index, void* param8);
void CT_SetNvParam(FSAAPI_CONTEXT* ctx, std::uint32_t index, const void* param8);
void CT_GetNvLogEntry(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b, void* out61);
void CT_SetDead(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t member);
FSA_STATUS CT_SetPanicOnTakeABreak(FSAAPI_CONTEXT* ctx, int on);
FSA_STATUS CT_EnableRaid5(FSAAPI_CONTEXT* ctx, std::uint32_t container);
std::uint64_t CT_GetContainerSize(FSAAPI_CONTEXT* ctx, std::uint32_t container);

// The verify task.
void CT_StartContainerVerify(FSAAPI_CONTEXT* ctx, int on);
int CT_VerifyTaskOn(FSAAPI_CONTEXT* ctx);
