#include "PckServices.h"

#include "ContainerCaches.h"
#include "Context.h"
#include "FsaHostPartitions.h"
#include "HandleTable.h"

#include <mutex>

namespace {

void* handleOf(const FSAAPI_CONTEXT* ctx) {
    return UtilHandleFromValue(ctx->handle);
}

tag_FSA_CONTAINER containerOf(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    tag_FSA_CONTAINER c{};
    CT_GetStandardID(ctx, &c, n);
    return c;
}

FSA_STATUS hostFtDisk(FSAAPI_CONTEXT* ctx, std::uint32_t n, int* isFtDisk) {
    const tag_FSA_CONTAINER c = containerOf(ctx, n);
    return FsaNTCheckFTDiskOnContainer(handleOf(ctx), &c, isFtDisk);
}

FSA_STATUS hostDynamicDisk(FSAAPI_CONTEXT* ctx, std::uint32_t n, PckDynamicDisk* d) {
    const tag_FSA_CONTAINER c = containerOf(ctx, n);
    return FsaNTCheckDynamicDiskOnContainer(handleOf(ctx), &c, &d->partitionCount, &d->isDynamic,
                                            &d->spansContainers, &d->hasFileSystem);
}

FSA_STATUS hostVolumes(FSAAPI_CONTEXT* ctx, std::uint32_t n, void* buffer, std::uint32_t) {
    const tag_FSA_CONTAINER c = containerOf(ctx, n);
    return FsaNTGetByContainer(handleOf(ctx), &c, 0, static_cast<FSA_NT_PARTITION_INFO*>(buffer));
}

const PckServices kDefaults = {
    hostFtDisk,
    hostDynamicDisk,
    hostVolumes,
    // Replaced by the container operation dispatcher when container caches
    // are first made; no container can be named for deletion before that.
    [](FSAAPI_CONTEXT*, std::uint32_t, std::uint32_t) -> FSA_STATUS {
        throw FSA_STS_NOT_IMPLEMENTED;
    },
};

std::mutex g_mutex;
PckServices g_services = kDefaults;

template <class F> void install(F& slot, F given) {
    if (given)
        slot = given;
}

} // namespace

PckServices PCK_Services() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_services;
}

void PCK_SetServices(const PckServices& s) {
    std::lock_guard<std::mutex> lock(g_mutex);
    install(g_services.ftDiskOnContainer, s.ftDiskOnContainer);
    install(g_services.dynamicDiskOnContainer, s.dynamicDiskOnContainer);
    install(g_services.hostVolumes, s.hostVolumes);
    install(g_services.deleteContainer, s.deleteContainer);
}

void PCK_ResetServices() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_services = kDefaults;
}
