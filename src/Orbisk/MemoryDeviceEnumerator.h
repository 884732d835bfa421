#pragma once
// Turns the system memory device of the data manager into memory devices.

#include "SystemDeviceEnumerator.h"

namespace VarnDiags::MemoryDevices {

class MemoryDeviceEnumerator : public SystemDevices::SystemDeviceEnumerator {
public:
    // A new vector (caller deletes) with one memory device per system memory
    // device; empty when the data manager has none.
    std::vector<DeviceEnum::VirtualDevice>* getDeviceVector() override;
};

} // namespace VarnDiags::MemoryDevices
