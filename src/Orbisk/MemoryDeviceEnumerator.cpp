#include "MemoryDeviceEnumerator.h"

#include <memory>

#include "MemoryDevice.h"

namespace VarnDiags::MemoryDevices {

std::vector<DeviceEnum::VirtualDevice>* MemoryDeviceEnumerator::getDeviceVector() {
    auto devices = std::make_unique<std::vector<DeviceEnum::VirtualDevice>>();
    std::unique_ptr<std::vector<DeviceEnum::VirtualDevice>> systemDevices(
        getAllSystemDevicesfromTamselEnumStore());
    if (systemDevices == nullptr)
        return devices.release();
    for (DeviceEnum::VirtualDevice& handle : *systemDevices) {
        auto* device = dynamic_cast<SystemDevices::SystemDevice*>(handle.getDevice());
        if (device != nullptr && device->isSystemMemoryDevice() &&
            device->getParamList() != nullptr)
            devices->emplace_back(new MemoryDevice(std::string(device->getParamList())));
    }
    return devices.release();
}

} // namespace VarnDiags::MemoryDevices
