#pragma once
// A talker to an IDE device, which it names by the operating system's text
// for it (its device file).

#include <optional>
#include <string>

#include "DeviceEnum/IOSDeviceTalker.h"

namespace VarnDiags::IDEDevices {

class IOSIdeDeviceTalker : public DeviceEnum::IOSDeviceTalker {
public:
    // Keeps a copy of the text; a null text is refused (false) and the
    // earlier one stays.
    bool setDeviceOSFileDescriptor(const char* descriptor);
    // Null until one was set.
    const char* getDeviceOSFileDescriptor() const;

private:
    std::optional<std::string> m_deviceOSFileDescriptor;
};

} // namespace VarnDiags::IDEDevices
