#include "HostExposure.h"

#include "FsaContainerHost.h"
#include "HandleTable.h"
#include "ParamChecks.h"

namespace {

bool isRemote(const FSAAPI_CONTEXT* ctx) {
    return ctx->connectionType == FSA_CONNECTION_REMOTE;
}

// Remote variants of the host steps: no remote access in this build.
FSA_STATUS remoteVariant() {
    return FSA_STS_NOT_IMPLEMENTED;
}

int faos_CtrIsSystemBootDevice(FSAAPI_CONTEXT*, std::uint32_t) {
    return 0; // no container is the host's boot device here
}

template <class Work> FSA_STATUS byHandle(void* handle, Work&& work) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    try {
        return work(ctx);
    } catch (FSA_STATUS status) {
        return status;
    }
}

} // namespace

FSA_STATUS FsaPrepareCtrForRemoval(FSAAPI_CONTEXT* ctx, std::uint32_t container, int force,
                                   int flag, FsaRemovalRecord* record) {
    record->reset();
    if (isRemote(ctx))
        return remoteVariant();
    if (PCK_HasNoHostDriver(ctx))
        return FSA_STS_SUCCESS;
    record->reset(faos_PrepareCtrForRemoval(ctx, container, flag, force));
    if (!*record && ctx->simulatorKind == 0)
        return FSA_STS_HOST_REFUSED_REMOVAL;
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaCtrRemovalComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int failed,
                                 FsaRemovalRecord record) {
    if (isRemote(ctx))
        return remoteVariant();
    if (PCK_HasNoHostDriver(ctx))
        return FSA_STS_SUCCESS;
    faos_CtrRemovalComplete(ctx, container, failed, record.get());
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container, int flags) {
    if (isRemote(ctx))
        return remoteVariant();
    faos_ExposeCtrToOs(ctx, container, flags);
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaUnExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    faos_UnExposeCtrToOs(ctx, container, 0);
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaPrepareCtrForChange(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                  FsaRemovalRecord* record) {
    record->reset();
    if (isRemote(ctx))
        return remoteVariant();
    record->reset(faos_PrepareCtrForChange(ctx, container));
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaCtrChangeComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int flags,
                                FsaRemovalRecord record) {
    if (isRemote(ctx))
        return remoteVariant();
    faos_CtrChangeComplete(ctx, container, flags, record.get());
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaCtrIsSystemBootDevice(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                    int* isBootDevice) {
    if (isRemote(ctx))
        return remoteVariant();
    *isBootDevice = faos_CtrIsSystemBootDevice(ctx, container);
    return FSA_STS_SUCCESS;
}

std::uint32_t FsaTopMostOsType(const FSAAPI_CONTEXT* ctx) {
    return ctx->info.osType2 ? ctx->info.osType2 : ctx->info.osType;
}

extern "C" {

FSA_STATUS FsaPrepareCtrForRemoval(void* handle, unsigned int container, int force, int flag,
                                   FAOS_CTR_REMOVE_BASE** record) {
    if (record)
        *record = nullptr;
    return byHandle(handle, [&](FSAAPI_CONTEXT* ctx) {
        FsaRemovalRecord held;
        const FSA_STATUS s = FsaPrepareCtrForRemoval(ctx, container, force, flag, &held);
        if (record)
            *record = held.release();
        return s;
    });
}

FSA_STATUS FsaCtrRemovalComplete(void* handle, unsigned int container, int failed,
                                 FAOS_CTR_REMOVE_BASE* record) {
    FsaRemovalRecord owned(record);
    return byHandle(handle, [&](FSAAPI_CONTEXT* ctx) {
        return FsaCtrRemovalComplete(ctx, container, failed, std::move(owned));
    });
}

FSA_STATUS FsaExposeCtrToOs(void* handle, unsigned int container, int flags) {
    return byHandle(handle,
                    [&](FSAAPI_CONTEXT* ctx) { return FsaExposeCtrToOs(ctx, container, flags); });
}

FSA_STATUS FsaPrepareCtrForChange(void* handle, unsigned int container,
                                  FAOS_CTR_REMOVE_BASE** record) {
    if (record)
        *record = nullptr;
    return byHandle(handle, [&](FSAAPI_CONTEXT* ctx) {
        FsaRemovalRecord held;
        const FSA_STATUS s = FsaPrepareCtrForChange(ctx, container, &held);
        if (record)
            *record = held.release();
        return s;
    });
}

FSA_STATUS FsaCtrChangeComplete(void* handle, unsigned int container, int flags,
                                FAOS_CTR_REMOVE_BASE* record) {
    FsaRemovalRecord owned(record);
    return byHandle(handle, [&](FSAAPI_CONTEXT* ctx) {
        return FsaCtrChangeComplete(ctx, container, flags, std::move(owned));
    });
}

FSA_STATUS FsaCtrIsSystemBootDevice(void* handle, unsigned int container, int* isBootDevice) {
    return byHandle(handle, [&](FSAAPI_CONTEXT* ctx) {
        if (!isBootDevice)
            return FSA_STS_BAD_ARGUMENTS;
        return FsaCtrIsSystemBootDevice(ctx, container, isBootDevice);
    });
}
}
