#include "FibSend.h"
#include "FsaApi.h"

#include "Aif.h"
#include "DriverRequests.h"
#include "FailureDetail.h"
#include "Frame.h"
#include "OsPort.h"
#include "Stubs.h"
#include "Trace.h"
#include "TraceText.h"
#include "WideString.h"

#include <cerrno>
#include <cstring>

void FsaInitRequestFib(_FIB* fib, std::uint16_t command, std::uint16_t size) {
    std::memset(fib, 0, sizeof *fib);
    fib->XferState = FIB_XFER_STATE_CALLER;
    fib->Command = command;
    fib->StructType = FIB_STRUCT_TFIB;
    fib->Size = size;
}

std::uint32_t FsaFibWord(const _FIB* fib, std::size_t index) {
    std::uint32_t v = 0;
    if (index < sizeof fib->data / 4)
        std::memcpy(&v, fib->data + 4 * index, 4);
    return v;
}

void FsaSetFibWord(_FIB* fib, std::size_t index, std::uint32_t value) {
    if (index < sizeof fib->data / 4)
        std::memcpy(fib->data + 4 * index, &value, 4);
}

FSA_STATUS faos_SendReceiveFIB(FSAAPI_CONTEXT* ctx, _FIB* fib) {
    // Every FIB passes here: each trace line is skipped inline while the
    // trace is off, so that the send costs no trace calls then.
    const int fd = ctx->channel ? ctx->channel->fd : -1;
    if (faux_DbgEnabled(FSA_DBG_FIB, 3))
        FsaUxDbgFilePrintf(FSA_DBG_FIB, 3, "-> faos_SendReceiveFIB with fd=%d\n", fd);
    fib->XferState = FIB_XFER_STATE_SENT;
    fib->StructType = FIB_STRUCT_TFIB;
    fib->SenderData = 0;
    fib->SenderSize = sizeof *fib;
    fauxPrint_FIB(FSA_DBG_FIB, 4, "faos_SendReceiveFIB", fib);
    FSA_STATUS status = FSA_STS_SUCCESS;
    if (fsa::osPort().ioctl(fd, FSACTL_SENDFIB, fib) == 0) {
        if (faux_DbgEnabled(FSA_DBG_FIB, 4))
            FsaUxDbgFilePrintf(FSA_DBG_FIB, 4, "-- faos_SendReceiveFIB, Passed FSACTL_SENDFIB\n");
    } else {
        const int err = errno;
        FsaUxDbgFilePrintf(FSA_DBG_FIB, 2,
                           "-- faos_SendReceiveFIB, Failed ioctl:FSACTL_SENDFIB, errno=%d:%s\n",
                           err, std::strerror(err));
        faux_FmtString(FailureSlot::Ioctl, err, "SENDFIB");
        FsaUxDbgFilePrintf(FSA_DBG_FIB, 2,
                           "-- faos_SendReceiveFIB: return FSA_STS_UX_IOCTL_FAILED\n");
        status = FSA_STS_UX_IOCTL_FAILED;
    }
    if (faux_DbgEnabled(FSA_DBG_FIB, 3))
        FsaUxDbgFilePrintf(FSA_DBG_FIB, 3, "<- faos_SendReceiveFIB with fd=%d\n", fd);
    return status;
}

FSA_STATUS FsaInternalSendReceiveFib(FSAAPI_CONTEXT* ctx, _FIB* fib, int throwOnFailure) {
    FSA_STATUS status;
    if (ctx->connectionType == FSA_CONNECTION_LOCAL) {
        if (ctx->simulatorKind == 0)
            status = faos_SendReceiveFIB(ctx, fib);
        else if (ctx->simulatorKind == 1)
            status = SimulatorSendReceiveFib(ctx, fib);
        else
            status = FSA_STS_INVALID_SIMULATOR_KIND;
    } else if (ctx->connectionType == FSA_CONNECTION_REMOTE) {
        status = NetworkSendReceiveFib(ctx, fib);
    } else {
        status = FSA_STS_INVALID_CONNECTION_TYPE;
    }
    if (throwOnFailure && status != FSA_STS_SUCCESS)
        throw status;
    return status;
}

