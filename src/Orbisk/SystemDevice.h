#pragma once
// The machine (here: its memory) as one device of the framework. Its
// descriptor is the type code, ":", and the parameter list; for system
// memory (type code 0) the parameter list is the memory parameter list.

#include <string>

#include "DeviceEnum/IDevice.h"

namespace VarnDiags::SystemDevices {

class SystemDevice : public DeviceEnum::IDevice {
public:
    static constexpr short SYSTEM_MEMORY = 0;
    static constexpr short EMPTY_DEVICE = 153;
    static constexpr unsigned int DEVICE_TYPE = 98;

    SystemDevice(int typeCode, const char* parameterList);
    // Rebuilds a device from its descriptor; one without a type code and
    // ":" stays invalid.
    explicit SystemDevice(const char* descriptor);
    // The empty device.
    SystemDevice();
    ~SystemDevice() override = default;

    IDevice* clone(const char* descriptor) override;
    int open(AccessMode) override { return 0; }
    void close() override {}

    bool isSystemMemoryDevice() const { return m_deviceTypeCode == SYSTEM_MEMORY; }
    // Null when the device has none.
    const char* getParamList() const { return m_hasParamList ? m_paramList.c_str() : nullptr; }
    // The total KB of a memory parameter list; 0 when there is none.
    unsigned long getMemSize() const;
    short getDeviceTypeCode() const { return m_deviceTypeCode; }

protected:
    // Sets the IDevice texts; the device keeps the copies.
    void setTexts(const std::string& name, const std::string& descriptor,
                  const std::string& description, const std::string& location);
    void setParamList(const std::string& list);

private:
    short m_deviceTypeCode = EMPTY_DEVICE;
    bool m_hasParamList = false;
    std::string m_paramList;
    std::string m_nameText, m_descriptorText, m_descriptionText, m_locationText;
};

} // namespace VarnDiags::SystemDevices
