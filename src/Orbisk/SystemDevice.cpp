#include "SystemDevice.h"

#include "MemoryParameterList.h"

namespace VarnDiags::SystemDevices {

namespace {

const char* const SYSTEM_NAME = "System Device";
const char* const SYSTEM_DESCRIPTION = "Unknown System Device Description";
const char* const SYSTEM_LOCATION = "System Device Location";
const char* const EMPTY_NAME = "Default EMPTY System Device Created by framework.";
constexpr std::size_t MAX_TYPE_CODE_DIGITS = 4;

} // namespace

SystemDevice::SystemDevice(int typeCode, const char* parameterList)
    : m_deviceTypeCode(static_cast<short>(typeCode)) {
    setParamList(parameterList != nullptr ? parameterList : "");
    setTexts(SYSTEM_NAME, std::to_string(m_deviceTypeCode) + ":" + m_paramList, SYSTEM_DESCRIPTION,
             SYSTEM_LOCATION);
    m_type = DEVICE_TYPE;
    m_valid = true;
}

SystemDevice::SystemDevice(const char* descriptor) : SystemDevice() {
    const std::string text = descriptor != nullptr ? descriptor : "";
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon > MAX_TYPE_CODE_DIGITS)
        return;
    const std::optional<unsigned long> code = DeviceEnum::leadingNumber(text);
    if (!code)
        return;
    m_deviceTypeCode = static_cast<short>(*code);
    setParamList(text.substr(colon + 1));
    setTexts(SYSTEM_NAME, text, SYSTEM_DESCRIPTION, SYSTEM_LOCATION);
    m_type = DEVICE_TYPE;
    m_valid = true;
}

SystemDevice::SystemDevice() {
    setTexts(EMPTY_NAME, SYSTEM_DESCRIPTION, SYSTEM_DESCRIPTION, SYSTEM_LOCATION);
    m_type = DEVICE_TYPE;
    m_valid = false;
}

DeviceEnum::IDevice* SystemDevice::clone(const char* descriptor) {
    return new SystemDevice(descriptor);
}

unsigned long SystemDevice::getMemSize() const {
    if (!m_hasParamList)
        return 0;
    return DeviceEnum::leadingNumber(m_paramList).value_or(0);
}

void SystemDevice::setTexts(const std::string& name, const std::string& descriptor,
                            const std::string& description, const std::string& location) {
    m_nameText = name;
    m_descriptorText = descriptor;
    m_descriptionText = description;
    m_locationText = location;
    m_name = m_nameText.data();
    m_descriptor = m_descriptorText.data();
    m_description = m_descriptionText.data();
    m_location = m_locationText.data();
}

void SystemDevice::setParamList(const std::string& list) {
    m_paramList = list;
    m_hasParamList = true;
}

} // namespace VarnDiags::SystemDevices
