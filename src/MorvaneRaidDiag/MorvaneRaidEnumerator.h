#pragma once
// Finds the controllers the library reaches and keeps those whose
// firmware, drivers and library are recent enough.

#include "DeviceEnum/IDeviceEnumerator.h"
#include "FsaTypes.h"

namespace VarnDiags::MorvaneRaidDiag {

class MorvaneRaidEnumerator : public DeviceEnum::IDeviceEnumerator {
public:
    // A new vector the caller deletes.
    std::vector<DeviceEnum::VirtualDevice>* getDeviceVector() override;
};

// The library's enumeration callback: adds one controller to the
// std::vector<VirtualDevice> given as `devices`; always goes on (1).
FSA_STATUS AdapterEnumCallback(FSA_STATUS status, _tagFSA_ADAPTER_ENUM_INFO* info, void* devices);

} // namespace VarnDiags::MorvaneRaidDiag
