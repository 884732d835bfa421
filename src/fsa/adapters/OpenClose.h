#pragma once

#include "Context.h"

void* CreateWrapperMutex(const FA_WCHAR* adapterName);
FSA_STATUS FsaInternalCommonContextInit(FSAAPI_CONTEXT* ctx, unsigned int appBuild);
// The library-wide switch that keeps the library from owning event threads.
bool FsaNotThreadOwner();
bool FsaClusterForAll();
