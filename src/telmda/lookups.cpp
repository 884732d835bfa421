// Card presence and the two entry lookups (by "oid"/"index", and by key).
#include "lookups.h"

#include "card_object.h"
#include "entry_table.h"
#include "exported_call.h"
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
bool found(const CardObject& object, uint32_t* oid, void* copy) {
    if (oid)
        *oid = object.view().oid();
    object.copyTo(copy);
    return true;
}

} // namespace

namespace telmda {

int16_t presenceWord() {
    const CardObject presence = CardObject::cardObject(TELMDA_OBJ_PRESENCE);
    return presence ? static_cast<int16_t>(presence.view().u16(16)) : 0;
}

bool objectFromArgs(int32_t paramCount, OCSParamList params, uint32_t* oid, void* copy,
                    uint16_t type) {
    CardObject object;
    if (const char* text = OCSGetAStrParamValueByAStrName(paramCount, params, "oid", 0))
        object = CardObject::byOid(OCSASCIIToUnSigned32(text));
    else if (const char* index = OCSGetAStrParamValueByAStrName(paramCount, params, "index", 0))
        object = CardObject::byType(TELMDA_INSTANCE_ROOT_OID, type, OCSASCIIToUnSigned32(index));
    if (!object || object.view().type() != type)
        return false;
    return found(object, oid, copy);
}

bool objectByKey(const char* key, uint16_t type, uint32_t* oid, void* copy) {
    const std::size_t offset = keyOffset(type);
    if (!key || offset == 0)
        return false;
    const OidList list = childOids(TELMDA_CARD_ROOT_OID, type);
    for (uint32_t i = 0; i < list.count(); ++i) {
        const CardObject object = CardObject::byOid(list.at(i));
        if (object && object.view().type() == type &&
            strcasecmp(object.view().text(offset, 0).c_str(), key) == 0)
            return found(object, oid, copy);
    }
    return false;
}

} // namespace telmda

extern "C" {

// Read as "card absent" when the presence word cannot be read.
int16_t IsTYMCPresent(void) {
    return exportedCall(int16_t{0}, [] { return presenceWord(); });
}

// Card absent when the presence word cannot be read, with the status "out of
// memory" instead of "card absent".
int XMLIsTYMCPresent(OCSXBuf* buf, int32_t* status) {
    const int present = exportedCall(-1, [] { return presenceWord() != 0 ? 1 : 0; });
    if (present == 1)
        return 1;
    if (present < 0) {
        if (status)
            *status = TELMDA_STATUS_NO_MEMORY;
        return 0;
    }
    const int32_t custom = TELMDA_CUSTOM_CARD_ABSENT;
    OCSXBufCatNode(buf, "CustomStat", nullptr, OCS_KIND_INT32, &custom);
    if (status)
        *status = TELMDA_STATUS_CARD_ABSENT;
    return 0;
}

int GetOIDFromCommandArgsEx(int32_t paramCount, OCSParamList params, uint32_t* oid, void* copy,
                            uint16_t type) {
    return exportedCall(
        0, [&] { return objectFromArgs(paramCount, params, oid, copy, type) ? 1 : 0; });
}

int GetOIDFromCommandArgs(int32_t paramCount, OCSParamList params, uint32_t* oid, uint16_t type) {
    return GetOIDFromCommandArgsEx(paramCount, params, oid, nullptr, type);
}

int LocateRequiredObjectEx(const char* key, uint16_t type, uint32_t* oid, void* copy) {
    return exportedCall(0, [&] { return objectByKey(key, type, oid, copy) ? 1 : 0; });
}

int LocateRequiredObject(const char* key, uint16_t type, uint32_t* oid) {
    return LocateRequiredObjectEx(key, type, oid, nullptr);
}

} // extern "C"
