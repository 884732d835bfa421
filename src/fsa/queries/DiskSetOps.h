#pragma once

#include "Context.h"
#include "FsaMaintenance.h"

// Keep-alive claims go through the synchronous channel while this is set.
extern int keepalive_synchfib;

// Label (null: kept) and attributes (null: kept) of a set held here.
FSA_STATUS DS_SetParameters(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, const char* label,
                            const std::uint32_t* attributes);
