// The controller's storage devices and SCSI channels.
#include "FsaDevices.h"
#include "FsaMaintenance.h"
#include "MorvaneRaidCtrl.h"

namespace VarnDiags::MorvaneRaidDiag {

void ChannelEnumCallback(unsigned int, const _tagFSA_CHANNEL_ENUM_INFO* channel, void* buses) {
    if (!channel || !buses)
        return;
    static_cast<BusInfoVector*>(buses)->push_back(
        BusInfo{channel->highestTarget, channel->kind, channel->zero, channel->state});
}

std::vector<ScsiDevice> MorvaneRaidCtrl::getDeviceVector() {
    std::vector<ScsiDevice> devices;
    FSA_STORAGE_DEVICE_INFO record{};
    // The library reads the address asked from before it fills the record.
    const FSA_STORAGE_DEVICE* previous = nullptr;
    while (FsaGetStorageDeviceInfo(m_adapterHandle, 1, previous, &record) == FSA_STS_SUCCESS) {
        previous = &record.deviceLocation;
        if (record.sdClass == FSA_SDC_CONTAINER_COMPATIBLE)
            devices.emplace_back(&record, m_adapterHandle);
    }
    return devices;
}

BusInfoVector MorvaneRaidCtrl::getBusInfoVector() {
    BusInfoVector buses;
    FsaEnumChannels(m_adapterHandle, &buses, &ChannelEnumCallback);
    return buses;
}

bool MorvaneRaidCtrl::resetBus(int bus) {
    return FsaResetScsiBus(m_adapterHandle, static_cast<std::uint32_t>(bus)) == FSA_STS_SUCCESS;
}

} // namespace VarnDiags::MorvaneRaidDiag
