#pragma once

// The host-side steps around container changes, on an adapter context. The
// exported forms (FsaContainerHost.h) look the handle up and call these; none
// of them locks or checks the access mode: the operation that needs them
// already runs inside the exported-call frame.

#include "Context.h"
#include "OsLayer.h"

#include <cstdint>
#include <memory>

using FsaRemovalRecord = std::unique_ptr<FAOS_CTR_REMOVE_BASE>;

FSA_STATUS FsaPrepareCtrForRemoval(FSAAPI_CONTEXT* ctx, std::uint32_t container, int force,
                                   int flag, FsaRemovalRecord* record);
FSA_STATUS FsaCtrRemovalComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int failed,
                                 FsaRemovalRecord record);
FSA_STATUS FsaExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container, int flags);
FSA_STATUS FsaUnExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container);
FSA_STATUS FsaPrepareCtrForChange(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                  FsaRemovalRecord* record);
FSA_STATUS FsaCtrChangeComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int flags,
                                FsaRemovalRecord record);
FSA_STATUS FsaCtrIsSystemBootDevice(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                    int* isBootDevice);

// The host's top-most OS type: the remote one when known, else the local one.
std::uint32_t FsaTopMostOsType(const FSAAPI_CONTEXT* ctx);
