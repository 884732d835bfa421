// Opening and closing an adapter.
#include "OpenClose.h"

#include "Aif.h"
#include "BlinkManager.h"
#include "Frame.h"
#include "FsaMaintenance.h"
#include "GeneralInfo.h"
#include "NameParse.h"
#include "OsLayer.h"
#include "OsSync.h"
#include "ParamChecks.h"
#include "Stubs.h"
#include "Trace.h"
#include "WideString.h"

#include <memory>
#include <string>
#include <utility>

namespace {

constexpr unsigned int kAdapterMax = 132;
constexpr unsigned int kHostMax = 259;
constexpr unsigned int kDomainMax = 51;
constexpr unsigned int kOldestLibraryBuild = 256;

bool isClustering(const FSA_GENERAL_INFO& g) {
    return g.clustering == 1 || (g.clustering == 2 && g.clusterMask);
}

bool isLocalHost(const FA_WCHAR* host) {
    if (host[0] == 0 || (host[0] == U'.' && host[1] == 0))
        return true;
    FA_WCHAR local[52];
    unsigned int capacity = 52;
    faos_GetHostName(local, &capacity);
    FA_wcsupr(local);
    return FA_wcsncmp(host, local, 51) == 0;
}

// Everything a context holds is given back; used by a failed open and the close.
FSA_STATUS teardown(FSAAPI_CONTEXT* ctx) {
    FSA_STATUS first = FSA_STS_SUCCESS;
    auto attempt = [&](auto&& step) {
        try {
            step();
        } catch (FSA_STATUS s) {
            if (first == FSA_STS_SUCCESS)
                first = s;
        }
    };
    if (ctx->channel) {
        attempt([&] { AIF_StopThreadProcessing(ctx); });
        attempt([&] {
            FAUX_AIF_CONTEXT* poll = ctx->pollChannel;
            ctx->pollChannel = nullptr;
            faos_CloseAIFReceiveChannel(ctx, poll);
        });
    }
    // The blink workers use the channel: they end before it closes.
    attempt([&] { FsaDeleteBlinkManager(ctx); });
    attempt([&] { faos_CloseChannelToAdapter(ctx); });
    return first;
}

// A context whose open failed: its handle was never published, so no call
// can hold it.
void destroy(FSAAPI_CONTEXT* ctx) {
    if (ctx->handle)
        UtilDeleteHandle(UtilHandleFromValue(ctx->handle));
    delete ctx;
}

// Close waits this long for the calls in flight on the adapter, as long as
// a call waits for the adapter's wrapper lock: a call hung in the driver
// (which has no time-out) leaves the release to itself rather than hang
// close for ever.
constexpr unsigned kCloseWaitMs = 120000;
constexpr unsigned kClosePollMs = 50;

void waitForOtherCalls(const FSAAPI_CONTEXT* ctx) {
    for (unsigned waited = 0; waited < kCloseWaitMs && UtilOtherCallsInFlight(ctx) > 0;
         waited += kClosePollMs)
        faos_Sleep(kClosePollMs);
}

// The application hears of the adapter for the last time: the closed event,
// once, then no callback starts any more; with `waitForRunning`, those
// running on other threads have returned too.
void endCallbacks(FSAAPI_CONTEXT* ctx, bool waitForRunning = true) {
    if (std::exchange(ctx->callback.closedDelivered, true))
        return;
    try {
        AIF_DeliverToCallback(ctx, FSA_EVENT_CLOSED, nullptr);
    } catch (...) {
    }
    ctx->callback.gate.shut(waitForRunning);
}

// A close that leaves the release to a call hung in the driver still ends
// the adapter's events before it returns: the event thread is stopped and
// the closed event delivered; what the hung call may use (the channel and
// what works through it) stays for the release. Only a callback that is
// itself inside a hung call (the close has waited for calls as long as it
// can) is not waited for: its thread is stopped by the release that its
// call makes when it returns.
void endEventsBeforeRelease(FSAAPI_CONTEXT* ctx) {
    const bool callbackHung = ctx->callback.gate.runningElsewhere() > 0;
    if (ctx->connectionType == FSA_CONNECTION_LOCAL && ctx->channel && !callbackHung) {
        try {
            AIF_StopThreadProcessing(ctx);
        } catch (FSA_STATUS s) {
            FsaUxDbgFilePrintf(FSA_DBG_MISC, 2, "-- event thread stopped at close: status %d\n",
                               static_cast<int>(s));
        }
    }
    endCallbacks(ctx, !callbackHung);
}

// Everything an open context holds is given back and the application told.
FSA_STATUS release(FSAAPI_CONTEXT* ctx) {
    FSA_STATUS status = FSA_STS_SUCCESS;
    if (ctx->connectionType == FSA_CONNECTION_LOCAL) {
        status = teardown(ctx);
        if (ctx->simulatorKind > 1 && status == FSA_STS_SUCCESS)
            status = FSA_STS_INVALID_SIMULATOR_KIND;
        if (!FsaIsRunningAsServer())
            NetworkDeregisterWithService(ctx);
    } else if (ctx->connectionType == FSA_CONNECTION_REMOTE) {
        status = NetworkCloseAdapter(ctx);
    } else {
        status = FSA_STS_INVALID_CONNECTION_TYPE;
    }
    endCallbacks(ctx);
    if (UtilFreeNowOrOnLastHold(ctx))
        FsaFreeContext(ctx);
    return status;
}

struct PasswdWrap {
    FSA_PASSWORD_CALLBACK callback;
    void* arg;
};

FSA_STATUS PasswdCallbackWrapper(FA_WCHAR* user, FA_WCHAR* password, void* arg) {
    auto* wrap = static_cast<PasswdWrap*>(arg);
    char u[256] = {};
    char p[256] = {};
    const FSA_STATUS status = wrap->callback(u, p, wrap->arg);
    FA_widen(user, u, 256);
    FA_widen(password, p, 256);
    return status;
}

} // namespace