FSA_STATUS FsaInternalSendReceiveSynchFib(FSAAPI_CONTEXT* ctx, _FIB* fib) {
    FSA_STATUS status;
    if (ctx->connectionType == FSA_CONNECTION_LOCAL && ctx->simulatorKind == 0) {
        faos_SendReceiveSynchFIB(ctx, fib);
        return FSA_STS_SUCCESS;
    }
    if (ctx->connectionType == FSA_CONNECTION_LOCAL)
        status = ctx->simulatorKind == 1 ? SimulatorSendReceiveFib(ctx, fib)
                                         : FSA_STS_INVALID_SIMULATOR_KIND;
    else if (ctx->connectionType == FSA_CONNECTION_REMOTE)
        status = NetworkSendReceiveFib(ctx, fib);
    else
        status = FSA_STS_INVALID_CONNECTION_TYPE;
    if (status != FSA_STS_SUCCESS)
        throw status;
    return status;
}

int InternalWaitAndGetAsyncFib(FSAAPI_CONTEXT* ctx, _FIB* fib) {
    if (ctx->connectionType == FSA_CONNECTION_LOCAL) {
        if (ctx->simulatorKind == 0)
            return AIF_LocalWaitForFib(ctx, fib);
        if (ctx->simulatorKind == 1)
            return SimulatorWaitAndGetAsyncFib(ctx, fib);
        return 0;
    }
    if (ctx->connectionType == FSA_CONNECTION_REMOTE)
        return ctx->aifStop.load() ? 0 : NetworkWaitAndGetAsyncFib(ctx, fib);
    return 0;
}

int FsaIsAdapterPaused(FSAAPI_CONTEXT* ctx) {
    _FIB fib;
    FsaInitRequestFib(&fib, FIB_IS_ADAPTER_PAUSED, 4);
    FsaInternalSendReceiveFib(ctx, &fib, 1);
    return FsaFibWord(&fib, 0) != 0 ? 1 : 0;
}

extern "C" {

FSA_STATUS FsaSendReceiveFib(void* handle, _FIB* fib) {
    return FsaExportedCall(handle, {FsaAccessSet::LowLevel}, [&](FSAAPI_CONTEXT* ctx) {
        FsaInternalSendReceiveFib(ctx, fib, 1);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaDeviceDriverCall(void* handle, unsigned int, void*, unsigned int, void*, unsigned int,
                               unsigned int*) {
    return FsaExportedCall(handle, {FsaAccessSet::LowLevel}, [&](FSAAPI_CONTEXT* ctx) {
        if (ctx->connectionType == FSA_CONNECTION_LOCAL) {
            if (ctx->simulatorKind == 0)
                return fant_DeviceDriverCall(ctx);
            return ctx->simulatorKind == 1 ? FSA_STS_NOT_SUPPORTED : FSA_STS_INVALID_SIMULATOR_KIND;
        }
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkDeviceDriverCall(ctx);
        return FSA_STS_INVALID_CONNECTION_TYPE;
    });
}

FSA_STATUS FsaSrvWaitAndGetAsyncFib(void* handle, int* received, _FIB* fib) {
    // The flag is optional; a FIB to receive into is not.
    int flag = 0;
    int& delivered = received ? *received : flag;
    delivered = 0;
    const FsaContextHold ctx = UtilHoldContext(handle, FsaHoldKind::ReceiveWait);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    if (!fib)
        return FSA_STS_BAD_ARGUMENTS;
    try {
        if (!ctx->aifStop.load() && InternalWaitAndGetAsyncFib(ctx, fib)) {
            delivered = 1;
            return FSA_STS_SUCCESS;
        }
    } catch (FSA_STATUS) {
    }
    return FSA_STS_CLIENT_CANCELLED;
}

unsigned int FsaGetScsiMethod(void* handle) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    return ctx ? ctx->scsiMethod : 0;
}

void FsaGetNodeInfo(void* handle, FSA_NODE_INFO* out) {
    if (!out)
        return;
    out->hostName[0] = 0;
    out->adapterName[0] = 0;
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return;
    FA_wcsbcpy(out->hostName, ctx->info.hostName, 52);
    FA_wcsbcpy(out->adapterName, ctx->info.adapterName, 16);
}

} // extern "C"
