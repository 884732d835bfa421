#pragma once

#include "Context.h"

void* CreateWrapperMutex(const FA_WCHAR* adapterName);
FSA_STATUS FsaInternalCommonContextInit(FSAAPI_CONTEXT* ctx, unsigned int appBuild);
// The library-wide switch that keeps the library from owning event threads.
bool FsaNotThreadOwner();
bool FsaClusterForAll();
// The handle of the adapter-table entry with that serial, or 0.
std::uint32_t FindAdapterHandleWithSerialNumber(FSAAPI_CONTEXT* ctx, std::uint32_t serial);
// The partner's handle when the drive belongs to the partner, else 0 (this adapter).
std::uint32_t GetRelevantAdapterForScsi(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device);
// A closed adapter's release, by the last call that was in flight at its
// close: what `release` gives back, then the context freed once unheld.
void FsaReleaseClosedContext(FSAAPI_CONTEXT* ctx);
// Frees a released context nothing holds any more.
void FsaFreeContext(FSAAPI_CONTEXT* ctx);