extern "C" {

FSA_STATUS FsaOpenAdapter2W(const FA_WCHAR* name, const FA_WCHAR* domainArg, unsigned int appBuild,
                            FSA_ACCESS access, FSA_CONNECTION_TYPE, FSA_PASSWORD_CALLBACK_W, void*,
                            void** handle, void** partnerHandle) {
    if (access == 10)
        access = FSA_ACC_READ_ONLY;
    else if (access == 11)
        access = FSA_ACC_READ_WRITE;
    const FAUX_CANCEL_HOLDOFF holdOff;
    if (partnerHandle)
        *partnerHandle = nullptr;
    if (!name || !handle)
        return FSA_STS_INVALID_ADAPTER_NAME;
    *handle = nullptr;

    FA_WCHAR adapter[kAdapterMax] = {};
    FA_WCHAR host[kHostMax] = {};
    FA_WCHAR domain[kDomainMax + 1] = {};
    if (const FSA_STATUS s =
            FsaParseAdapterName(name, adapter, kAdapterMax, host, kHostMax, domain, kDomainMax);
        s != FSA_STS_SUCCESS)
        return s;
    if (adapter[0] == 0)
        return FSA_STS_INVALID_ADAPTER_NAME;
    if (domainArg && domainArg[0]) {
        if (domain[0])
            return FSA_STS_DOMAIN_TWICE;
        FA_wcsbcpy(domain, domainArg, sizeof domain / sizeof domain[0]);
    }
    if (!isLocalHost(host)) {
        try {
            fant_InitForRemote(); // the remote layer is absent here
        } catch (FSA_STATUS s) {
            return s;
        }
        return FSA_STS_NOT_AVAILABLE_ON_OS;
    }
    host[0] = U'.';
    host[1] = 0;

    if (const FSA_STATUS s = FsaValidHostOs(); s != FSA_STS_SUCCESS)
        return s;
    FSAAPI_CONTEXT* ctx = nullptr;
    try {
        ctx = new FSAAPI_CONTEXT;
        ctx->access = access;
        if (!faos_OpenChannelToAdapter(ctx, adapter)) {
            destroy(ctx);
            return FSA_STS_NO_ADAPTER;
        }
        ctx->simulatorKind = 0;
        ctx->access = access;
        ctx->wrapperMutex = CreateWrapperMutex(adapter);
        FA_wcslwr(adapter);
        const FSA_STATUS status = FsaInternalCommonContextInit(ctx, appBuild);
        if (status != FSA_STS_SUCCESS) {
            teardown(ctx);
            destroy(ctx);
            return status;
        }
        FA_wcsbcpy(ctx->info.adapterName, adapter, 16);
        FA_wcsbcpy(ctx->info.hostName, host, 52);
        *handle = UtilHandleFromValue(ctx->handle);
        UtilPublishHandle(*handle);
        ctx->adapters[0] =
            FSA_ADAPTER_ENTRY{ctx->handle, ctx->info.ownerIdLow, ctx->info.ownerIdHigh};
        ctx->adapterCount = 1;
        if (!FsaIsRunningAsServer())
            ctx->serviceRegistration = NetworkRegisterOpenWithService(ctx);
        if (isClustering(ctx->info) && !FsaClusterForAll()) {
            FsaCloseAdapter(*handle);
            *handle = nullptr;
            return FSA_STS_CLUSTER_NOT_SUPPORTED;
        }
        return FSA_STS_SUCCESS;
    } catch (FSA_STATUS s) {
        if (ctx) {
            teardown(ctx);
            destroy(ctx);
        }
        *handle = nullptr;
        return s;
    } catch (const std::bad_alloc&) {
        if (ctx) {
            teardown(ctx);
            destroy(ctx);
        }
        *handle = nullptr;
        return FSA_STS_OUT_OF_MEMORY;
    }
}

FSA_STATUS FsaOpenAdapter2A(const char* name, const char* domain, unsigned int appBuild,
                            FSA_ACCESS access, FSA_CONNECTION_TYPE connection,
                            FSA_PASSWORD_CALLBACK callback, void* callbackArg, void** handle,
                            void** partnerHandle) {
    const std::u32string wideName = FA_Widen(name);
    const std::u32string wideDomain = FA_Widen(domain);
    PasswdWrap wrap{callback, callbackArg};
    return FsaOpenAdapter2W(name ? wideName.c_str() : nullptr,
                            domain ? wideDomain.c_str() : nullptr, appBuild, access, connection,
                            callback ? PasswdCallbackWrapper : nullptr, callback ? &wrap : nullptr,
                            handle, partnerHandle);
}

FSA_STATUS FsaOpenAdapter2(const char* name, const char* domain, unsigned int appBuild,
                           FSA_ACCESS access, FSA_CONNECTION_TYPE connection,
                           FSA_PASSWORD_CALLBACK callback, void* callbackArg, void** handle,
                           void** partnerHandle) {
    FSA_GENERAL_INFO own;
    FsaGetGeneralInformation(nullptr, &own);
    if (own.libraryVersion.buildNumber <= kOldestLibraryBuild)
        return FSA_STS_LIBRARY_TOO_OLD_FOR_APP;
    return FsaOpenAdapter2A(name, domain, appBuild, access, connection, callback, callbackArg,
                            handle, partnerHandle);
}

FSA_STATUS FsaOpenAdapterA(const char* name, const char* domain, unsigned int appBuild,
                           FSA_ACCESS access, void** handle, void** partnerHandle) {
    return FsaOpenAdapter2A(name, domain, appBuild, access, FSA_CONNECTION_REMOTE, nullptr, nullptr,
                            handle, partnerHandle);
}

FSA_STATUS FsaOpenAdapterW(const FA_WCHAR* name, const FA_WCHAR* domain, unsigned int appBuild,
                           FSA_ACCESS access, void** handle, void** partnerHandle) {
    return FsaOpenAdapter2W(name, domain, appBuild, access, FSA_CONNECTION_REMOTE, nullptr, nullptr,
                            handle, partnerHandle);
}

FSA_STATUS FsaCloseAdapter(void* handle) {
    const FAUX_CANCEL_HOLDOFF holdOff;
    // From here on the handle is found no more: calls that start now get
    // the invalid-handle status, and the context stays for those in flight.
    FSAAPI_CONTEXT* ctx = UtilCloseHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    waitForOtherCalls(ctx);
    // After the calls in flight, which may still use the partner.
    FSA_STATUS partnerStatus = FSA_STS_SUCCESS;
    if (ctx->partnerHandle &&
        FsaCloseAdapter(UtilHandleFromValue(ctx->partnerHandle)) != FSA_STS_SUCCESS)
        partnerStatus = FSA_STS_PARTNER_CLOSE_FAILED;
    if (!UtilReleaseNowOrOnLastCall(ctx)) {
        // The last call to leave releases the adapter.
        endEventsBeforeRelease(ctx);
        return partnerStatus;
    }
    const FSA_STATUS status = release(ctx);
    return status == FSA_STS_SUCCESS ? partnerStatus : status;
}

} // extern "C"

void FsaReleaseClosedContext(FSAAPI_CONTEXT* ctx) {
    const FSA_STATUS status = release(ctx);
    if (status != FSA_STS_SUCCESS)
        FsaUxDbgFilePrintf(FSA_DBG_MISC, 2,
                           "-- adapter released after close by the last call: status %d\n",
                           static_cast<int>(status));
}

void FsaFreeContext(FSAAPI_CONTEXT* ctx) {
    delete ctx;
}
