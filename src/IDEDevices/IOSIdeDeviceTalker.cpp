#include "IDEDevices/IOSIdeDeviceTalker.h"

namespace VarnDiags::IDEDevices {

bool IOSIdeDeviceTalker::setDeviceOSFileDescriptor(const char* descriptor) {
    if (descriptor == nullptr)
        return false;
    m_deviceOSFileDescriptor = descriptor;
    return true;
}

const char* IOSIdeDeviceTalker::getDeviceOSFileDescriptor() const {
    return m_deviceOSFileDescriptor ? m_deviceOSFileDescriptor->c_str() : nullptr;
}

} // namespace VarnDiags::IDEDevices
