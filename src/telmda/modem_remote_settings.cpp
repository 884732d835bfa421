// Modem and remote-host settings: the groups and their combined commands.
// Each field's own command comes from the card field table.
#include "handlers.h"
#include "settings_frame.h"

using namespace telmda;

namespace telmda {
const SettingsGroup kModemSettings{CardGroup::Modem, OCSASCIIToBooln};
const SettingsGroup kRemoteSettings{CardGroup::Remote, OCSASCIIToBooln};
} // namespace telmda

namespace {

constexpr int32_t kModemOrder[] = {16, 17, 18};
constexpr int32_t kRemoteOrder[] = {16, 17, 18, 19, 20, 21};
static_assert(groupHasAll(CardGroup::Modem, kModemOrder),
              "the combined modem command names an id the group lacks");
static_assert(groupHasAll(CardGroup::Remote, kRemoteOrder),
              "the combined remote-host command names an id the group lacks");
static_assert(listsEveryCombinedField(CardGroup::Modem, kModemOrder),
              "the combined modem command and the fields marked Combined differ");
static_assert(listsEveryCombinedField(CardGroup::Remote, kRemoteOrder),
              "the combined remote-host command and the fields marked Combined differ");

} // namespace

extern "C" {

char* SetTYMCModemInfo(int32_t paramCount, OCSParamList params, const char*, int32_t fieldId,
                       int32_t* status) {
    return runSettingField(paramCount, params, kModemSettings, fieldId, status);
}

char* SetTYMCRemoteInfo(int32_t paramCount, OCSParamList params, const char*, int32_t fieldId,
                        int32_t* status) {
    return runSettingField(paramCount, params, kRemoteSettings, fieldId, status);
}

char* CmdRSCSetModemInfo(int32_t n, OCSParamList p) {
    return runCombinedSettings(n, p, kModemSettings, kModemOrder,
                               sizeof kModemOrder / sizeof kModemOrder[0]);
}

char* CmdRSCSetRemoteInfo(int32_t n, OCSParamList p) {
    return runCombinedSettings(n, p, kRemoteSettings, kRemoteOrder,
                               sizeof kRemoteOrder / sizeof kRemoteOrder[0]);
}

} // extern "C"
