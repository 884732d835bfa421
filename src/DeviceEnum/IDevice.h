#pragma once
// Base of every testable device.
//
// A concrete device fills the protected fields itself and owns the texts it
// points them at (the base never frees them). `m_useCount` is kept by the
// VirtualDevice handles; a device is deleted by its last handle.

#include <string>

#include "System/CharacteristicsMap.h"
#include "System/SystemResource.h"

namespace VarnDiags::DeviceEnum {

class IDevice : public System::SystemResource {
public:
    // What `open` is asked for; each program decides what the modes mean.
    enum AccessMode { OPEN_QUERY = 0, OPEN_READ = 1, OPEN_WRITE = 2, OPEN_TEST = 3 };

    explicit IDevice(System::Lock* lock = nullptr);
    IDevice(char* name, char* descriptor, char* description, char* location, unsigned int type,
            System::Lock* lock);
    virtual ~IDevice();
    IDevice(const IDevice&) = delete;
    IDevice& operator=(const IDevice&) = delete;

    // A new device of the same class rebuilt from `descriptor`; caller owns it.
    virtual IDevice* clone(const char* descriptor) = 0;
    // 0 when opened.
    virtual int open(AccessMode mode) = 0;
    virtual void close() = 0;

    const char* getDeviceName() const { return m_name; }
    const char* getDeviceDescriptor() const { return m_descriptor; }
    const char* getDeviceDescription() const { return m_description; }
    const char* getDeviceLocation() const { return m_location; }
    unsigned int getDeviceType() const { return m_type; }
    bool isDeviceReferenceValid() const { return m_valid; }
    bool getCharacteristic(const std::string& key, std::string*& value) const {
        return m_characteristics.getCharacteristic(key, value);
    }

protected:
    friend class VirtualDevice;

    bool m_valid = false;
    char* m_name = nullptr;
    char* m_descriptor = nullptr;
    char* m_description = nullptr;
    char* m_location = nullptr;
    unsigned int m_type = 0;
    int m_useCount = 0;
    System::CharacteristicsMap m_characteristics;
};

} // namespace VarnDiags::DeviceEnum
