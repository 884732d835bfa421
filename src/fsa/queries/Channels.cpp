// FsaEnumChannels: the adapter's SCSI channels, one callback per channel.

#include "Frame.h"
#include "FsaDevices.h"
#include "HandleTable.h"
#include "ScsiCommands.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kChannelBytesAt = 12; // one byte per channel
constexpr std::uint32_t kChannelStatesAt = 22;
constexpr std::uint32_t kBusInfoBytes = 32;
constexpr std::uint32_t kMapEntries = 16;

std::uint32_t channelState(std::uint8_t code) {
    switch (code) {
    case 1:
        return 0;
    case 0:
        return 1;
    case 2:
    case 3:
        return code;
    default:
        return 4;
    }
}

std::uint32_t channelKind(const FSA_GENERAL_INFO& g) {
    const std::uint32_t t = g.adapterType;
    if (t == 5)
        return 6;
    if (t >= 7 && t <= 9)
        return 7;
    if (t >= 10 && t <= 17)
        return 9;
    if (t == 18)
        return (g.adapterOptions & 0x80) ? 10 : 9;
    return 0;
}

} // namespace

extern "C" FSA_STATUS FsaEnumChannels(void* handle, void* user,
                                      FSA_CHANNEL_ENUM_CALLBACK callback) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        if (!callback)
            return FSA_STS_BAD_ARGUMENTS;
        std::uint8_t bus[kBusInfoBytes] = {};
        if (SCSI_sendfib(ctx, 0, SCSI_BUS_INFO, bus, sizeof bus, 0) != FSA_STS_SUCCESS)
            return FSA_STS_NOT_IMPLEMENTED;
        std::uint32_t count = 0, highest = 0;
        std::memcpy(&count, bus + 4, 4);
        std::memcpy(&highest, bus + 8, 4);
        // The reply has room for the bytes of ten channels only.
        count = std::min(count, kChannelStatesAt - kChannelBytesAt);

        FSA_BUS_MAP_ENTRY map[kMapEntries];
        std::uint32_t mapped = kMapEntries, shared = 0;
        if (FsaGetClusterInfo(handle, nullptr, nullptr, nullptr, &shared, &mapped, map) !=
            FSA_STS_SUCCESS) {
            std::memset(map, 0xFF, sizeof map);
            shared = 0;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            _tagFSA_CHANNEL_ENUM_INFO info{};
            info.channel = i;
            info.channelByte = bus[kChannelBytesAt + i];
            info.highestTarget = highest;
            info.kind = channelKind(ctx->info);
            info.shared = shared >> i & 1;
            std::memcpy(info.clusterMap, &map[i], sizeof info.clusterMap);
            info.state = channelState(bus[kChannelStatesAt + i]);
            callback(count, &info, user);
        }
        return FSA_STS_SUCCESS;
    });
}
