// Global cache sizes and one container's cache settings; flushing and
// discarding a container's cached data.
#include "Aif.h"
#include "CacheStats.h"
#include "ContainerCaches.h"
#include "ContainerInfo.h"
#include "ContainerRecordFields.h"
#include "CtWrappers.h"
#include "FsaCache.h"
#include "FsaContainerInfo.h"
#include "OpsFrame.h"
#include "PartitionFields.h"
#include "SmallCommands.h"

#include <vector>

namespace {

constexpr std::uint32_t kLastVisibleContainer = 23;
constexpr std::uint32_t kEventCacheChanged = 0x10000;
constexpr std::uint32_t kMaxReferrals = 4; // snapshot kinds and type 7 refer on at most this deep

// Statistics header words of the global parameters.
enum : std::size_t {
    ReadMax = 1,
    ReadMin = 3,
    WriteMin = 4,
    ReadSize = 5,
    WriteMax = 6,
    WriteSize = 8,
    GlobalValue = 19
};

FsaCacheStats globalStats(FSAAPI_CONTEXT* ctx) {
    FsaCacheStats stats(ctx);
    if (stats.status() != FSA_STS_SUCCESS)
        throw stats.status();
    return stats;
}

// The partition whose settings bytes describe container n's cache settings;
// false for a container that the controller does not report.
bool settingsPartition(FSAAPI_CONTEXT* ctx, std::uint32_t n, Partition* out) {
    for (std::uint32_t depth = 0; depth < kMaxReferrals; ++depth) {
        cttype record{};
        std::uint32_t type = 0;
        if (!CT_GetContainer(ctx, n, &record, &type))
            return false;
        if (type == 5 || type == 6 || type == 7) {
            // Snapshot kinds and type 7 take the settings of the container
            // they refer to (the record's first related word, or the hidden
            // backing word for type 6).
            n = CT_RecordWord(record, type == 6 ? ctr::kHiddenBacking : ctr::kSnapshotA);
            continue;
        }
        CT_GetPartitionForContainer(ctx, n, 0, out, FSA_THROW_ON_FAILURE);
        return true;
    }
    return false;
}

} // namespace

extern "C" {

FSA_STATUS FsaContainerSetGlobalCacheParams(void* handle, const FSA_GLOBAL_CACHE_PARAMS* params) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!params)
            return FSA_STS_BAD_ARGUMENTS;
        const FsaCacheStats stats = globalStats(ctx);
        if (params->readSize < stats.header(ReadMin))
            return FSA_STS_READ_CACHE_TOO_SMALL;
        if (params->readSize > stats.header(ReadMax))
            return FSA_STS_READ_CACHE_TOO_LARGE;
        if (params->writeSize < stats.header(WriteMin))
            return FSA_STS_WRITE_CACHE_TOO_SMALL;
        if (params->writeSize > stats.header(WriteMax))
            return FSA_STS_WRITE_CACHE_TOO_LARGE;
        const FSA_STATUS s = CT_CacheSize(ctx, params->readSize, params->writeSize);
        if (s == FSA_STS_SUCCESS) {
            const FSA_EVENT_DETAILS none{};
            AIF_SendEventToAllClients(ctx, kEventCacheChanged, &none);
        }
        return s;
    });
}

FSA_STATUS FsaContainerGetGlobalCacheParams(void* handle, FSA_GLOBAL_CACHE_PARAMS* params) {
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!params)
            return FSA_STS_BAD_ARGUMENTS;
        const FsaCacheStats stats = globalStats(ctx);
        *params = {stats.header(GlobalValue), stats.header(ReadSize), stats.header(WriteSize),
                   stats.header(ReadMax),     stats.header(WriteMax), stats.header(ReadMin),
                   stats.header(WriteMin)};
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaContainerSetCacheParams(void* handle, const tag_FSA_CONTAINER* container,
                                      const tag_FSA_CONTAINER_PARAMS* params) {
    return FsaOpsCall(handle, kWriteGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container || !params)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaContainerSetCacheParams(partner, container, params);
        const std::uint32_t n = container->containerNumber;
        if (!CT_CheckConflicts(ctx, n))
            return FSA_STS_CONTAINER_NOT_FOUND;
        if (n > kLastVisibleContainer)
            return FSA_STS_HIDDEN_CONTAINER;
        std::vector<std::uint8_t> info(FSA_CONTAINER_INFO_MAX_BYTES);
        auto* ci = reinterpret_cast<FSA_CONTAINER_INFO*>(info.data());
        if (const FSA_STATUS s =
                FsaGetContainerInfo(handle, 0, container, ci, FSA_CONTAINER_INFO_MAX_BYTES);
            s != FSA_STS_SUCCESS)
            return s;
        if (ci->ctFlag31)
            return FSA_STS_CONTAINER_LOCKED;
        // Settings without their enabling bits are sent as 0.
        const std::uint32_t command[7] = {n, (params->readCache & 1) ? params->readCache : 0,
                                          (params->writeCache & 3) ? params->writeCache : 0};
        return CT_UpdateCacheParms(ctx, n, command);
    });
}

FSA_STATUS FsaContainerGetCacheParams(void* handle, const tag_FSA_CONTAINER* container,
                                      tag_FSA_CONTAINER_PARAMS* params) {
    return FsaOpsCall(handle, kReadGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container || !params)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaContainerGetCacheParams(partner, container, params);
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return FSA_STS_NOT_IMPLEMENTED;
        *params = {0, 0};
        Partition p{};
        if (!settingsPartition(ctx, container->containerNumber, &p))
            return CT_DoesCtrExistLocally(ctx, container->containerNumber)
                       ? FSA_STS_SUCCESS
                       : FSA_STS_CONTAINER_NOT_FOUND;
        *params = {par::u8(p, par::kReadCache), par::u8(p, par::kWriteCache)};
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaReleaseContainerCache(void* handle, const tag_FSA_CONTAINER* container,
                                    unsigned int* released) {
    return FsaOpsCall(handle, kWriteGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaReleaseContainerCache(partner, container, released);
        std::uint32_t word = 0;
        const FSA_STATUS s = CT_CacheToss(ctx, container->containerNumber, &word);
        if (released)
            *released = word;
        return s;
    });
}

FSA_STATUS FsaFlushContainerCache(void* handle, const tag_FSA_CONTAINER* container) {
    return FsaOpsCall(handle, kWriteGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaFlushContainerCache(partner, container);
        return CT_FlushCache(ctx, container->containerNumber);
    });
}
}
