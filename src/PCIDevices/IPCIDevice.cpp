#include "PCIDevices/IPCIDevice.h"

#include <algorithm>
#include <cstdio>

namespace VarnDiags::PCIDevices {
namespace {

std::string hex(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

std::string hex32(int value) {
    return hex(static_cast<unsigned int>(value));
}

// Texts travel inside a "|"-separated list; a bar in them would shift
// every later field.
std::string field(const char* text) {
    std::string value = text != nullptr ? text : "";
    std::replace(value.begin(), value.end(), '|', '/');
    return value + "|";
}

std::string field(const std::string& text) {
    return field(text.c_str());
}

} // namespace

IPCIDevice::IPCIDevice(int bus, int device, int function)
    : m_busNum(bus), m_deviceNum(device), m_funcNum(function) {}

IPCIDevice::IPCIDevice(int bus, int device, int function, int vendorId, int deviceId,
                       const unsigned long* ioAddresses, const char* manufacturer, int subclass,
                       int baseclass)
    : m_busNum(bus), m_deviceNum(device), m_funcNum(function), m_vendorID(vendorId),
      m_deviceID(deviceId), m_manufacturer(manufacturer != nullptr ? manufacturer : ""),
      m_subclass(subclass), m_baseclass(baseclass) {
    if (ioAddresses != nullptr && function > 0)
        m_phyIOAddr.assign(ioAddresses, ioAddresses + std::min(function, MAX_PCI_FUNCTIONS));
}

std::string slotSuffix(int slot) {
    if (slot == -1)
        return "";
    if (slot == 0)
        return "- onboard";
    return "- Slot:" + std::to_string(slot);
}

std::string IPCIDevice::generateLocationString() const {
    std::string location;
    char part[64];
    for (int k = 0; k < m_funcNum; ++k) {
        if (k == 0)
            std::snprintf(part, sizeof part, "PCI Bus%u:Device%u:Function%u",
                          static_cast<unsigned>(m_busNum), static_cast<unsigned>(m_deviceNum), 0u);
        else
            std::snprintf(part, sizeof part, ",Function%u", static_cast<unsigned>(k));
        location += part;
    }
    return location + slotSuffix(m_slotID);
}

std::string IPCIDevice::generateDeviceDescriptor() const {
    std::string descriptor = field(m_name) + field(m_description) +
                             field(std::to_string(m_busNum)) + field(std::to_string(m_deviceNum)) +
                             field(std::to_string(m_funcNum)) + field(std::to_string(m_slotID)) +
                             field(hex32(m_vendorID)) + field(hex32(m_deviceID));
    const int addresses = std::clamp(m_funcNum, 0, MAX_PCI_FUNCTIONS);
    for (int k = 0; k < addresses; ++k)
        descriptor +=
            field(k < static_cast<int>(m_phyIOAddr.size()) ? hex(m_phyIOAddr[k]) : "ffffffff");
    return descriptor + field(std::to_string(m_type)) + field(m_manufacturer) +
           field(hex32(m_subclass)) + field(hex32(m_baseclass));
}

} // namespace VarnDiags::PCIDevices
