#pragma once

// Container commands: FIB 500 with a sub-command, three parameter words and
// up to 432 data bytes each way; longer replies come in continuation pieces.

#include "Context.h"
#include "FsaTypes.h"

#include <cstdint>

constexpr std::uint32_t CT_DATA_MAX = 432;

FSA_STATUS CT_SendReceiveFIB(FSAAPI_CONTEXT* ctx, std::uint32_t ctCommand, std::uint32_t* p0,
                             std::uint32_t* p1, std::uint32_t* p2, const void* in,
                             std::uint32_t inLen, void* out, std::uint32_t outLen,
                             int throwOnError);

extern const char* const general_status[308];
void CT_DebugPrintStatus(int ctStatus);
// Whether a sub-command's answer is one of the controller's generic
// refusals, for sub-commands that name no success answer of their own.
bool CT_IsRefusal(std::uint32_t answer);
const char* CT_StatusName(int ctStatus); // null above 307 and below 0

// Marks the container caches stale after a configuration change (defined
// with the caches).
void CT_InvalidateCache(FSAAPI_CONTEXT* ctx);
