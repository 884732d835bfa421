#pragma once
// Produces the devices a program can test.

#include <vector>

#include "DeviceEnum/VirtualDevice.h"

namespace VarnDiags::DeviceEnum {

class IDeviceEnumerator {
public:
    virtual ~IDeviceEnumerator() = default;
    // A new vector the caller deletes; null when the program cannot
    // enumerate at all.
    virtual std::vector<VirtualDevice>* getDeviceVector() = 0;
};

} // namespace VarnDiags::DeviceEnum
