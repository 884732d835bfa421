#pragma once
// The generic concrete PCI device; it can also be rebuilt by parsing a
// descriptor. A descriptor with too few or malformed fields, or a function
// count outside 0..MAX_PCI_FUNCTIONS, leaves the device not valid.

#include <string>
#include <vector>

#include "PCIDevices/IPCIDevice.h"

namespace VarnDiags::PCIDevices {

extern const char* const PCI_DEVICE_NAME;        // "PCI Device"
extern const char* const PCI_DEVICE_DESCRIPTION; // "Unknown PCI Device Description"
extern const char* const EMPTY_PCI_DEVICE;       // "Default EMPTY PCI Device Created by framework."
constexpr unsigned int PCI_DEVICE_TYPE = 921;

class PCIDevice : public IPCIDevice {
public:
    // An empty device, not valid.
    PCIDevice();
    PCIDevice(int bus, int device, int function, const char* description);
    PCIDevice(int bus, int device, int function, int vendorId, int deviceId,
              const unsigned long* ioAddresses, const char* description, const char* manufacturer,
              int subclass, int baseclass);
    explicit PCIDevice(const char* descriptor);
    ~PCIDevice() override = default;

    IDevice* clone(const char* descriptor) override { return new PCIDevice(descriptor); }
    int open(AccessMode) override { return 0; }
    void close() override {}

    // Each setter stores the value and regenerates the descriptor text
    // (not the location text).
    void setBusNum(int bus) { store(m_busNum, bus); }
    void setDeviceNum(int device) { store(m_deviceNum, device); }
    void setFuncNum(int function) { store(m_funcNum, function); }
    void setVendorID(int vendorId) { store(m_vendorID, vendorId); }
    void setDeviceID(int deviceId) { store(m_deviceID, deviceId); }
    void setManufacturer(const char* manufacturer) {
        store(m_manufacturer, std::string(manufacturer != nullptr ? manufacturer : ""));
    }
    void setDeviceSubclass(int subclass) { store(m_subclass, subclass); }
    void setDeviceBaseclass(int baseclass) { store(m_baseclass, baseclass); }
    void setPhyIOAddr(std::vector<unsigned long> addresses) {
        store(m_phyIOAddr, std::move(addresses));
    }
    // Unless -1, the description becomes its base text followed by the
    // slot part ("- onboard" or "- Slot:<n>").
    void setSlotID(int slot);
    void setDeviceLocation();
    void setDeviceDescriptor();

    void DebugLogDeviceDescriptor() const;
    bool IsSCSIControllerDevice() const { return m_baseclass == 1 && m_subclass == 0; }
    bool IsNetworkDevice() const { return m_baseclass == 2 && m_subclass == 0; }
    bool IsPCIBridge() const { return m_baseclass == 6 && m_subclass == 4; }

private:
    template <typename T> void store(T& field, T value) {
        field = std::move(value);
        setDeviceDescriptor();
    }
    void initialize(const char* description);
    bool parse(const char* descriptor);
    void clearToEmpty();
    // Points the base's text pointers at the strings below.
    void publishTexts();

    std::string m_nameText;
    std::string m_baseDescription; // description without the slot part
    std::string m_descriptionText;
    std::string m_descriptorText;
    std::string m_locationText;
};

} // namespace VarnDiags::PCIDevices
