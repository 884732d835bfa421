#pragma once
// A counted handle on one device. Handles are copied by value; the device
// carries the count, and the last handle closes and deletes the device, so
// a device is closed and deleted exactly once whatever was copied or
// assigned.

#include "DeviceEnum/IDevice.h"

namespace VarnDiags::DeviceEnum {

class VirtualDevice {
public:
    VirtualDevice() = default;
    // Takes the device (null gives an empty handle).
    explicit VirtualDevice(IDevice* device);
    VirtualDevice(const VirtualDevice& other);
    VirtualDevice& operator=(const VirtualDevice& other);
    virtual ~VirtualDevice();

    // The device, or null for an empty handle.
    virtual IDevice* getDevice();
    // True when the device opened; an empty handle opens nothing.
    virtual bool openDevice(IDevice::AccessMode mode);
    virtual void closeDevice();

private:
    void acquire(IDevice* device);
    void release();

    IDevice* m_pDevice = nullptr;
};

} // namespace VarnDiags::DeviceEnum
