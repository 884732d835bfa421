#include "Frame.h"

#include "OsSync.h"

FINISH_OPEN::~FINISH_OPEN() {
    // Partition layouts are worked out inside each rebuild of the sorted
    // partition list and dropped when the rebuild ends; the context keeps no
    // layout of its own, so none can outlive a call and there is nothing to
    // free here.
    (void)m_ctx;
}

CMutexObject::CMutexObject(void* mutex, int* inCallFlag, int lockWanted)
    : m_mutex(mutex), m_lockWanted(lockWanted), m_inCall(inCallFlag) {
    if (!m_lockWanted) {
        *m_inCall = 1;
        return;
    }
    faos_WaitForAndGetMutex(m_mutex);
    if (*m_inCall) {
        // A nested call of the same thread: the outer call keeps the hold.
        faos_ReleaseMutex(m_mutex);
        return;
    }
    m_owned = 1;
    *m_inCall = 1;
}

CMutexObject::~CMutexObject() {
    if (!m_lockWanted) {
        *m_inCall = 0;
        return;
    }
    if (!m_owned)
        return;
    *m_inCall = 0;
    try {
        faos_ReleaseMutex(m_mutex);
    } catch (FSA_STATUS) {
        // Nothing can be done about a mutex that will not unlock here.
    }
}

FSA_STATUS FsaCheckAccess(const FSAAPI_CONTEXT* ctx, FsaAccessSet set) {
    const std::uint32_t a = ctx->access;
    switch (set) {
    case FsaAccessSet::ReadOnly:
        return (a <= 6 || a == 8 || a == 9) ? FSA_STS_SUCCESS : FSA_STS_NEEDS_READ_ONLY;
    case FsaAccessSet::ReadWrite:
        return (a == 1 || a == 3 || a == 6) ? FSA_STS_SUCCESS : FSA_STS_NEEDS_READ_WRITE;
    case FsaAccessSet::ReadWriteOrCluster:
        return (a == 1 || a == 3 || a == 6 || a == 8 || a == 9) ? FSA_STS_SUCCESS
                                                                : FSA_STS_NEEDS_READ_WRITE;
    case FsaAccessSet::LowLevel:
        return (a == 1 || a == 2 || a == 3 || a == 6 || a == 8 || a == 9) ? FSA_STS_SUCCESS
                                                                          : FSA_STS_NEEDS_LOW_LEVEL;
    case FsaAccessSet::None:
        break;
    }
    return FSA_STS_SUCCESS;
}

int FsaWantsWrapperLock(const FSAAPI_CONTEXT* ctx) {
    return ctx->connectionType != FSA_CONNECTION_REMOTE && ctx->access != FSA_ACC_LL_READ_ONLY &&
           ctx->access != FSA_ACC_UTILITY;
}
