// The one engine behind every XMLSet setter: a row per setter says its shape,
// host call, stored value and command-log entry.
#pragma once

#include "mgmthost/hipsetobj.h"
#include "telmda/setters.h"

#include <cstdint>

namespace telmda {

enum class SetterShape {
    Compared,     // equal stored value: nothing called or logged; else call and log
    AlwaysLogged, // like Compared without the comparison
    Keyed,        // an entry's key: logged by entry operation
    TestOrReset,  // always called; a formatted line is logged
    Forward,      // the host's result, nothing compared or logged
};

enum class ValueForm { Text, Boolean, Code, UInt32, None };

// Which keyed changes are refused (1073) without calling the host.
enum class KeyRefusal { None, ZeroAddressOnFreeSlot, EmptyOnFreeSlot };

struct HostSetter {
    ValueForm form;
    int32_t (*text)(const uint32_t*, const char*);
    int32_t (*boolean)(const uint32_t*, uint16_t);
    int32_t (*code)(const uint32_t*, uint8_t);
    int32_t (*uint32)(const uint32_t*, uint32_t);
    int32_t (*reset)(const uint32_t*);
};

constexpr HostSetter host(int32_t (*f)(const uint32_t*, const char*)) {
    return {ValueForm::Text, f, nullptr, nullptr, nullptr, nullptr};
}
constexpr HostSetter host(int32_t (*f)(const uint32_t*, uint16_t)) {
    return {ValueForm::Boolean, nullptr, f, nullptr, nullptr, nullptr};
}
constexpr HostSetter host(int32_t (*f)(const uint32_t*, uint8_t)) {
    return {ValueForm::Code, nullptr, nullptr, f, nullptr, nullptr};
}
constexpr HostSetter host(int32_t (*f)(const uint32_t*, uint32_t)) {
    return {ValueForm::UInt32, nullptr, nullptr, nullptr, f, nullptr};
}
constexpr HostSetter host(int32_t (*f)(const uint32_t*)) {
    return {ValueForm::None, nullptr, nullptr, nullptr, nullptr, f};
}

struct SetterSpec {
    SetterShape shape;
    HostSetter call;
    uint16_t offset;                  // stored value in the object
    uint16_t width;                   // stored text's width (0 = to the object's end)
    uint32_t logId;                   // keyed: the id of an added key; +1 changed, +2 removed
    const char* param;                // logged parameter name
    int32_t logKind;                  // its value kind
    const char* (*codeName)(uint8_t); // 8-bit codes logged as texts
    const char* line;                 // test and reset lines ("%d" = the result)
    KeyRefusal refusal;
};

struct SetterValue {
    const char* text;
    uint32_t number;
};

int32_t runSetter(const SetterSpec& spec, const SetterContext* context, const uint32_t* oid,
                  SetterValue value, int32_t operation = TELMDA_ENTRY_UPDATE);

} // namespace telmda
