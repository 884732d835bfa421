#include "SystemDeviceEnumerator.h"

#include "OSInformationExtractor.h"
#include "TamselInformationExtractor.h"

namespace VarnDiags::SystemDevices {

std::vector<DeviceEnum::VirtualDevice>* SystemDeviceEnumerator::getDeviceVector() {
    return m_source == TAMSEL_STORE ? getAllSystemDevicesfromTamselEnumStore()
                                    : getAllSystemDevicesfromOSEnumStore();
}

std::vector<DeviceEnum::VirtualDevice>*
SystemDeviceEnumerator::getAllSystemDevicesfromTamselEnumStore() {
    return DeviceEnum::TamselInformationExtractor().getSystemDevicesVector();
}

std::vector<DeviceEnum::VirtualDevice>*
SystemDeviceEnumerator::getAllSystemDevicesfromOSEnumStore() {
    return OSEnumDevices::OSInformationExtractor().getSystemDevicesVector();
}

} // namespace VarnDiags::SystemDevices
