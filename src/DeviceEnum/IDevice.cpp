#include "DeviceEnum/IDevice.h"

namespace VarnDiags::DeviceEnum {

IDevice::IDevice(System::Lock* lock) : System::SystemResource(lock) {}

IDevice::IDevice(char* name, char* descriptor, char* description, char* location, unsigned int type,
                 System::Lock* lock)
    : System::SystemResource(lock), m_name(name), m_descriptor(descriptor),
      m_description(description), m_location(location), m_type(type) {}

IDevice::~IDevice() = default;

} // namespace VarnDiags::DeviceEnum
