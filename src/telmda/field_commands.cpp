// The commands that set one card field: one per settable field of the card
// field table, each run by its group's engine (the settings frame, or the
// entry-table engine: the key's command or a field's).
#include "entry_engine.h"
#include "handlers.h"
#include "settings_frame.h"

using namespace telmda;

namespace {

char* setInEntry(std::int32_t count, OCSParamList params, const EntryTable& table,
                 std::int32_t id) {
    return id == table.keyField ? entryKeyCommand(count, params, table)
                                : entryFieldCommand(count, params, table, id);
}

char* setOneField(std::int32_t count, OCSParamList params, CardGroup group, std::int32_t id) {
    switch (group) {
    case CardGroup::Network:
        return runSettingCommand(count, params, kNetworkSettings, id);
    case CardGroup::Modem:
        return runSettingCommand(count, params, kModemSettings, id);
    case CardGroup::Remote:
        return runSettingCommand(count, params, kRemoteSettings, id);
    case CardGroup::Users:
        return setInEntry(count, params, kUserTable, id);
    case CardGroup::Traps:
        return setInEntry(count, params, kTrapTable, id);
    case CardGroup::DialInUsers:
        return setInEntry(count, params, kDialInTable, id);
    case CardGroup::DemandDials:
        return setInEntry(count, params, kDemandDialTable, id);
    }
    return nullptr;
}

} // namespace

extern "C" {

#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, hostSuffix, setter, shape, param, log,  \
                     logId, group, id, set, command, handler)                                      \
    char* handler(std::int32_t n, OCSParamList p) {                                                \
        return setOneField(n, p, CardGroup::group, id);                                            \
    }
#include "telmda/card_fields.def"

} // extern "C"
