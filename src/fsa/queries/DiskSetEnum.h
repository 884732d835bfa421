#pragma once

// Listing disk sets and their members; labels and names.

#include "Context.h"
#include "FsaMaintenance.h"

#include <cstdint>

// The most disk sets the library keeps track of on one adapter.
constexpr int DS_MAX_SETS = 64;

// All sets of the adapter; `sets` (null: count only) holds `capacity` keys.
FSA_STATUS DS_GetAllDiskSets(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* sets, int capacity, int* count);
FSA_STATUS DS_FindDiskSet(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set);
FSA_STATUS DS_CheckDiskSetName(FSAAPI_CONTEXT* ctx, const char* label);
// The internal ids of a set's members; `ids` holds 64. 6 when the answer
// names another set.
FSA_STATUS DS_GetMembers(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint32_t* ids,
                         std::uint32_t* count);
FSA_STATUS DS_Rescan(FSAAPI_CONTEXT* ctx, std::uint32_t what);
