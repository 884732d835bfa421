#pragma once
// Finds the QLA2312 adapters the SDM library reports.

#include <vector>

#include "DeviceEnum/IDeviceEnumerator.h"

namespace VarnDiags::PCIFiberDiag {

class QLogicHBAEnumerator : public DeviceEnum::IDeviceEnumerator {
public:
    // Binds the SDM library; true on failure.
    bool initDLL();
    // A new vector (the caller deletes it), empty when the library cannot
    // be bound. A failing record read ends the enumeration; the adapters
    // found before it stay in the vector.
    std::vector<DeviceEnum::VirtualDevice>* getDeviceVector() override;

private:
    // The loaded library; it stays loaded for the life of the process.
    void* m_hLibrary = nullptr;
};

} // namespace VarnDiags::PCIFiberDiag
