// The settable card fields as the commands see them: each in a group (a
// settings group or an entry table) under an id, with the parameter that
// carries its value, the call that converts the value text for its setter,
// what else sets it and its command-log ids. Made from the card field table;
// ids named elsewhere are checked against it when the module builds.
#pragma once

#include "mgmthost/ocs.h"
#include "setter_engine.h"
#include "telmda/card_objects.h"
#include "telmda/setters.h"

#include <cstddef>
#include <cstdint>

namespace telmda {

enum class CardGroup { Network, Modem, Remote, Users, Traps, DialInUsers, DemandDials };

// What else sets a field besides its own command.
enum class FieldSet {
    Combined,   // its group's combined command or its table's whole-entry set
    Key,        // its entry table's key: the key command and the entry operations
    Standalone, // nothing else
};

// How a group reads a boolean value text.
using BooleanReader = std::uint16_t (*)(const char*);

struct CardSetting {
    CardGroup group;
    std::int32_t id;
    const char* param;
    std::uint16_t objectType;
    std::uint16_t offset;
    std::uint16_t width; // bytes; for texts 0 means "to the object's end"
    // Converts the value text as the setter takes it and runs the setter; only
    // a key's setter takes the entry operation.
    std::int32_t (*apply)(const SetterContext*, const std::uint32_t* oid, const char* value,
                          std::int32_t operation, BooleanReader boolean);
    FieldSet set;
    SetterShape shape;
    std::uint32_t logId; // keyed: an added key's; +1 changed, +2 removed; 0: none
};

namespace setting_value {

inline std::int32_t call(std::int32_t (*f)(const SetterContext*, const std::uint32_t*, const char*),
                         const SetterContext* c, const std::uint32_t* oid, const char* v,
                         std::int32_t, BooleanReader) {
    return f(c, oid, v);
}
inline std::int32_t call(std::int32_t (*f)(const SetterContext*, const std::uint32_t*,
                                           std::uint16_t),
                         const SetterContext* c, const std::uint32_t* oid, const char* v,
                         std::int32_t, BooleanReader boolean) {
    return f(c, oid, boolean(v));
}
inline std::int32_t
call(std::int32_t (*f)(const SetterContext*, const std::uint32_t*, std::uint8_t),
     const SetterContext* c, const std::uint32_t* oid, const char* v, std::int32_t, BooleanReader) {
    return f(c, oid, static_cast<std::uint8_t>(OCSASCIIToUnSigned32(v)));
}
inline std::int32_t
call(std::int32_t (*f)(const SetterContext*, const std::uint32_t*, std::uint32_t),
     const SetterContext* c, const std::uint32_t* oid, const char* v, std::int32_t, BooleanReader) {
    return f(c, oid, OCSASCIIToUnSigned32(v));
}
inline std::int32_t call(std::int32_t (*f)(const SetterContext*, const std::uint32_t*, const char*,
                                           std::int32_t),
                         const SetterContext* c, const std::uint32_t* oid, const char* v,
                         std::int32_t operation, BooleanReader) {
    return f(c, oid, v, operation);
}

template <auto Setter>
std::int32_t apply(const SetterContext* c, const std::uint32_t* oid, const char* v,
                   std::int32_t operation, BooleanReader boolean) {
    return call(Setter, c, oid, v, operation, boolean);
}

} // namespace setting_value

inline constexpr CardSetting kCardSettings[] = {
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, setter, shape, param, log, logId, \
                     group, id, set, command, handler)                                             \
    {CardGroup::group,                                                                             \
     id,                                                                                           \
     param,                                                                                        \
     object,                                                                                       \
     offset,                                                                                       \
     width,                                                                                        \
     &setting_value::apply<setter>,                                                                \
     FieldSet::set,                                                                                \
     SetterShape::shape,                                                                           \
     logId},
#include "telmda/card_fields.def"
};

constexpr std::size_t kCardSettingCount = sizeof kCardSettings / sizeof kCardSettings[0];

// The index of a group's field with an id, or kCardSettingCount. (Indices
// rather than addresses: the checks below run at compile time.)
constexpr std::size_t settingIndex(CardGroup group, std::int32_t id) {
    for (std::size_t i = 0; i < kCardSettingCount; ++i)
        if (kCardSettings[i].group == group && kCardSettings[i].id == id)
            return i;
    return kCardSettingCount;
}

constexpr bool hasSetting(CardGroup group, std::int32_t id) {
    return settingIndex(group, id) < kCardSettingCount;
}

// The field of a group with an id, or null.
inline const CardSetting* findSetting(CardGroup group, std::int32_t id) {
    const std::size_t i = settingIndex(group, id);
    return i < kCardSettingCount ? &kCardSettings[i] : nullptr;
}

// Whether the group has a field for each of the ids.
template <std::size_t N> constexpr bool groupHasAll(CardGroup group, const std::int32_t (&ids)[N]) {
    for (std::int32_t id : ids)
        if (!hasSetting(group, id))
            return false;
    return true;
}

// Whether the ids are exactly the group's fields marked Combined: a field so
// marked that the list lacks would never be set by it, and a listed field
// marked otherwise says the opposite of its row.
template <std::size_t N>
constexpr bool listsEveryCombinedField(CardGroup group, const std::int32_t (&ids)[N]) {
    for (std::int32_t id : ids)
        if (!hasSetting(group, id) ||
            kCardSettings[settingIndex(group, id)].set != FieldSet::Combined)
            return false;
    for (const CardSetting& s : kCardSettings) {
        if (s.group != group || s.set != FieldSet::Combined)
            continue;
        bool listed = false;
        for (std::int32_t id : ids)
            listed = listed || id == s.id;
        if (!listed)
            return false;
    }
    return true;
}

namespace setting_checks {

constexpr bool idsUniqueInTheirGroups() {
    for (std::size_t i = 0; i < kCardSettingCount; ++i)
        if (settingIndex(kCardSettings[i].group, kCardSettings[i].id) != i)
            return false;
    return true;
}

// A group sets fields of one object type (an entry table's, or any of the
// card objects for a settings group).
constexpr bool entryGroupsKeepToOneObject() {
    for (const CardSetting& s : kCardSettings)
        for (const CardSetting& t : kCardSettings)
            if (s.group == t.group && s.objectType != t.objectType &&
                (s.group == CardGroup::Users || s.group == CardGroup::Traps ||
                 s.group == CardGroup::DialInUsers || s.group == CardGroup::DemandDials))
                return false;
    return true;
}

// A key is set by its entry operations and no field else is.
constexpr bool keysAreKeyed() {
    for (const CardSetting& s : kCardSettings)
        if ((s.set == FieldSet::Key) != (s.shape == SetterShape::Keyed))
            return false;
    return true;
}

} // namespace setting_checks

static_assert(setting_checks::idsUniqueInTheirGroups(),
              "two settable card fields share a group and an id");
static_assert(setting_checks::entryGroupsKeepToOneObject(),
              "an entry table's fields lie in objects of more than one type");
static_assert(setting_checks::keysAreKeyed(),
              "a field marked Key is not a keyed setter, or a keyed setter is not marked Key");

} // namespace telmda
