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

namespace {

// How one transport carries each kind of exchange.
struct FibTransportCalls {
    FSA_STATUS (*send)(FSAAPI_CONTEXT*, _FIB*);
    FSA_STATUS (*sendSynch)(FSAAPI_CONTEXT*, _FIB*);
    int (*waitForEvent)(FSAAPI_CONTEXT*, _FIB*);
    FSA_STATUS (*driverCall)(FSAAPI_CONTEXT*);
};

template <FSA_STATUS status> FSA_STATUS answerFib(FSAAPI_CONTEXT*, _FIB*) {
    return status;
}
template <FSA_STATUS status> FSA_STATUS answerCall(FSAAPI_CONTEXT*) {
    return status;
}
int noEvent(FSAAPI_CONTEXT*, _FIB*) {
    return 0;
}
int remoteWait(FSAAPI_CONTEXT* ctx, _FIB* fib) {
    return ctx->aifStop.load() ? 0 : NetworkWaitAndGetAsyncFib(ctx, fib);
}

// One row per FibTransport, in its order. A context whose fields name no
// transport answers every exchange with the status naming the bad field, and
// never delivers an adapter event.
const FibTransportCalls kTransports[] = {
    // Driver
    {faos_SendReceiveFIB, faos_SendReceiveSynchFIB, AIF_LocalWaitForFib, fant_DeviceDriverCall},
    // Simulator
    {SimulatorSendReceiveFib, SimulatorSendReceiveFib, SimulatorWaitAndGetAsyncFib,
     answerCall<FSA_STS_NOT_SUPPORTED>},
    // Remote
    {NetworkSendReceiveFib, NetworkSendReceiveFib, remoteWait, NetworkDeviceDriverCall},
    // UnknownSimulatorKind
    {answerFib<FSA_STS_INVALID_SIMULATOR_KIND>, answerFib<FSA_STS_INVALID_SIMULATOR_KIND>, noEvent,
     answerCall<FSA_STS_INVALID_SIMULATOR_KIND>},
    // UnknownConnectionType
    {answerFib<FSA_STS_INVALID_CONNECTION_TYPE>, answerFib<FSA_STS_INVALID_CONNECTION_TYPE>,
     noEvent, answerCall<FSA_STS_INVALID_CONNECTION_TYPE>},
};
static_assert(sizeof kTransports / sizeof kTransports[0] ==
              static_cast<std::size_t>(FibTransport::UnknownConnectionType) + 1);

const FibTransportCalls& transportOf(const FSAAPI_CONTEXT* ctx) {
    return kTransports[static_cast<std::size_t>(FsaFibTransportOf(ctx))];
}

} // namespace

FibTransport FsaFibTransportOf(const FSAAPI_CONTEXT* ctx) {
    if (ctx->connectionType == FSA_CONNECTION_REMOTE)
        return FibTransport::Remote;
    if (ctx->connectionType != FSA_CONNECTION_LOCAL)
        return FibTransport::UnknownConnectionType;
    switch (ctx->simulatorKind) {
    case 0:
        return FibTransport::Driver;
    case 1:
        return FibTransport::Simulator;
    default:
        return FibTransport::UnknownSimulatorKind;
    }
}

FSA_STATUS FsaInternalSendReceiveFib(FSAAPI_CONTEXT* ctx, _FIB* fib, int throwOnFailure) {
    const FSA_STATUS status = transportOf(ctx).send(ctx, fib);
    if (throwOnFailure && status != FSA_STS_SUCCESS)
        throw status;
    return status;
}

FSA_STATUS FsaInternalSendReceiveSynchFib(FSAAPI_CONTEXT* ctx, _FIB* fib) {
    const FSA_STATUS status = transportOf(ctx).sendSynch(ctx, fib);
    if (status != FSA_STS_SUCCESS)
        throw status;
    return status;
}

int InternalWaitAndGetAsyncFib(FSAAPI_CONTEXT* ctx, _FIB* fib) {
    return transportOf(ctx).waitForEvent(ctx, fib);
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
    return FsaExportedCall(handle, {FsaAccessSet::LowLevel},
                           [](FSAAPI_CONTEXT* ctx) { return transportOf(ctx).driverCall(ctx); });
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
