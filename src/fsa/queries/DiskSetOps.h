#pragma once

#include "Context.h"
#include "FsaMaintenance.h"

// Keep-alive claims go through the synchronous channel while this is set.
extern int keepalive_synchfib;

FSA_STATUS DS_SetParameters(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, const char* label,
                            std::uint32_t flags);
