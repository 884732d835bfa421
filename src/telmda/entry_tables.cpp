// The descriptors of the four entry tables: fields, names, messages and
// statuses in which the tables differ.
#include "entry_table.h"

#include "telmda/card_objects.h"

namespace telmda {
namespace {

using Ctx = SetterContext;

// Converts a field's value text as its setter takes it.
template <TelmdaTextSetter F>
std::int32_t text(const Ctx* c, const std::uint32_t* oid, const char* v, std::int32_t) {
    return F(c, oid, v);
}
template <TelmdaBooleanSetter F>
std::int32_t boolean(const Ctx* c, const std::uint32_t* oid, const char* v, std::int32_t) {
    return F(c, oid, OCSASCIIToBooln(v));
}
template <TelmdaUInt32Setter F>
std::int32_t number(const Ctx* c, const std::uint32_t* oid, const char* v, std::int32_t) {
    return F(c, oid, OCSASCIIToUnSigned32(v));
}
template <TelmdaCodeSetter F>
std::int32_t code(const Ctx* c, const std::uint32_t* oid, const char* v, std::int32_t) {
    return F(c, oid, static_cast<std::uint8_t>(OCSASCIIToUnSigned32(v)));
}
template <TelmdaKeyedSetter F>
std::int32_t key(const Ctx* c, const std::uint32_t* oid, const char* v, std::int32_t mode) {
    return F(c, oid, v, mode);
}

template <typename T, std::size_t N> constexpr std::size_t countOf(const T (&)[N]) {
    return N;
}

const EntryField kUserFields[] = {
    {16, "RSCUserEnableNumericPaging", boolean<XMLSetTYMCUserEnableNumericPaging>},
    {17, "RSCUserNumericPagerNumber", text<XMLSetTYMCUserNumericPagerNumber>},
    {18, "RSCUserNumericPagerMsg", text<XMLSetTYMCUserNumericPagerMsg>},
    {19, "RSCUserEnableEmailPaging", boolean<XMLSetTYMCUserEnableEmailPaging>},
    {20, "RSCUserEmailAddress", text<XMLSetTYMCUserEmailAddress>},
    {21, "RSCUserEmailMsg", text<XMLSetTYMCUserEmailMsg>},
    {22, "RSCUserEnableAlphaPaging", boolean<XMLSetTYMCUserEnableAlphaPaging>},
    {23, "RSCUserAlphaNumber", text<XMLSetTYMCUserAlphaPagingNumber>},
    {24, "RSCUserAlphaProtocol", text<XMLSetTYMCUserAlphaProtocol>},
    {25, "RSCUserAlphaBaudRate", number<XMLSetTYMCUserAlphaBaudRate>},
    {32, "RSCUserAlphaCustomMsg", text<XMLSetTYMCUserAlphaCustomMsg>},
    {33, "RSCUserAlphaPagerID", text<XMLSetTYMCUserAlphaPagerID>},
    {34, "RSCUserAlphaPagerPassword", text<XMLSetTYMCUserAlphaPagerPassword>},
    {35, "RSCUserTYMCTrapsFilters", number<XMLSetTYMCUserTYMCTrapsFilters>},
    {36, "RSCUserSystemTrapsFilters", number<XMLSetTYMCUserSystemTrapsFilters>},
    {37, "RSCUserName", key<XMLSetTYMCUserName>},
    {38, "RSCUserPassword", text<XMLSetTYMCUserPassword>},
    {39, "RSCSystemUserEmailTest", code<XMLSetTYMCUserEmailTest>},
    {40, "RSCSystemUserPageAlphaTest", code<XMLSetTYMCUserPageAlphaTest>},
    {41, "RSCSystemUserNumericTest", code<XMLSetTYMCUserNumericTest>},
};
const std::int32_t kUserWholeSet[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 32, 33, 34, 38};

const EntryField kTrapFields[] = {
    {16, "RSCTrapsEnable", boolean<XMLSetTYMCEnableTraps>},
    {17, "RSCTrapDestIPAddr", key<XMLSetTYMCTrapsDestIPAddr>},
    {18, "RSCSNMPCommunity", text<XMLSetTYMCTrapsSNMPCommunity>},
    {19, "RSCTYMCTrapsFilters", number<XMLSetTYMCTYMCTrapsFilters>},
    {20, "RSCSystemTrapsFilters", number<XMLSetTYMCSystemTrapsFilters>},
    {21, "RSCTrapTest", code<XMLSetTYMCTrapTest>},
};
const std::int32_t kTrapWholeSet[] = {16, 18};

const EntryField kDialInFields[] = {
    {17, "RSCDialInUserCallbackNumber", text<XMLSetTYMCDialInUserCallbackNumber>},
    {18, "RSCDialInUserPppUserName", key<XMLSetTYMCDialInUserPPPUserName>},
    {19, "RSCDialInUserPppPassword", text<XMLSetTYMCDialInUserPPPPassword>},
    {20, "RSCDialInUserCallbackType", code<XMLSetObjTYMCDialInUserCallBackType>},
};
const std::int32_t kDialInWholeSet[] = {19, 17, 20};

const EntryField kDemandDialFields[] = {
    {16, "RSCDemandDialIpAddr", key<XMLSetTYMCDemandDialOutIPAddress>},
    {17, "RSCDemandDialPhoneNumber", text<XMLSetTYMCDemandDialOutPhoneNumber>},
    {18, "RSCDemandDialPppUserName", text<XMLSetTYMCDemandDialOutPPPUserName>},
    {19, "RSCDemandDialPppPassword", text<XMLSetTYMCDemandDialOutPPPPassword>},
    {20, "RSCDemandDialAuthType", code<XMLSetObjTYMCDemandDialOutAuthType>},
};
const std::int32_t kDemandDialWholeSet[] = {17, 18, 19, 20};

} // namespace

// Field order of every descriptor, one group per line:
//   type
//   key: parameter, field id, offset, width, cut, removal text, "0.0.0.0" removes, command mode,
//     refuses another entry's key
//   fields
//   filter captions
//   list: from "poid", help, element, free element, stops at an unreadable object
//   by index: root, shows free entries; full-table message
//   whole-entry set: help, adds without key search, internal error, exists (text, status),
//     no-free status, password (parameter, message), add failed, fields, change log id
//   removal: not found, delete failed, delete by index failed
// clang-format off
const EntryTable kUserTable = {
    TELMDA_OBJ_USER,
    "RSCUserName", 37, 60, 20, 19, "", false, true, true,
    kUserFields, countOf(kUserFields),
    true,
    false, "required_input:", "TYMCUserList", "NextAvailableUserEntry", true,
    TELMDA_INSTANCE_ROOT_OID, false, "Maximum limit of 16 RSC users reached",
    "required_input:oid,RSCUserName", false,
    "Internal Error, problem while obtaining User Object at instance %d",
    "User already exists with user name%s", TELMDA_STATUS_NOT_FOUND,
    TELMDA_STATUS_NO_FREE_ENTRY,
    "RSCUserPassword", "Cannot Add New User without Password\n",
    "Maximum limit of 16 Users reached",
    kUserWholeSet, countOf(kUserWholeSet), 5431,
    "Object not found with User Name %s ",
    "Unable to delete Object with User Name: %s ",
    "Unable to delete User, Instance # : %d ",
};

const EntryTable kTrapTable = {
    TELMDA_OBJ_TRAP,
    "RSCTrapDestIPAddr", 17, 40, 16, 15, "0.0.0.0", true, false, false,
    kTrapFields, countOf(kTrapFields),
    true,
    true, "required_input:poid", "SNMPTrapList", "NextAvailableSNMPTrap", false,
    TELMDA_CARD_ROOT_OID, true, "Maximum limit of 16 SNMP Trap Destinations reached",
    "required_input:oid,RSCTrapDestIPAddr", true,
    "Internal Error, problem while obtaining SNMP Trap Object at instance %d",
    "SNMP Trap Entry already exists with IP Address %s", TELMDA_STATUS_MISSING_INPUT,
    TELMDA_STATUS_NOT_FOUND,
    nullptr, nullptr,
    "Maximum limit of 16 Traps reached",
    kTrapWholeSet, countOf(kTrapWholeSet), 5428,
    "Object not found with IP Address %s ",
    "Unable to delete Object with IP Address: %s ",
    "Unable to delete Trap Entry with Instance # : %d ",
};

const EntryTable kDialInTable = {
    TELMDA_OBJ_DIALIN_USER,
    "RSCDialInUserPppUserName", 18, 28, 16, 95, "", false, false, true,
    kDialInFields, countOf(kDialInFields),
    false,
    true, "required_input:poid", "DialInUsersObjList", "NextAvailableDialInUser", false,
    TELMDA_INSTANCE_ROOT_OID, true, "Maximum limit of 16 DialIn users reached",
    "required_input:oid,RSCDialInUserPppUserName", false,
    "Internal Error, problem while obtaining Dial In Object at instance %d",
    "Dial In user already exists with UserName %s", TELMDA_STATUS_DUPLICATE,
    TELMDA_STATUS_NO_FREE_ENTRY,
    "RSCDialInUserPppPassword", "Cannot Add New Dial-in User without Password\n",
    "Unable to Add/Update User Name status %d",
    kDialInWholeSet, countOf(kDialInWholeSet), 5425,
    "Object not found with Dial In User Name %s ",
    "Unable to delete Object with Dial In User Name: %s ",
    "Unable to delete Dial In Object with Instance # : %d ",
};

const EntryTable kDemandDialTable = {
    TELMDA_OBJ_DEMAND_DIAL,
    "RSCDemandDialIpAddr", 16, 24, 16, 15, "0.0.0.0", true, false, false,
    kDemandDialFields, countOf(kDemandDialFields),
    false,
    true, "required_input:poid", "DemandDialObjList", "NextAvailableDialInUser", false,
    TELMDA_INSTANCE_ROOT_OID, true, "Maximum limit of 16 dial out users reached",
    "required_input:oid,RSCDemandDialIpAddr", false,
    "Internal Error, problem while obtaining Demand Dial Object at instance %d",
    "Demand Dial out user already exists with IP Address %s", TELMDA_STATUS_MISSING_INPUT,
    TELMDA_STATUS_NOT_FOUND,
    nullptr, nullptr,
    "Maximum limit of 16 Demand Dial Out reached",
    kDemandDialWholeSet, countOf(kDemandDialWholeSet), 5422,
    "Object not found with IP Address %s ",
    "Unable to delete Object with IP Address: %s ",
    "Unable to delete Demand Dial Out Object with Instance # : %d ",
};
// clang-format on

} // namespace telmda
