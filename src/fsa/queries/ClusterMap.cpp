#include "ClusterMap.h"

#include "DiskSetChannel.h"
#include "Frame.h"
#include "FsaStatus.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The controller's cluster information (command 258).
struct CLUSTER_INFO_REPLY {
    char name[64];
    std::uint8_t field[16];
    std::uint8_t spare[48];
    std::uint64_t clusterId;
    std::uint32_t count;
    std::uint32_t sharedMask;
    FSA_BUS_MAP_ENTRY entries[16];
};
static_assert(sizeof(CLUSTER_INFO_REPLY) == 272, "the cluster information is 272 bytes");

constexpr std::uint32_t kReplyEntries =
    sizeof(CLUSTER_INFO_REPLY::entries) / sizeof(FSA_BUS_MAP_ENTRY);

// The bus mapping of every local bus, unmapped ones as 0xFF.
std::vector<FSA_BUS_MAP_ENTRY> busMap(void* handle) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return {};
    std::uint32_t count = ctx->info.channelCount;
    std::vector<FSA_BUS_MAP_ENTRY> entries(count);
    if (FsaGetClusterInfo(handle, nullptr, nullptr, nullptr, nullptr, &count, entries.data()) !=
        FSA_STS_SUCCESS)
        return {};
    return entries;
}

std::uint32_t firstByte(const FSA_BUS_MAP_ENTRY& e) {
    return e.words[0] & 0xFF;
}

} // namespace

bool IsAdapterClustering(void* handle) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return false;
    return ctx->info.clustering == 1 || (ctx->info.clustering == 2 && ctx->partnerPresent);
}

FSA_STATUS GetMyConfig(void* handle, FSA_CLUSTER_CONFIG_ENTRY* entries, std::uint32_t count, void*,
                       std::uint32_t* out) {
    std::uint64_t clusterId = 0;
    FSA_BUS_MAP_ENTRY map[kReplyEntries];
    std::uint32_t mapped = kReplyEntries;
    FsaGetClusterInfo(handle, nullptr, nullptr, &clusterId, nullptr, &mapped, map);
    for (std::uint32_t i = 0; i < count; ++i) {
        entries[i].clusterId = clusterId;
        entries[i].partnerBus =
            i < kReplyEntries ? static_cast<std::uint8_t>(firstByte(map[i])) : 0xFF;
    }
    *out = 0;
    return FSA_STS_SUCCESS;
}

extern "C" {

FSA_STATUS FsaGetClusterInfo(void* handle, char* name, std::uint8_t* field,
                             std::uint64_t* clusterId, std::uint32_t* sharedMask,
                             std::uint32_t* count, FSA_BUS_MAP_ENTRY* entries) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (count && entries)
            std::memset(entries, 0xFF, sizeof *entries * *count);
        CLUSTER_INFO_REPLY reply{};
        const FSA_STATUS s =
            DS_SendReceiveFIB(ctx, CL_CLUSTER_INFO, nullptr, 0, &reply, sizeof reply);
        if (s != FSA_STS_SUCCESS)
            return s;
        if (count) {
            // The reply holds at most 16 entries whatever count it claims.
            std::uint32_t n = std::min({reply.count, *count, kReplyEntries});
            if (entries)
                std::memcpy(entries, reply.entries, sizeof *entries * n);
            *count = n;
        }
        if (clusterId)
            *clusterId = reply.clusterId;
        if (sharedMask)
            *sharedMask = reply.sharedMask;
        std::uint32_t firstWord;
        std::memcpy(&firstWord, reply.name, sizeof firstWord);
        if (name && firstWord != 0) {
            std::memcpy(name, reply.name, 51);
            name[50] = '\0';
        }
        std::memcpy(&firstWord, reply.field, sizeof firstWord);
        if (field && firstWord != 0)
            std::memcpy(field, reply.field, sizeof reply.field);
        return FSA_STS_SUCCESS;
    });
}

std::int32_t FsaMapToPartnerBus(void* handle, std::uint32_t bus) {
    const std::vector<FSA_BUS_MAP_ENTRY> map = busMap(handle);
    if (bus >= map.size())
        return -1;
    return static_cast<std::int8_t>(firstByte(map[bus]));
}

std::int32_t FsaMapPartnerToLocalBus(void* handle, std::uint32_t partnerBus) {
    const std::vector<FSA_BUS_MAP_ENTRY> map = busMap(handle);
    for (std::size_t i = map.size(); i-- > 0;)
        if (map[i].words[0] == partnerBus)
            return static_cast<std::int32_t>(i);
    return -1;
}

FSA_STATUS FsaMapToPartnersPerspective(void* handle, const FSA_STORAGE_DEVICE* in,
                                       FSA_STORAGE_DEVICE* out) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT*) {
        if (!in || !out)
            return FSA_STS_BAD_ARGUMENTS;
        const auto bus = static_cast<std::uint32_t>(FsaMapToPartnerBus(handle, in->scsi.bus));
        if (bus >= 255)
            return FSA_STS_DS_NOT_SHARED;
        *out = *in;
        out->scsi.bus = static_cast<std::uint8_t>(bus);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaMapToLocalPerspective(void* handle, const FSA_STORAGE_DEVICE* in,
                                    FSA_STORAGE_DEVICE* out) {
    // No lock and no paused guard: the receive thread maps its events here.
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    if (const FSA_STATUS s = FsaCheckAccess(ctx, FsaAccessSet::ReadOnly); s != FSA_STS_SUCCESS)
        return s;
    if (!in || !out)
        return FSA_STS_BAD_ARGUMENTS;
    const auto bus = static_cast<std::uint32_t>(FsaMapPartnerToLocalBus(handle, in->scsi.bus));
    if (bus >= 255)
        return FSA_STS_DS_NOT_SHARED;
    *out = *in;
    out->scsi.bus = static_cast<std::uint8_t>(bus);
    return FSA_STS_SUCCESS;
}
}
