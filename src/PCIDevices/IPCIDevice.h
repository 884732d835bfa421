#pragma once
// A device on the PCI bus: address, ids, I/O addresses and class codes,
// written as a location text and as the device descriptor, the "|"-ended
// field list from which the device is rebuilt later:
//
//   name|description|bus|device|function|slot|vendor|deviceid|io0|...|type|manufacturer|subclass|baseclass|
//
// bus, device, function, slot and type in decimal; the rest of the numbers
// in lower-case hexadecimal (-1 is "ffffffff"); one I/O address field per
// function, "ffffffff" where no address is stored.

#include <string>
#include <vector>

#include "DeviceEnum/IDevice.h"

namespace VarnDiags::PCIDevices {

// A descriptor naming more functions than this is refused.
constexpr int MAX_PCI_FUNCTIONS = 8;

class IPCIDevice : public DeviceEnum::IDevice {
public:
    IPCIDevice() = default;
    IPCIDevice(int bus, int device, int function);
    // `ioAddresses`, when given, holds one address per function.
    IPCIDevice(int bus, int device, int function, int vendorId, int deviceId,
               const unsigned long* ioAddresses, const char* manufacturer, int subclass,
               int baseclass);
    ~IPCIDevice() override = default;

    int getBusNum() const { return m_busNum; }
    int getDeviceNum() const { return m_deviceNum; }
    int getFuncNum() const { return m_funcNum; }
    int getVendorID() const { return m_vendorID; }
    int getDeviceID() const { return m_deviceID; }
    const std::vector<unsigned long>& getPhyIOAddr() const { return m_phyIOAddr; }
    std::string getManufacturer() const { return m_manufacturer; }
    int getDeviceSubclass() const { return m_subclass; }
    int getDeviceBaseclass() const { return m_baseclass; }
    int getSlotID() const { return m_slotID; }

    std::string generateLocationString() const;
    std::string generateDeviceDescriptor() const;

protected:
    int m_busNum = -1;
    int m_deviceNum = -1;
    int m_funcNum = -1;
    int m_vendorID = -1;
    int m_deviceID = -1;
    int m_slotID = -1; // -1 unknown, 0 on the system board
    std::vector<unsigned long> m_phyIOAddr;
    std::string m_manufacturer;
    int m_subclass = -1;
    int m_baseclass = -1;
};

// The slot part of a location or description: "" for -1, "- onboard" for
// 0, "- Slot:<n>" otherwise.
std::string slotSuffix(int slot);

} // namespace VarnDiags::PCIDevices
