#include "object_layouts.h"

#include "mgmthost/ocs.h"
#include "telmda/card_objects.h"

#include <algorithm>

namespace telmda {
namespace {

// Every field of the card field table, with the type of the object it lies in;
// the rows of one object follow each other.
constexpr std::uint16_t kFieldObjects[] = {
#define CARD_FIELD(object, offset, width, kind, element) object,
#define CARD_SETTING(object, offset, width, kind, element, ...) object,
#include "telmda/card_fields.def"
};
constexpr FieldLayout kFields[] = {
#define CARD_FIELD(object, offset, width, kind, element) {offset, width, element, OCS_KIND_##kind},
#define CARD_SETTING(object, offset, width, kind, element, ...)                                    \
    {offset, width, element, OCS_KIND_##kind},
#include "telmda/card_fields.def"
};
constexpr std::size_t kFieldCount = sizeof kFields / sizeof kFields[0];

constexpr std::size_t firstFieldOf(std::uint16_t type) {
    std::size_t i = 0;
    while (i < kFieldCount && kFieldObjects[i] != type)
        ++i;
    return i;
}

constexpr std::size_t fieldCountOf(std::uint16_t type) {
    std::size_t n = 0;
    for (std::size_t i = firstFieldOf(type); i < kFieldCount && kFieldObjects[i] == type; ++i)
        ++n;
    return n;
}

constexpr ObjectLayout layout(std::uint16_t type, const char* element) {
    return {type, element, kFields + firstFieldOf(type), fieldCountOf(type)};
}

constexpr ObjectLayout kLayouts[] = {
    layout(TELMDA_OBJ_PRESENCE, "Vesk3Obj"),
    layout(TELMDA_OBJ_IDENTIFICATION, "TYMIdentificationObj"),
    layout(TELMDA_OBJ_CONTROL, "TYMCControlObj"),
    layout(TELMDA_OBJ_MONITORING, "TYMCMonitoringObj"),
    layout(TELMDA_OBJ_LAN, "LanNetworkingObj"),
    layout(TELMDA_OBJ_DIALUP, "DialUpNetworkingObj"),
    layout(TELMDA_OBJ_REMOTE_HOSTS, "RemoteHostObj"),
    layout(TELMDA_OBJ_SNMP_AGENT, "oobSnmpAgentObj"),
    layout(TELMDA_OBJ_CURRENT_LAN, "CurrentLanNetworkingObj"),
    layout(TELMDA_OBJ_USER, "TYMCUserEntry"),
    layout(TELMDA_OBJ_TRAP, "SNMPTrap"),
    layout(TELMDA_OBJ_DEMAND_DIAL, "DemandDialObj"),
    layout(TELMDA_OBJ_DIALIN_USER, "DialInUsersObj"),
};

// Every row of the field table belongs to one of the layouts, so each
// object's rows must follow each other.
constexpr bool everyFieldInALayout() {
    std::size_t covered = 0;
    for (const ObjectLayout& l : kLayouts)
        covered += l.fieldCount;
    return covered == kFieldCount;
}
static_assert(everyFieldInALayout(),
              "the card field table names an object without a layout, or splits an object's rows");

} // namespace

const ObjectLayout* layoutOf(std::uint16_t type) {
    for (const ObjectLayout& l : kLayouts)
        if (l.type == type)
            return &l;
    return nullptr;
}

std::size_t minimumSize(std::uint16_t type) {
    std::size_t size = 16;
    if (const ObjectLayout* l = layoutOf(type))
        for (std::size_t i = 0; i < l->fieldCount; ++i)
            size =
                std::max<std::size_t>(size, std::size_t(l->fields[i].offset) + l->fields[i].width);
    return size;
}

} // namespace telmda
