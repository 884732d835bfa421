#pragma once

// The controller's 32-bit unique id of a container, by number or by one of
// its partitions.

#include "Context.h"
#include "FsaPartitions.h"

#include <cstdint>

// PAR_TO_32BITS_UID: the channel's status (returned, not thrown).
FSA_STATUS CT_GetContainerUIDFromPartition(FSAAPI_CONTEXT* ctx, const Partition* p,
                                           std::uint32_t* uid, std::uint32_t level);
// CID_TO_32BITS_UID inside the exported-call frame: 11 for an unknown container.
FSA_STATUS CT_GetContainerSerialNumber(void* handle, std::uint32_t n, std::uint32_t* uid);
// The controller first, then the partitions in the cache.
bool CTGetUid(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t* uid);

// The container's 16-byte label (WRITE_NAME / READ_NAME): the channel's
// status, or 348 / 349 when the controller does not answer CT_OK.
FSA_STATUS CT_SetName(FSAAPI_CONTEXT* ctx, std::uint32_t n, const char* label16);
// CT_SetName with a caller's plain string: read up to its end or 16
// characters, the rest of the label zero.
FSA_STATUS CT_SetNameText(FSAAPI_CONTEXT* ctx, std::uint32_t n, const char* text);
FSA_STATUS CT_GetName(FSAAPI_CONTEXT* ctx, std::uint32_t n, char* label16);
