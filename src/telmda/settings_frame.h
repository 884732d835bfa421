// The settings-command frame shared by the network, modem and remote-host
// commands: one field per command, or several in a fixed order.
#pragma once

#include "mgmthost/ocs.h"
#include "telmda/setters.h"

#include <cstddef>
#include <cstdint>

namespace telmda {

struct SettingField {
    std::int32_t id;
    const char* param;
    std::uint16_t objectType;
    // Converts the request's value text and calls the field's setter.
    std::int32_t (*apply)(const SetterContext*, const std::uint32_t* oid, const char* value);
};

struct SettingsGroup {
    const SettingField* fields;
    std::size_t count;
};

// One field: the answer text (or none), the status left in `status`.
char* runSettingField(std::int32_t count, OCSParamList params, const SettingsGroup& group,
                      std::int32_t fieldId, std::int32_t* status);
// A single-field command: the answer of runSettingField.
char* runSettingCommand(std::int32_t count, OCSParamList params, const SettingsGroup& group,
                        std::int32_t fieldId);
// Several fields in the given order; failures other than 271 are listed.
char* runCombinedSettings(std::int32_t count, OCSParamList params, const SettingsGroup& group,
                          const std::int32_t* order, std::size_t orderCount);

// Value conversions of the settings commands.
std::uint16_t exactlyTrue(const char* value);
std::uint8_t lowByte(const char* value);

} // namespace telmda
