// Library-wide switches and the accessors of a context's adapter table.
#include "Frame.h"
#include "OpenClose.h"
#include "OsSync.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<bool> g_runningAsService{false};
std::atomic<bool> g_clusterForAll{false};
std::atomic<bool> g_bFsaNotThreadOwner{false};

template <class Work> FSA_STATUS withContext(void* handle, Work&& work) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    return ctx ? work(ctx) : FSA_STS_INVALID_HANDLE;
}
} // namespace

bool FsaNotThreadOwner() {
    return g_bFsaNotThreadOwner.load();
}
bool FsaClusterForAll() {
    return g_clusterForAll.load();
}

extern "C" {

void FsaSetServiceApi() {
    g_runningAsService.store(true);
}
int FsaIsRunningAsServer() {
    return g_runningAsService.load();
}
void FsaSetClusterForAll() {
    g_clusterForAll.store(true);
}

void FsaInitCreateThread(int grant) {
    if (faos_GrantThreadOwnership(grant) == 1)
        g_bFsaNotThreadOwner.store(true);
}

FSA_STATUS FsaSetServiceContext(void* handle, unsigned int a, unsigned int b, unsigned int c,
                                unsigned int d, void* callback) {
    return withContext(handle, [&](FSAAPI_CONTEXT* ctx) {
        ctx->serviceContext = true;
        ctx->serviceWords[0] = a;
        ctx->serviceWords[1] = b;
        ctx->serviceWords[2] = c;
        ctx->serviceWords[3] = d;
        ctx->serviceCallback = callback;
        ctx->serviceTimeStamp = std::time(nullptr);
        if (ctx->simulatorKind == 0)
            ctx->aifWaiting.store(false);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaGetClusteredAdapters(void* handle, unsigned int* count, unsigned int* serials,
                                   unsigned int bufferBytes) {
    return withContext(handle, [&](FSAAPI_CONTEXT* ctx) {
        if (4ull * ctx->adapterCount > bufferBytes)
            return FSA_STS_BUFFER_TOO_SMALL;
        for (std::uint32_t i = 0; i < ctx->adapterCount; ++i)
            serials[i] = ctx->adapters[i].serial;
        *count = ctx->adapterCount;
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaGetHandleFromSerial(void* handle, unsigned int serial, void** out) {
    return withContext(handle, [&](FSAAPI_CONTEXT* ctx) {
        *out = nullptr;
        for (std::uint32_t i = 0; i < ctx->adapterCount; ++i) {
            if (ctx->adapters[i].serial == serial) {
                *out = UtilHandleFromValue(ctx->adapters[i].handle);
                return FSA_STS_SUCCESS;
            }
        }
        return FSA_STS_NO_ADAPTER;
    });
}

FSA_STATUS FsaGetIndexFromSerial(void* handle, unsigned int serial, unsigned int* index) {
    return withContext(handle, [&](FSAAPI_CONTEXT* ctx) {
        *index = 0;
        for (std::uint32_t i = 0; i < ctx->adapterCount; ++i) {
            if (ctx->adapters[i].serial == serial) {
                *index = i;
                return FSA_STS_SUCCESS;
            }
        }
        return FSA_STS_NO_ADAPTER;
    });
}

FSA_STATUS FsaGetHandleFromIndex(void* handle, unsigned int index, void** out) {
    return withContext(handle, [&](FSAAPI_CONTEXT* ctx) {
        if (index >= ctx->adapterCount) {
            *out = nullptr;
            return FSA_STS_NO_ADAPTER;
        }
        *out = UtilHandleFromValue(ctx->adapters[index].handle);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaGetSerialNumFromIndex(void* handle, unsigned int index, unsigned int* out) {
    return withContext(handle, [&](FSAAPI_CONTEXT* ctx) {
        if (index >= ctx->adapterCount) {
            *out = 0;
            return FSA_STS_NO_ADAPTER;
        }
        *out = ctx->adapters[index].serial;
        return FSA_STS_SUCCESS;
    });
}

unsigned int FsaGetSerialFromDSOwner(unsigned int owner) {
    return owner;
}

} // extern "C"

std::uint32_t FindAdapterHandleWithSerialNumber(FSAAPI_CONTEXT* ctx, std::uint32_t serial) {
    for (std::uint32_t i = 0; i < ctx->adapterCount; ++i)
        if (ctx->adapters[i].serial == serial)
            return ctx->adapters[i].handle;
    return 0;
}

std::uint32_t GetRelevantAdapterForScsi(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device) {
    if (!device || ctx->adapterCount == 0 || device->scsi.adapterSerial == ctx->adapters[0].serial)
        return 0;
    return FindAdapterHandleWithSerialNumber(ctx, device->scsi.adapterSerial);
}
