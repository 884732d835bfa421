// LAN, dial-in and SMTP settings: the group and its combined command. Each
// field's own command comes from the card field table.
#include "handlers.h"
#include "settings_frame.h"

using namespace telmda;

namespace telmda {
// The network settings read a boolean as set only when it is exactly "true".
const SettingsGroup kNetworkSettings{CardGroup::Network, exactlyTrue};
} // namespace telmda

namespace {

constexpr int32_t kCombinedOrder[] = {16, 17, 18, 19, 20, 21, 22, 23, 25, 32, 24};
static_assert(groupHasAll(CardGroup::Network, kCombinedOrder),
              "the combined network command names an id the group lacks");
static_assert(listsEveryCombinedField(CardGroup::Network, kCombinedOrder),
              "the combined network command and the fields marked Combined differ");

} // namespace

extern "C" {

char* SetTYMCNetworkConfInfo(int32_t paramCount, OCSParamList params, const char*, int32_t fieldId,
                             int32_t* status) {
    return runSettingField(paramCount, params, kNetworkSettings, fieldId, status);
}

char* CmdRSCSetNetworkConf(int32_t n, OCSParamList p) {
    return runCombinedSettings(n, p, kNetworkSettings, kCombinedOrder,
                               sizeof kCombinedOrder / sizeof kCombinedOrder[0]);
}

} // extern "C"
