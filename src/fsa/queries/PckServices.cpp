#include "PckServices.h"

#include "Context.h"
#include "OsLayer.h"

#include <cstring>
#include <mutex>

namespace {

bool isLocal(const FSAAPI_CONTEXT* ctx) {
    return ctx->connectionType == FSA_CONNECTION_LOCAL;
}

// The host layer of this platform knows no fault-tolerant disks, dynamic
// disks or host volumes; remote host layers are not reachable.
FSA_STATUS noFtDisk(FSAAPI_CONTEXT* ctx, std::uint32_t, int* isFtDisk) {
    if (!isLocal(ctx))
        return FSA_STS_NOT_AVAILABLE_ON_OS;
    *isFtDisk = 0;
    return FSA_STS_SUCCESS;
}

FSA_STATUS noDynamicDisk(FSAAPI_CONTEXT* ctx, std::uint32_t, PckDynamicDisk* out) {
    *out = PckDynamicDisk{};
    return isLocal(ctx) ? FSA_STS_SUCCESS : FSA_STS_NOT_IMPLEMENTED;
}

FSA_STATUS noHostVolumes(FSAAPI_CONTEXT* ctx, std::uint32_t, void* buffer, std::uint32_t bytes) {
    if (!isLocal(ctx))
        return FSA_STS_NOT_AVAILABLE_ON_OS;
    std::memset(buffer, 0, bytes);
    return FSA_STS_SUCCESS;
}

std::uint32_t hostUsage(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    if (!isLocal(ctx))
        throw FSA_STS_NOT_AVAILABLE_ON_OS;
    return faos_CtrGetUsage(ctx, container);
}

[[noreturn]] void notProvided() {
    throw FSA_STS_NOT_IMPLEMENTED;
}

const PckServices kDefaults = {
    noFtDisk,
    noDynamicDisk,
    noHostVolumes,
    hostUsage,
    [](FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*, std::uint32_t*,
       std::uint32_t*) -> std::uint32_t { notProvided(); },
    [](FSAAPI_CONTEXT*, std::uint32_t, std::uint32_t) -> FSA_STATUS { notProvided(); },
    [](FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*, const void*) -> FSA_STATUS { notProvided(); },
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
    install(g_services.containerUsage, s.containerUsage);
    install(g_services.containersOnDrive, s.containersOnDrive);
    install(g_services.deleteContainer, s.deleteContainer);
    install(g_services.removeDeadPartitions, s.removeDeadPartitions);
}

void PCK_ResetServices() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_services = kDefaults;
}
