// The settings-command frame shared by the network, modem and remote-host
// commands: one field per command, or several in a fixed order.
#pragma once

#include "card_settings.h"
#include "mgmthost/ocs.h"

#include <cstddef>
#include <cstdint>

namespace telmda {

// A settings group: its fields are those of the group in the card field
// table; it reads boolean value texts its own way.
struct SettingsGroup {
    CardGroup group;
    BooleanReader boolean;
};

// The three settings groups.
extern const SettingsGroup kNetworkSettings; // LAN, dial-in and SMTP
extern const SettingsGroup kModemSettings;
extern const SettingsGroup kRemoteSettings;

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
