#include "host.h"

namespace telmda {

OidList childOids(std::uint32_t parent, std::uint16_t type) {
    return OidList(SMILListChildOIDByType(&parent, type));
}

const char* paramText(std::int32_t count, OCSParamList params, const char* name) {
    return OCSGetAStrParamValueByAStrName(count, params, name, 0);
}

bool helpRequested(std::int32_t count, OCSParamList params) {
    const char* value = nullptr;
    return OCSDASNVPValToXVal(count, params, "cmdhelp", OCS_KIND_TEXT, &value) == 0;
}

} // namespace telmda
