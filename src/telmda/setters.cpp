// The exported setters: one per settable card field, run by the setter engine.
#include "card_log_ids.h"
#include "card_settings.h"
#include "setter_engine.h"

using namespace telmda;

namespace {

const char* dialTypeName(uint8_t code) {
    return code == 1 ? "Tone Dial" : "Pulse Dial";
}
const char* authTypeName(uint8_t code) {
    return code == 1 ? "Encrypted" : code == 2 ? "MSCHAP" : "Any";
}

// How the command log shows a value: its kind and, for 8-bit codes, their names.
struct LogForm {
    int32_t valueKind;
    const char* (*codeName)(uint8_t);
};
constexpr LogForm kLogText{OCS_KIND_TEXT, nullptr}, kLogObjText{OCS_KIND_OBJ_TEXT, nullptr},
    kLogBoolean{OCS_KIND_BOOLEAN, nullptr}, kLogUInt32{OCS_KIND_UINT32, nullptr},
    kLogDialTypeName{OCS_KIND_TEXT, dialTypeName}, kLogAuthTypeName{OCS_KIND_TEXT, authTypeName},
    kLogNothing{0, nullptr};

// Which keys each entry table's key setter refuses on a free slot.
constexpr KeyRefusal keyRefusal(CardGroup group) {
    switch (group) {
    case CardGroup::Traps:
    case CardGroup::DemandDials:
        return KeyRefusal::ZeroAddressOnFreeSlot;
    case CardGroup::DialInUsers:
        return KeyRefusal::EmptyOnFreeSlot;
    default:
        return KeyRefusal::None;
    }
}

SetterValue value(const char* v) {
    return {v, 0};
}
SetterValue value(uint32_t v) {
    return {nullptr, v};
}

} // namespace

// A setter's parameters and the operation it hands on, by its shape.
#define SETTER_PARAMETERS_Compared(kind) TELMDA_VALUE_##kind v
#define SETTER_PARAMETERS_AlwaysLogged(kind) TELMDA_VALUE_##kind v
#define SETTER_PARAMETERS_Keyed(kind) TELMDA_VALUE_##kind v, int32_t operation
#define SETTER_PARAMETERS_TestOrReset(kind) TELMDA_VALUE_##kind v
#define SETTER_PARAMETERS_Forward(kind) TELMDA_VALUE_##kind v
#define SETTER_OPERATION_Compared
#define SETTER_OPERATION_AlwaysLogged
#define SETTER_OPERATION_Keyed , operation
#define SETTER_OPERATION_TestOrReset
#define SETTER_OPERATION_Forward

extern "C" {

#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, hostSuffix, setter, shape, param, log,  \
                     logId, group, id, set, command, handler)                                      \
    int32_t setter(const SetterContext* c, const uint32_t* oid, SETTER_PARAMETERS_##shape(kind)) { \
        static constexpr SetterSpec spec{SetterShape::shape,                                       \
                                         host(HIPSetObjTYMCfg##hostSuffix),                        \
                                         offset,                                                   \
                                         width,                                                    \
                                         logId,                                                    \
                                         param,                                                    \
                                         kLog##log.valueKind,                                      \
                                         kLog##log.codeName,                                       \
                                         "Status:%d; Cmd:HIPSetObjTYMCfg" #hostSuffix              \
                                         "; Inputs:" param "=",                                    \
                                         keyRefusal(CardGroup::group)};                            \
        return runSetter(spec, c, oid, value(v) SETTER_OPERATION_##shape);                         \
    }
#include "telmda/card_fields.def"

int32_t XMLSetTYMResetSoft(const SetterContext* c, const uint32_t* oid) {
    static constexpr SetterSpec spec{
        SetterShape::TestOrReset,
        host(HIPSetObjTYMMngTymResetSoft),
        0,
        0,
        log_id::SoftReset,
        nullptr,
        0,
        nullptr,
        "Status:%d; Cmd:HIPSetObjTYMMngTymResetSoft; Inputs:RSCResetSoft=",
        KeyRefusal::None};
    return runSetter(spec, c, oid, value(0u));
}

} // extern "C"
