// Cache statistics for callers, with the write-cache state that follows from
// the battery; and cached raw data of containers that no longer exist.
#include "CacheStats.h"

#include "ContainerCaches.h"
#include "CtWrappers.h"
#include "FsaCache.h"
#include "FsaMaintenance.h"
#include "OpsFrame.h"
#include "PartnerRedirect.h"
#include "SmallCommands.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kStatsExtraBytes = 172 - 4 * FsaCacheStats::kHeaderWords;
constexpr std::uint32_t kFeatureWriteCache = 0x4;

// The write-cache state code of one container slot.
std::uint32_t writeCacheState(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t use,
                              std::uint32_t battery) {
    if (!(ctx->info.adapterOptions & kFeatureWriteCache))
        return 11;
    FSA_DISK_SET_INFO diskSet{};
    CT_GetCtrDiskSetInfo(ctx, container, reinterpret_cast<std::uint8_t*>(&diskSet));
    if (diskSet.words[FSA_DSI_STATE] == FSA_DSS_HELD)
        return 7;
    if ((use & 2) || ((use & 1) && battery == 3)) {
        static const std::uint32_t enabled[] = {4, 3, 2, 1};
        return battery < 4 ? enabled[battery] : 5;
    }
    static const std::uint32_t disabled[] = {10, 9, 8};
    return battery < 3 ? disabled[battery] : 6;
}

} // namespace

FsaCacheStats::FsaCacheStats(FSAAPI_CONTEXT* ctx, std::uint32_t request)
    : m_slots(ctx->info.highestContainerNumber + 1) {
    const std::size_t bytes = 4 * kHeaderWords + kStatsExtraBytes + 4 * kSlotWords * m_slots;
    try {
        m_words.assign(bytes / 4, 0);
    } catch (const std::bad_alloc&) {
        throw FSA_STS_OUT_OF_MEMORY;
    }
    m_status =
        CT_GetGlobalCacheStats(ctx, request, static_cast<std::uint32_t>(bytes), m_words.data());
}

extern "C" {

FSA_STATUS FsaGetContainerCacheStats(void* handle, const tag_FSA_CONTAINER* container,
                                     unsigned int request, unsigned int* size, void* buffer) {
    return FsaOpsCall(handle, kReadGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!size || (*size && !buffer))
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaGetContainerCacheStats(partner, container, request, size, buffer);
        FSA_NVRAM_INFO nvram{};
        if (const FSA_STATUS s = FsaNvram(handle, FSA_NVRAM_READ_STATUS, &nvram);
            s != FSA_STS_SUCCESS)
            throw s;
        const FsaCacheStats stats(ctx, request);
        FSA_STATUS result = stats.status();
        auto* out = static_cast<std::uint32_t*>(buffer);
        std::uint32_t needed = FSA_CACHE_STATS_GLOBAL_BYTES;
        bool writing = needed <= *size;
        if (writing) {
            static const std::size_t order[] = {1, 6, 2, 7, 3, 4, 5, 8};
            for (std::size_t i = 0; i < 8; ++i)
                out[i] = stats.header(order[i]);
            for (std::size_t w = 9; w <= 18; ++w)
                out[w - 1] = stats.header(w);
            out[18] = 0;
        } else {
            result = FSA_STS_BUFFER_TOO_SMALL;
        }
        for (std::uint32_t i = 0; container && i < stats.slotCount(); ++i) {
            if (i != container->containerNumber)
                continue;
            needed += FSA_CACHE_STATS_RECORD_BYTES;
            if (needed > *size) {
                result = FSA_STS_BUFFER_TOO_SMALL;
                writing = false;
            }
            if (!writing)
                break;
            std::uint32_t* record = out + (needed - FSA_CACHE_STATS_RECORD_BYTES) / 4;
            ++out[18];
            record[0] = i;
            for (std::size_t w = 2; w <= 20; ++w)
                record[w + 1] = stats.slot(i, w);
            record[22] = writeCacheState(ctx, i, stats.slot(i, 5), nvram.batteryState);
        }
        *size = needed;
        return result;
    });
}

FSA_STATUS FsaAreThereOphanRawBuffers(void* handle, int release) {
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        const FsaCacheStats stats(ctx);
        if (stats.status() != FSA_STS_SUCCESS)
            throw stats.status();
        bool found = false;
        for (std::uint32_t i = 0; i + 1 < stats.slotCount(); ++i) {
            if (!stats.slot(i, 2) || CT_CheckConflicts(ctx, i))
                continue;
            found = true;
            if (release) {
                tag_FSA_CONTAINER id{};
                CT_GetStandardID(ctx, &id, i);
                FsaReleaseContainerCache(handle, &id, nullptr);
            }
        }
        return found ? FSA_STS_SUCCESS : FSA_NO_ORPHAN_RAW_BUFFERS;
    });
}
}
