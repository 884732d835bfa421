#include "PartnerRedirect.h"

#include "FsaMaintenance.h"

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
        throw static_cast<FSA_STATUS>(461);
    return mapped;
}
