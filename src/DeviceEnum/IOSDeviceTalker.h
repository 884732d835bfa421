#pragma once
// Base of the objects that speak to a device through the operating system:
// open and close the device behind them.

namespace VarnDiags::DeviceEnum {

class IOSDeviceTalker {
public:
    virtual ~IOSDeviceTalker() = default;
    // 0 when opened.
    virtual int OpenDevice() = 0;
    virtual int CloseDevice() = 0;
};

} // namespace VarnDiags::DeviceEnum
