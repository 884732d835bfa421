#pragma once
// The operating system as a source of the memory facts: not provided. The
// enumerator falls back to it only when asked for another source.

#include <vector>

#include "DeviceEnum/VirtualDevice.h"

namespace VarnDiags::OSEnumDevices {

class OSInformationExtractor {
public:
    int getOsType() const { return 2; }
    // No vector: this source has no devices to offer.
    std::vector<DeviceEnum::VirtualDevice>* getSystemDevicesVector() { return nullptr; }
};

} // namespace VarnDiags::OSEnumDevices
