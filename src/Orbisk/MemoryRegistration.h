#pragma once
// Registers the memory device with the diagnostic host.

#include "DeviceEnum/IDevice.h"

struct tag_DapiDiagDevice;

namespace VarnDiags::Orbisk {

// 0 registered (the host's record in *hostDevice), -1 failed: not a system
// device, or the host refused it.
int CreateDapi2DeviceFromVarnDevice(DeviceEnum::IDevice* device, tag_DapiDiagDevice** hostDevice);

} // namespace VarnDiags::Orbisk
