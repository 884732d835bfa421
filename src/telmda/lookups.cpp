// Card presence and the two entry lookups (by "oid"/"index", and by key).
#include "card_object.h"
#include "entry_table.h"
#include "telmda/card_objects.h"

#include <cstring>
#include <strings.h>

using namespace telmda;

namespace {

// Offset of each entry type's key text, as its table has it.
std::size_t keyOffset(std::uint16_t type) {
    for (const EntryTable* table : {&kUserTable, &kTrapTable, &kDemandDialTable, &kDialInTable})
        if (table->type == type)
            return table->keyOffset;
    return 0;
}

// Hands over a found object: its OID, and a whole copy when asked.
int found(const CardObject& object, uint32_t* oid, void* copy) {
    if (oid)
        *oid = object.view().oid();
    object.copyTo(copy);
    return 1;
}

} // namespace

extern "C" {

int16_t IsTYMCPresent(void) {
    const CardObject presence = CardObject::cardObject(TELMDA_OBJ_PRESENCE);
    return presence ? static_cast<int16_t>(presence.view().u16(16)) : 0;
}

int XMLIsTYMCPresent(OCSXBuf* buf, int32_t* status) {
    if (IsTYMCPresent() != 0)
        return 1;
    const int32_t custom = TELMDA_CUSTOM_CARD_ABSENT;
    OCSXBufCatNode(buf, "CustomStat", nullptr, OCS_KIND_INT32, &custom);
    if (status)
        *status = TELMDA_STATUS_CARD_ABSENT;
    return 0;
}

int GetOIDFromCommandArgsEx(int32_t paramCount, OCSParamList params, uint32_t* oid, void* copy,
                            uint16_t type) {
    CardObject object;
    if (const char* text = OCSGetAStrParamValueByAStrName(paramCount, params, "oid", 0))
        object = CardObject::byOid(OCSASCIIToUnSigned32(text));
    else if (const char* index = OCSGetAStrParamValueByAStrName(paramCount, params, "index", 0))
        object = CardObject::byType(TELMDA_INSTANCE_ROOT_OID, type, OCSASCIIToUnSigned32(index));
    if (!object || object.view().type() != type)
        return 0;
    return found(object, oid, copy);
}

int GetOIDFromCommandArgs(int32_t paramCount, OCSParamList params, uint32_t* oid, uint16_t type) {
    return GetOIDFromCommandArgsEx(paramCount, params, oid, nullptr, type);
}

int LocateRequiredObjectEx(const char* key, uint16_t type, uint32_t* oid, void* copy) {
    const std::size_t offset = keyOffset(type);
    if (!key || offset == 0)
        return 0;
    const OidList list = childOids(TELMDA_CARD_ROOT_OID, type);
    for (uint32_t i = 0; i < list.count(); ++i) {
        const CardObject object = CardObject::byOid(list.at(i));
        if (object && object.view().type() == type &&
            strcasecmp(object.view().text(offset, 0).c_str(), key) == 0)
            return found(object, oid, copy);
    }
    return 0;
}

int LocateRequiredObject(const char* key, uint16_t type, uint32_t* oid) {
    return LocateRequiredObjectEx(key, type, oid, nullptr);
}

} // extern "C"
