// The general-information record of an opened adapter and the adapter-level
// queries.
#include "GeneralInfo.h"

#include "AdapterType.h"
#include "CtWrappers.h"
#include "FibSend.h"
#include "Frame.h"
#include "FsaApi.h"
#include "OsLayer.h"
#include "Revision.h"
#include "ScsiCommands.h"
#include "WideString.h"

#include <algorithm>
#include <cstring>

void FsaDefaultGeneralInformation(FSA_GENERAL_INFO* info) {
    std::memset(info, 0, sizeof *info);
    FsaRevision own;
    RevGetFullRevision(&own);
    std::memcpy(&info->libraryVersion, &own, sizeof own);
    FA_widen(info->adapterTypeText, "No Information", 18);
    info->oemFlavor = faos_GetOEMWithNoContext();
    info->osType = faos_GetOSType();
}

void FsaFillControllerLimits(FSAAPI_CONTEXT* ctx) {
    FSA_GENERAL_INFO& g = ctx->info;
    std::uint32_t bus[8] = {};
    SCSI_sendfib(ctx, 0, SCSI_BUS_INFO, bus, sizeof bus, 1);
    g.channelCount = bus[1];
    g.maxTargetId = bus[2];

    std::uint32_t p[72] = {};
    CT_ContainerParams(ctx, p);
    g.memberLimitA = p[1];
    g.memberLimitB = p[10];
    g.memberLimitC = p[28];
    g.maxContainerMembers = std::max({p[1], p[10], p[28]});
    std::uint32_t minKind = p[8];
    for (std::size_t k = 1; k < 8; ++k)
        minKind = std::min(minKind, p[8 + 9 * k]);
    g.minKindMemberLimit = minKind;
    g.minKindMemberLimit2 = minKind;
    g.minChunkSize = p[11] * 512;
    g.chunkGranularity = p[13] * 512;
    g.maxChunkSize = p[12] * 512;
    g.paramWord5Bytes = p[5] * 512;

    std::uint32_t misc[10] = {};
    CT_GetMiscStatus(ctx, misc);
    g.miscFlag0 = misc[0] != 0;
    g.miscFlag1 = misc[1] != 0;
    g.ownerIdLow = misc[4];
    g.ownerIdHigh = misc[5];

    std::uint32_t firstHidden = 0;
    std::uint32_t unused = 0;
    const std::uint32_t count = CT_GetContainerCount(ctx, &firstHidden, &unused);
    g.highestContainerNumber = count - 1;
    g.firstHiddenContainer = firstHidden;
}

extern "C" {

void FsaGetGeneralInformation(void* handle, FSA_GENERAL_INFO* info) {
    if (const FsaContextHold ctx = UtilGetContextFromHandle(handle))
        *info = ctx->info;
    else
        FsaDefaultGeneralInformation(info);
}

FSA_STATUS FsaGetGeneralInformationEx(void* handle, unsigned int index, FSA_GENERAL_INFO* info) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        if (index >= ctx->adapterCount)
            return FSA_STS_NO_ADAPTER;
        FsaGetGeneralInformation(UtilHandleFromValue(ctx->adapters[index].handle), info);
        return FSA_STS_SUCCESS;
    });
}

void FsaGetPartnerGeneralInformation(void* handle, unsigned int, FSA_GENERAL_INFO* info) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (ctx && ctx->partnerContext)
        *info = ctx->partnerContext->info;
    else
        FsaDefaultGeneralInformation(info);
}

FSA_STATUS FsaIsAdapterPaused(void* handle, int* paused) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly, false, true}, [&](FSAAPI_CONTEXT* ctx) {
        *paused = FsaIsAdapterPaused(ctx);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaIsAdapterPausedEx(void* handle, int* paused) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly, false, true}, [&](FSAAPI_CONTEXT* ctx) {
        FSA_STATUS status = FSA_STS_SUCCESS;
        int p = 0;
        for (std::uint32_t i = 0; i < ctx->adapterCount; ++i) {
            status = FsaIsAdapterPaused(UtilHandleFromValue(ctx->adapters[i].handle), &p);
            if (status != FSA_STS_SUCCESS || p)
                break;
        }
        if (status == FSA_STS_SUCCESS)
            *paused = p;
        return status;
    });
}

FSA_STATUS FsaGetFileSystemData(void* handle, const tag_FSA_CONTAINER*, void*, void*) {
    return FsaExportedCall(handle, {},
                           [&](FSAAPI_CONTEXT*) { return FSA_STS_NOT_AVAILABLE_ON_OS; });
}

} // extern "C"
