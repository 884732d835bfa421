#pragma once

// The exported-call frame: handle lookup, access, paused and cluster guards,
// the per-call scope guards and the catch that turns a thrown status into
// the function's result.

#include "Context.h"
#include "FsaStatus.h"
#include "HandleTable.h"
#include "OsSync.h"

enum FSA_THROW_MODE : int {
    FSA_THROW_ON_FAILURE = 0,
    FSA_RETURN_ON_FAILURE = 1,
};

inline FSA_STATUS FSA_THROW(FSA_THROW_MODE mode, FSA_STATUS status) {
    if (mode != FSA_THROW_ON_FAILURE)
        return status;
    throw status;
}

// Frees the partition layout cache at the end of each exported call.
class FINISH_OPEN {
public:
    explicit FINISH_OPEN(FSAAPI_CONTEXT* ctx) : m_ctx(ctx) {}
    ~FINISH_OPEN();
    FINISH_OPEN(const FINISH_OPEN&) = delete;
    FINISH_OPEN& operator=(const FINISH_OPEN&) = delete;

private:
    FSAAPI_CONTEXT* m_ctx;
};

// Takes the adapter wrapper mutex unless this thread is already inside an
// exported call on the adapter.
class CMutexObject {
public:
    CMutexObject(void* mutex, int* inCallFlag, int lockWanted);
    ~CMutexObject();
    CMutexObject(const CMutexObject&) = delete;
    CMutexObject& operator=(const CMutexObject&) = delete;

private:
    void* m_mutex;
    int m_owned = 0;
    int m_lockWanted;
    int* m_inCall;
};

enum class FsaAccessSet { ReadOnly, ReadWrite, ReadWriteOrCluster, LowLevel, None };

struct FsaGuards {
    FsaAccessSet access = FsaAccessSet::ReadOnly;
    bool paused = true;
    bool cluster = true;
};

FSA_STATUS FsaCheckAccess(const FSAAPI_CONTEXT* ctx, FsaAccessSet set);
int FsaWantsWrapperLock(const FSAAPI_CONTEXT* ctx);

// The frame without its last step.
template <class Work> FSA_STATUS FsaFramedCall(void* handle, FsaGuards guards, Work&& work) {
    // Held to the end of the call: a close meanwhile frees nothing it uses.
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    if (const FSA_STATUS s = FsaCheckAccess(ctx, guards.access); s != FSA_STS_SUCCESS)
        return s;
    if (guards.paused && ctx->paused.load())
        return FSA_STS_ADAPTER_PAUSED;
    if (guards.cluster && ctx->access != FSA_RZC_CLUSTER_MANAGER &&
        ctx->access != FSA_RZC_LL_CLUSTER_MANAGER && ctx->adapterCount > 1 &&
        ctx->partnerCameOnline.load())
        return FSA_STS_PARTNER_CAME_ONLINE;
    try {
        FINISH_OPEN finish(ctx);
        CMutexObject lock(ctx->wrapperMutex, &ctx->inCall, FsaWantsWrapperLock(ctx));
        return work(ctx.get());
    } catch (FSA_STATUS status) {
        return status;
    }
}

// Runs `work(ctx)` (returning FSA_STATUS) inside the frame.
template <class Work> FSA_STATUS FsaExportedCall(void* handle, FsaGuards guards, Work&& work) {
    const FSA_STATUS status = FsaFramedCall(handle, guards, work);
    // Everything the call held is given back: a cancel requested during it
    // is acted on now.
    faos_ActOnPendingCancel();
    return status;
}
