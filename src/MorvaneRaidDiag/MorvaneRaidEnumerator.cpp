#include "MorvaneRaidEnumerator.h"

#include "FsaApi.h"
#include "MorvaneRaidCtrl.h"
#include "WideText.h"

#include <iterator>
#include <memory>
#include <vector>

namespace VarnDiags::MorvaneRaidDiag {

namespace {

constexpr unsigned int kAdapterNameBytes = 32;

bool isRecentEnough(const MorvaneRaidCtrl& ctrl) {
    return ctrl.isDeviceReferenceValid() && ctrl.isFirmwareValid() && ctrl.isFilterDriverValid() &&
           ctrl.isDLLValid() && ctrl.isDriverValid();
}

} // namespace

FSA_STATUS AdapterEnumCallback(FSA_STATUS status, _tagFSA_ADAPTER_ENUM_INFO* info, void* devices) {
    if (status == FSA_STS_ALL_ITERATED || !info || !devices)
        return FSA_STS_SUCCESS;
    char adapterName[kAdapterNameBytes] = {};
    narrowText(adapterName, info->deviceName, std::size(info->deviceName), sizeof adapterName);
    auto ctrl = std::make_unique<MorvaneRaidCtrl>(adapterName);
    if (isRecentEnough(*ctrl))
        static_cast<std::vector<DeviceEnum::VirtualDevice>*>(devices)->emplace_back(ctrl.release());
    return FSA_STS_SUCCESS;
}

std::vector<DeviceEnum::VirtualDevice>* MorvaneRaidEnumerator::getDeviceVector() {
    auto* devices = new std::vector<DeviceEnum::VirtualDevice>;
    FsaEnumAdaptersA(nullptr, nullptr, devices, &AdapterEnumCallback);
    return devices;
}

} // namespace VarnDiags::MorvaneRaidDiag
