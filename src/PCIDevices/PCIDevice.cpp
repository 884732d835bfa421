#include "PCIDevices/PCIDevice.h"

#include "PCIDevices/DescriptorReader.h"
#include "System/LogStreams.h"

namespace VarnDiags::PCIDevices {

const char* const PCI_DEVICE_NAME = "PCI Device";
const char* const PCI_DEVICE_DESCRIPTION = "Unknown PCI Device Description";
const char* const EMPTY_PCI_DEVICE = "Default EMPTY PCI Device Created by framework.";

PCIDevice::PCIDevice() : m_nameText(EMPTY_PCI_DEVICE) {
    publishTexts();
}

PCIDevice::PCIDevice(int bus, int device, int function, const char* description)
    : IPCIDevice(bus, device, function) {
    initialize(description);
}

PCIDevice::PCIDevice(int bus, int device, int function, int vendorId, int deviceId,
                     const unsigned long* ioAddresses, const char* description,
                     const char* manufacturer, int subclass, int baseclass)
    : IPCIDevice(bus, device, function, vendorId, deviceId, ioAddresses, manufacturer, subclass,
                 baseclass) {
    initialize(description);
}

PCIDevice::PCIDevice(const char* descriptor) {
    if (!parse(descriptor)) {
        clearToEmpty(); // never half-filled
        return;
    }
    m_valid = true;
    m_locationText = generateLocationString();
    publishTexts();
    setDeviceDescriptor();
}

void PCIDevice::initialize(const char* description) {
    m_nameText = PCI_DEVICE_NAME;
    m_type = PCI_DEVICE_TYPE;
    m_baseDescription = m_descriptionText =
        description != nullptr ? description : PCI_DEVICE_DESCRIPTION;
    m_locationText = generateLocationString();
    publishTexts();
    setDeviceDescriptor();
    m_valid = true;
}

bool PCIDevice::parse(const char* descriptor) {
    if (descriptor == nullptr)
        return false;
    DescriptorReader reader(descriptor);
    reader.text(m_nameText);
    reader.text(m_descriptionText);
    reader.decimal(m_busNum);
    reader.decimal(m_deviceNum);
    reader.decimal(m_funcNum);
    reader.decimal(m_slotID);
    reader.hex32(m_vendorID);
    reader.hex32(m_deviceID);
    if (!reader.ok() || m_funcNum < 0 || m_funcNum > MAX_PCI_FUNCTIONS)
        return false;
    m_phyIOAddr.assign(static_cast<std::size_t>(m_funcNum), 0);
    for (unsigned long& address : m_phyIOAddr)
        reader.hexAddress(address);
    reader.unsignedDecimal(m_type);
    reader.text(m_manufacturer);
    reader.hex32(m_subclass);
    reader.hex32(m_baseclass);
    if (!reader.finished())
        return false;
    m_baseDescription = m_descriptionText;
    return true;
}

void PCIDevice::clearToEmpty() {
    m_busNum = m_deviceNum = m_funcNum = m_vendorID = m_deviceID = m_slotID = m_subclass =
        m_baseclass = -1;
    m_phyIOAddr.clear();
    m_manufacturer.clear();
    m_type = 0;
    m_nameText = EMPTY_PCI_DEVICE;
    m_baseDescription.clear();
    m_descriptionText.clear();
    m_descriptorText.clear();
    m_locationText.clear();
    m_valid = false;
    publishTexts();
}

void PCIDevice::publishTexts() {
    m_name = m_nameText.data();
    m_description = m_descriptionText.data();
    m_descriptor = m_descriptorText.data();
    m_location = m_locationText.data();
}

void PCIDevice::setDeviceLocation() {
    m_locationText = generateLocationString();
    publishTexts();
}

void PCIDevice::setDeviceDescriptor() {
    publishTexts(); // the writer reads the texts through the base's pointers
    m_descriptorText = generateDeviceDescriptor();
    publishTexts();
}

void PCIDevice::setSlotID(int slot) {
    m_slotID = slot;
    if (slot != -1)
        m_descriptionText = m_baseDescription + slotSuffix(slot);
    setDeviceDescriptor();
}

void PCIDevice::DebugLogDeviceDescriptor() const {
    System::logLine(pLogFile, "PCIDevice device ->", m_descriptorText);
}

} // namespace VarnDiags::PCIDevices
