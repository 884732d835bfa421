#include "PartnerRedirect.h"

#include "ContainerCaches.h"
#include "FsaMaintenance.h"
#include "HandleTable.h"

std::uint32_t CTR_GET_RELEVANT_HANDLE(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container) {
    if (!ctx->partnerHandle || !container)
        return 0;
    for (std::uint32_t i = 1; i < ctx->adapterCount && i < 16; ++i)
        if (ctx->adapters[i].serial == container->adapterSerial)
            return ctx->adapters[i].handle;
    return 0;
}

std::uint32_t FsaPartnerBusOrThrow(void* handle, std::uint32_t bus) {
    const auto mapped = static_cast<std::uint32_t>(FsaMapToPartnerBus(handle, bus));
    if (mapped > 254)
        throw FSA_STS_SPANS_DISK_SETS;
    return mapped;
}

bool SCD_BUS_SHARED(FSAAPI_CONTEXT* ctx, const FSA_SCSI_DEVICE* device) {
    std::uint32_t mask = 0;
    // Unread, the bus may be shared: a number search then covers every disk,
    // which only costs numbers the partner would not have taken.
    if (FsaGetClusterInfo(UtilHandleFromValue(ctx->handle), nullptr, nullptr, nullptr, &mask,
                          nullptr, nullptr) != FSA_STS_SUCCESS)
        return true;
    return (mask >> (device->bus & 31u) & 1u) != 0;
}

bool CTR_BUS_SHARED(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container) {
    FSA_DISK_SET_INFO info{};
    CT_GetCtrDiskSetInfo(ctx, container->containerNumber, reinterpret_cast<std::uint8_t*>(&info));
    return info.words[FSA_DSI_STATE] == FSA_DSS_HELD;
}
