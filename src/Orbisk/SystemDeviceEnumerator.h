#pragma once
// Enumerates the system devices from the data manager (the default source)
// or from the operating system.

#include "DeviceEnum/IDeviceEnumerator.h"

namespace VarnDiags::SystemDevices {

class SystemDeviceEnumerator : public DeviceEnum::IDeviceEnumerator {
public:
    enum ENUM_SRC { TAMSEL_STORE = 0, OS_STORE = 1 };

    std::vector<DeviceEnum::VirtualDevice>* getDeviceVector() override;
    void setAlternateSource(ENUM_SRC source) { m_source = source; }

protected:
    std::vector<DeviceEnum::VirtualDevice>* getAllSystemDevicesfromTamselEnumStore();
    std::vector<DeviceEnum::VirtualDevice>* getAllSystemDevicesfromOSEnumStore();

private:
    ENUM_SRC m_source = TAMSEL_STORE;
};

} // namespace VarnDiags::SystemDevices
