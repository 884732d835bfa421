// The descriptors of the four entry tables: fields, names, messages and
// statuses in which the tables differ.
#include "entry_table.h"

#include "telmda/card_objects.h"

namespace telmda {
namespace {

template <typename T, std::size_t N> constexpr std::size_t countOf(const T (&)[N]) {
    return N;
}

// The fields a whole-entry set applies, in order.
constexpr std::int32_t kUserWholeSet[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 32, 33, 34, 38};
constexpr std::int32_t kTrapWholeSet[] = {16, 18};
constexpr std::int32_t kDialInWholeSet[] = {19, 17, 20};
constexpr std::int32_t kDemandDialWholeSet[] = {17, 18, 19, 20};
static_assert(groupHasAll(CardGroup::Users, kUserWholeSet),
              "the users' whole-entry set names an id the table lacks");
static_assert(groupHasAll(CardGroup::Traps, kTrapWholeSet),
              "the traps' whole-entry set names an id the table lacks");
static_assert(groupHasAll(CardGroup::DialInUsers, kDialInWholeSet),
              "the dial-in users' whole-entry set names an id the table lacks");
static_assert(groupHasAll(CardGroup::DemandDials, kDemandDialWholeSet),
              "the demand dial-outs' whole-entry set names an id the table lacks");
static_assert(listsEveryCombinedField(CardGroup::Users, kUserWholeSet),
              "the users' whole-entry set and the fields marked Combined differ");
static_assert(listsEveryCombinedField(CardGroup::Traps, kTrapWholeSet),
              "the traps' whole-entry set and the fields marked Combined differ");
static_assert(listsEveryCombinedField(CardGroup::DialInUsers, kDialInWholeSet),
              "the dial-in users' whole-entry set and the fields marked Combined differ");
static_assert(listsEveryCombinedField(CardGroup::DemandDials, kDemandDialWholeSet),
              "the demand dial-outs' whole-entry set and the fields marked Combined differ");

// The key field's row of a group; an id the group lacks, a key in another
// object than the table's, or a field not marked as the key does not build.
template <CardGroup Group, std::int32_t Id, std::uint16_t Type> constexpr CardSetting keyOf() {
    static_assert(hasSetting(Group, Id), "the table's group has no such key field");
    static_assert(kCardSettings[settingIndex(Group, Id)].objectType == Type,
                  "the key field lies in another object than the table's");
    static_assert(kCardSettings[settingIndex(Group, Id)].set == FieldSet::Key,
                  "the table's key field is not marked Key");
    return kCardSettings[settingIndex(Group, Id)];
}
#define KEY_FIELD(type, group, id)                                                                 \
    type, CardGroup::group, id, keyOf<CardGroup::group, id, type>().param,                         \
        keyOf<CardGroup::group, id, type>().offset, keyOf<CardGroup::group, id, type>().width,     \
        keyOf<CardGroup::group, id, type>().logId + 1

} // namespace

// Field order of every descriptor, one group per line:
//   type, group, key field id (with its parameter, offset, width and change log id)
//   key: cut, removal text, "0.0.0.0" removes, command mode, refuses another entry's key
//   filter captions
//   list: from "poid", help, element, free element, stops at an unreadable object
//   by index: root, shows free entries; full-table message
//   whole-entry set: help, adds without key search, internal error, exists (text, status),
//     no-free status, password (parameter, message), add failed, fields
//   removal: not found, delete failed, delete by index failed
// clang-format off
const EntryTable kUserTable = {
    KEY_FIELD(TELMDA_OBJ_USER, Users, 37),
    19, "", false, true, true,
    true,
    false, "required_input:", "TYMCUserList", "NextAvailableUserEntry", true,
    TELMDA_INSTANCE_ROOT_OID, false, "Maximum limit of 16 RSC users reached",
    "required_input:oid,RSCUserName", false,
    "Internal Error, problem while obtaining User Object at instance %d",
    "User already exists with user name%s", TELMDA_STATUS_NOT_FOUND,
    TELMDA_STATUS_NO_FREE_ENTRY,
    "RSCUserPassword", "Cannot Add New User without Password\n",
    "Maximum limit of 16 Users reached",
    kUserWholeSet, countOf(kUserWholeSet),
    "Object not found with User Name %s ",
    "Unable to delete Object with User Name: %s ",
    "Unable to delete User, Instance # : %d ",
};

const EntryTable kTrapTable = {
    KEY_FIELD(TELMDA_OBJ_TRAP, Traps, 17),
    15, "0.0.0.0", true, false, false,
    true,
    true, "required_input:poid", "SNMPTrapList", "NextAvailableSNMPTrap", false,
    TELMDA_CARD_ROOT_OID, true, "Maximum limit of 16 SNMP Trap Destinations reached",
    "required_input:oid,RSCTrapDestIPAddr", true,
    "Internal Error, problem while obtaining SNMP Trap Object at instance %d",
    "SNMP Trap Entry already exists with IP Address %s", TELMDA_STATUS_MISSING_INPUT,
    TELMDA_STATUS_NOT_FOUND,
    nullptr, nullptr,
    "Maximum limit of 16 Traps reached",
    kTrapWholeSet, countOf(kTrapWholeSet),
    "Object not found with IP Address %s ",
    "Unable to delete Object with IP Address: %s ",
    "Unable to delete Trap Entry with Instance # : %d ",
};

const EntryTable kDialInTable = {
    KEY_FIELD(TELMDA_OBJ_DIALIN_USER, DialInUsers, 18),
    95, "", false, false, true,
    false,
    true, "required_input:poid", "DialInUsersObjList", "NextAvailableDialInUser", false,
    TELMDA_INSTANCE_ROOT_OID, true, "Maximum limit of 16 DialIn users reached",
    "required_input:oid,RSCDialInUserPppUserName", false,
    "Internal Error, problem while obtaining Dial In Object at instance %d",
    "Dial In user already exists with UserName %s", TELMDA_STATUS_DUPLICATE,
    TELMDA_STATUS_NO_FREE_ENTRY,
    "RSCDialInUserPppPassword", "Cannot Add New Dial-in User without Password\n",
    "Unable to Add/Update User Name status %d",
    kDialInWholeSet, countOf(kDialInWholeSet),
    "Object not found with Dial In User Name %s ",
    "Unable to delete Object with Dial In User Name: %s ",
    "Unable to delete Dial In Object with Instance # : %d ",
};

const EntryTable kDemandDialTable = {
    KEY_FIELD(TELMDA_OBJ_DEMAND_DIAL, DemandDials, 16),
    15, "0.0.0.0", true, false, false,
    false,
    true, "required_input:poid", "DemandDialObjList", "NextAvailableDialInUser", false,
    TELMDA_INSTANCE_ROOT_OID, true, "Maximum limit of 16 dial out users reached",
    "required_input:oid,RSCDemandDialIpAddr", false,
    "Internal Error, problem while obtaining Demand Dial Object at instance %d",
    "Demand Dial out user already exists with IP Address %s", TELMDA_STATUS_MISSING_INPUT,
    TELMDA_STATUS_NOT_FOUND,
    nullptr, nullptr,
    "Maximum limit of 16 Demand Dial Out reached",
    kDemandDialWholeSet, countOf(kDemandDialWholeSet),
    "Object not found with IP Address %s ",
    "Unable to delete Object with IP Address: %s ",
    "Unable to delete Demand Dial Out Object with Instance # : %d ",
};
// clang-format on
#undef KEY_FIELD

} // namespace telmda
