// The adapter context: construction, destruction and the initialisation
// that fills its general information while the adapter is opened.
#include "AdapterType.h"
#include "Aif.h"
#include "BlinkManager.h"
#include "Context.h"
#include "CtWrappers.h"
#include "DriverRequests.h"
#include "FibSend.h"
#include "GeneralInfo.h"
#include "HandleTable.h"
#include "OpenClose.h"
#include "OsLayer.h"
#include "OsSync.h"
#include "Revision.h"

#include <cstdio>
#include <cstring>

FSAAPI_CONTEXT::FSAAPI_CONTEXT() = default;

FSAAPI_CONTEXT::~FSAAPI_CONTEXT() {
    try {
        faos_DestroyMutex(wrapperMutex);
        // Left by a receive loop stopped from its own callback, which
        // posted its exit on them after the stop.
        faos_DestroySemaphore(wakeSema);
        faos_DestroySemaphore(exitSema);
        faos_DestroySemaphore(startSema);
    } catch (FSA_STATUS) {
    }
}

namespace {

std::uint32_t processorType(std::uint32_t family, std::uint32_t model) {
    switch (family) {
    case 1:
        return 0;
    case 2:
        return model >= 1 && model <= 4 ? model : 6;
    case 3:
        return 5;
    case 5:
        return 7;
    default:
        return 6;
    }
}

std::uint32_t oemFlavour(std::uint32_t oemWord) {
    switch (oemWord) {
    case 1:
    case 4:
    case 5:
        return 1;
    case 2:
        return 3;
    case 3:
        return 4;
    default:
        return 2;
    }
}

FSA_REVISION revisionOf(std::uint32_t external, std::uint32_t build) {
    FSA_REVISION r;
    std::memcpy(&r, &external, 4);
    r.buildNumber = build;
    return r;
}

} // namespace

void* CreateWrapperMutex(const FA_WCHAR* adapterName) {
    char narrow[64] = {};
    for (std::size_t i = 0; adapterName && adapterName[i] && i + 1 < sizeof narrow; ++i)
        narrow[i] = static_cast<char>(adapterName[i] & 0xFF);
    char name[257];
    std::snprintf(name, sizeof name, "QorWrapperMutex%s", narrow);
    return faos_CreateMutex(name);
}

FSA_STATUS FsaInternalCommonContextInit(FSAAPI_CONTEXT* ctx, unsigned int appBuild) {
    if (!RevCheckCompatibility(REV_LIBRARY, REV_APPLICATION, appBuild))
        return FSA_STS_APP_TOO_OLD;
    ctx->connectionType = FSA_CONNECTION_LOCAL;
    void* handle = UtilCreateHandle(ctx);
    if (!handle)
        return FSA_STS_NO_HANDLE;
    ctx->handle = UtilValueFromHandle(handle);
    ctx->appBuild = appBuild;
    if (FsaIsAdapterPaused(ctx))
        return FSA_STS_CANNOT_OPEN_PAUSED;
    ctx->scsiMethod = CT_GetScsiMethod(ctx);
    if (const int access = faos_CheckAdapterAccess(ctx, ctx->access); access != 1)
        return FSA_STATUS(access);

    FSA_GENERAL_INFO& g = ctx->info;
    FsaRevision own;
    RevGetFullRevision(&own);
    _FIB fib;
    FsaInitRequestFib(&fib, FIB_CHECK_REVISION, 12);
    FsaSetFibWord(&fib, 0, REV_LIBRARY);
    FsaSetFibWord(&fib, 1, own.external);
    FsaSetFibWord(&fib, 2, own.build);
    FsaInternalSendReceiveFib(ctx, &fib, 1);
    if (FsaFibWord(&fib, 0) == 0)
        return FSA_STS_LIBRARY_TOO_OLD_FOR_ADAPTER;
    if (!RevCheckCompatibility(REV_LIBRARY, REV_CONTROLLER, FsaFibWord(&fib, 2)))
        return FSA_STS_ADAPTER_SW_TOO_OLD;
    g.libraryVersion = revisionOf(own.external, own.build);
    g.firmwareVersion = revisionOf(FsaFibWord(&fib, 1), FsaFibWord(&fib, 2));

    FsaInitRequestFib(&fib, FIB_REQUEST_ADAPTER_INFO, 4);
    FsaInternalSendReceiveFib(ctx, &fib, 1);
    auto w = [&](std::size_t i) { return FsaFibWord(&fib, i); };
    g.monitorVersion = revisionOf(w(9), w(10));
    g.hardwareVersion = revisionOf(w(11), w(12));
    g.biosVersion = revisionOf(w(13), w(14));
    g.battery = w(19);
    g.adapterOptions = w(20);
    g.adapterType = TranslatePLATtoAT(w(0), w(21));
    TranslateAdapterTypeToText(g.adapterType, g.adapterTypeText);
    g.processorType = processorType(w(1), w(2));
    g.processorClock = w(3);
    g.executionMemory = w(4);
    g.bufferMemory = w(5);
    g.totalMemory = w(6);
    g.clustering = w(15);
    g.clusterMask = w(16);
    const std::uint32_t oemWord = w(21);

    if (ctx->simulatorKind == 0) {
        g.minContainerSize = 0xA00000;
        if (const FSA_STATUS s = faos_CheckDriverCompatibility(ctx); s != FSA_STS_SUCCESS)
            return s;
    } else {
        g.minContainerSize = 0x80000;
        g.fileSysDriverVersion = FSA_REVISION{};
        g.miniportDriverVersion = FSA_REVISION{};
    }
    g.spareRevision[0] = g.spareRevision[1] = FSA_REVISION{};
    FsaFillControllerLimits(ctx);
    g.spareName[0] = 0;
    g.hostName[0] = 0;
    g.reservedZero = 0;
    g.constant30 = 30;
    g.oemFlavor = oemFlavour(oemWord);
    g.osType = faos_GetOSType();
    g.osType2 = 0;
    short bus = 0;
    short slot = 0;
    faos_GetPCIBusAndSlotInfo(ctx, &bus, &slot);
    g.pciBus = static_cast<std::uint16_t>(bus);
    g.pciSlot = static_cast<std::uint16_t>(slot);
    g.hasOce = static_cast<std::uint32_t>(faos_IsThereOCE(ctx));

    const FSA_ACCESS a = ctx->access;
    if (a == FSA_ACC_READ_ONLY || a == FSA_ACC_READ_WRITE || a == FSA_ACC_SNAPSHOT ||
        a == FSA_RZC_CLUSTER_MANAGER) {
        if (FsaNotThreadOwner())
            ctx->noThread = true;
        AIF_StartThreadProcessing(ctx);
    }
    g.accessMode = a;
    FsaCreateBlinkManager(ctx);
    return FSA_STS_SUCCESS;
}
