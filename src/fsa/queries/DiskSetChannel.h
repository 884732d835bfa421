#pragma once

// The cluster command channel (FIB 550): disk sets, ownership claims, host
// and cluster information.

#include "Context.h"

#include <cstddef>
#include <cstdint>

enum _CLCOMMAND_ : std::uint32_t {
    CL_RESCAN = 2,
    CL_CREATE = 3,
    CL_DELETE = 4,
    CL_ADD_MEMBER = 5,
    CL_REMOVE_MEMBER = 6,
    CL_TAKE = 8,
    CL_RELEASE = 9,
    CL_FORCE = 10,
    CL_SET_INFO = 11,
    CL_DRIVE_INFO = 12,
    CL_ALL_SETS = 14,
    CL_MEMBERS = 15,
    CL_CHANGE = 16,
    CL_ATTACH = 17,
    CL_DETACH = 18,
    CL_CONTAINERS_ONLINE = 19,
    CL_HOST_INFO = 256,
    CL_CLUSTER_INFO = 258,
    CL_CLAIM = 768,
};

// Records must stay below this size (input and output alike).
constexpr std::size_t DS_RECORD_LIMIT = 473;

FSA_STATUS DS_SendReceiveFIB(FSAAPI_CONTEXT* ctx, std::uint32_t command, const void* in,
                             std::size_t inSize, void* out, std::size_t outSize);
FSA_STATUS DS_SendReceiveSynchFIB(FSAAPI_CONTEXT* ctx, std::uint32_t command, const void* in,
                                  std::size_t inSize, void* out, std::size_t outSize);
// Controller status of a cluster command -> library status.
FSA_STATUS DS_MapStatus(std::uint32_t controllerStatus);
FSA_STATUS DS_MapSynchStatus(std::uint32_t controllerStatus);
