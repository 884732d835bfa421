// Erasing a container's file system and updating it on the host.
#include "ContainerOperations.h"
#include "FsaMaintenance.h"
#include "HostExposure.h"
#include "OpsFrame.h"
#include "ParamChecks.h"

namespace {

// A container that is being built, changed or is missing has no file system
// to erase or update.
constexpr std::uint64_t kNoFileSystemStates = 0xDull << 32 | 0x800008u;

FSA_STATUS removeFileSystem(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    PCK_ThrowIfContainerIs(ctx, n, kNoFileSystemStates);
    FsaRemovalRecord record;
    if (const FSA_STATUS s = FsaPrepareCtrForRemoval(ctx, n, 0, 1, &record); s != FSA_STS_SUCCESS)
        return s;
    try {
        CT_ClearFileSystem(ctx, n, 1);
    } catch (FSA_STATUS) {
        FsaCtrRemovalComplete(ctx, n, 1, std::move(record));
        throw;
    }
    FsaCtrRemovalComplete(ctx, n, 0, std::move(record));
    if (const FSA_STATUS s = FsaExposeCtrToOs(ctx, n, 0); s != FSA_STS_SUCCESS)
        throw s;
    return FSA_STS_SUCCESS;
}

} // namespace

extern "C" {

FSA_STATUS FsaRemoveFileSystem(void* handle, const tag_FSA_CONTAINER* container) {
    return FsaOpsCall(handle, kWriteGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaRemoveFileSystem(partner, container);
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return FSA_STS_NOT_IMPLEMENTED;
        return removeFileSystem(ctx, container->containerNumber);
    });
}

FSA_STATUS FsaUpdateFileSystem(void* handle, const tag_FSA_CONTAINER* container,
                               const FSA_FILE_SYSTEM_PARAMETERS* params) {
    return FsaOpsCall(handle, kWriteGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaUpdateFileSystem(partner, container, params);
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return ctx->connectionType == FSA_CONNECTION_REMOTE ? FSA_STS_NOT_IMPLEMENTED
                                                                : FSA_STS_INVALID_CONNECTION_TYPE;
        PCK_ThrowIfContainerIs(ctx, container->containerNumber, kNoFileSystemStates);
        // Only a host driver's file system could be updated; this host has
        // no such service.
        return PCK_HasNoHostDriver(ctx) ? FSA_STS_SUCCESS : FSA_STS_NOT_AVAILABLE_ON_OS;
    });
}
}
