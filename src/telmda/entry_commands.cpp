// The entry-table commands and routines: each a line naming its table (and
// field), run by the entry-table engine.
#include "entry_engine.h"
#include "handlers.h"
#include "telmda/entries.h"

using namespace telmda;

#define ENTRY_COMMAND(name, engine, table)                                                         \
    char* name(std::int32_t n, OCSParamList p) {                                                   \
        return engine(n, p, table);                                                                \
    }
#define FIELD_COMMAND(name, table, id)                                                             \
    char* name(std::int32_t n, OCSParamList p) {                                                   \
        return entryFieldCommand(n, p, table, id);                                                 \
    }
#define ENTRY_COMMANDS(table, list, nextFree, byOid, byIndex, byKey, wholeSet, keySet, remove,     \
                       removeByIndex)                                                              \
    ENTRY_COMMAND(list, entryListCommand, table)                                                   \
    ENTRY_COMMAND(nextFree, nextFreeCommand, table)                                                \
    ENTRY_COMMAND(byOid, entryByOidCommand, table)                                                 \
    ENTRY_COMMAND(byIndex, entryByIndexCommand, table)                                             \
    ENTRY_COMMAND(byKey, entryByKeyCommand, table)                                                 \
    ENTRY_COMMAND(wholeSet, wholeEntryCommand, table)                                              \
    ENTRY_COMMAND(keySet, entryKeyCommand, table)                                                  \
    ENTRY_COMMAND(remove, removeByKeyCommand, table)                                               \
    ENTRY_COMMAND(removeByIndex, removeByIndexCommand, table)
#define ENTRY_ROUTINES(table, setInfo, process, nextFree, dev, list)                               \
    char* setInfo(std::int32_t n, OCSParamList p, const char*, const char* param,                  \
                  std::int32_t fieldId, const std::uint32_t* oid, const void* entry,               \
                  std::int32_t* status, std::int32_t mode) {                                       \
        return oid ? setEntryField(n, p, table, param, fieldId, *oid, entry, status, mode)         \
                   : nullptr;                                                                      \
    }                                                                                              \
    std::int32_t process(std::int32_t n, OCSParamList p, OCSXBuf* buf, const char* key) {          \
        return processWholeEntry(n, p, table, buf, key);                                           \
    }                                                                                              \
    int nextFree(std::uint32_t* oid, void* entry) {                                                \
        return nextFreeEntry(table, oid, entry);                                                   \
    }                                                                                              \
    int dev(OCSXBuf* buf, const void* object, std::uint16_t* inUse, int showFree,                  \
            const char* extra) {                                                                   \
        return writeEntry(buf, table, object, inUse, showFree != 0, extra);                        \
    }                                                                                              \
    std::int32_t list(OCSXBuf* buf, const std::uint32_t* parent) {                                 \
        return parent ? writeEntryList(buf, table, *parent) : TELMDA_STATUS_MISSING_INPUT;         \
    }

extern "C" {

// Card users.
ENTRY_COMMANDS(kUserTable, CmdRSCGetUserList, CmdRSCGetNextAvailableUserEntry,
               CmdRSCGetUserEntryInfo, CmdRSCGetUserEntryInfoByIdx, CmdRSCUserEntryByKeyValue,
               CmdRSCSetUserEntry, CmdRSCSetUserName, CmdRSCRemoveUserEntry,
               CmdRSCRemoveUserEntryByInstance)
FIELD_COMMAND(CmdRSCSetUserPageNumericEnable, kUserTable, 16)
FIELD_COMMAND(CmdRSCSetUserPageNumericNumber, kUserTable, 17)
FIELD_COMMAND(CmdRSCSetUserPageNumericMessage, kUserTable, 18)
FIELD_COMMAND(CmdRSCSetUserEmailEnable, kUserTable, 19)
FIELD_COMMAND(CmdRSCSetUserEmailAddress, kUserTable, 20)
FIELD_COMMAND(CmdRSCSetUserEmailCustomMsg, kUserTable, 21)
FIELD_COMMAND(CmdRSCSetUserPageAlphaEnable, kUserTable, 22)
FIELD_COMMAND(CmdRSCSetUserPageAlphaNumber, kUserTable, 23)
FIELD_COMMAND(CmdRSCSetUserPageAlphaProtocol, kUserTable, 24)
FIELD_COMMAND(CmdRSCSetUserPageAlphaBaudRate, kUserTable, 25)
FIELD_COMMAND(CmdRSCSetUserPageAlphaCustomMsg, kUserTable, 32)
FIELD_COMMAND(CmdRSCSetUserPageAlphaPagerID, kUserTable, 33)
FIELD_COMMAND(CmdRSCSetUserPageAlphaPassword, kUserTable, 34)
FIELD_COMMAND(CmdRSCSetUserTYMCTrapsFilters, kUserTable, 35)
FIELD_COMMAND(CmdRSCSetUserSystemTrapsFilters, kUserTable, 36)
FIELD_COMMAND(CmdRSCSetUserPassword, kUserTable, 38)
FIELD_COMMAND(CmdRSCSetUserEmailTest, kUserTable, 39)
FIELD_COMMAND(CmdRSCSetUserPageAlphaTest, kUserTable, 40)
FIELD_COMMAND(CmdRSCSetUserNumericTest, kUserTable, 41)
ENTRY_ROUTINES(kUserTable, SetTYMCUserEntryInfo, ProcessSetTYMCUserEntry, GetNextAvailableUserEntry,
               DevTYMCUserXML, GetTYMCUserList)

// SNMP trap destinations.
ENTRY_COMMANDS(kTrapTable, CMDRSCGetSNMPTrapList, CmdRSCGetNextAvailableTrapEntry,
               CMDRSCGetSNMPTrapInfo, CMDRSCGetSNMPTrapInfoByIdx, CmdRSCGetSNMPTrapInfoByKeyValue,
               CmdRSCSetTrapEntryInfo, CmdRSCSetTrapsDestIPAddr, CmdRSCRemoveTrapEntry,
               CmdRSCRemoveTrapEntryByInstance)
FIELD_COMMAND(CmdRSCSetEnableTraps, kTrapTable, 16)
FIELD_COMMAND(CmdRSCSetTrapsSNMPCommunity, kTrapTable, 18)
FIELD_COMMAND(CmdRSCSetTYMCTrapsFilters, kTrapTable, 19)
FIELD_COMMAND(CmdRSCSetSystemTrapsFilters, kTrapTable, 20)
FIELD_COMMAND(CmdRSCSetTrapTest, kTrapTable, 21)
ENTRY_ROUTINES(kTrapTable, SetTYMCTrapEntryInfo, ProcessSetTYMCTrapEntry, GetNextAvailableTrapEntry,
               DevSNMPTrapXML, GetSNMPTrapList)

// Dial-in users.
ENTRY_COMMANDS(kDialInTable, CmdRSCGetDialInUserList, CmdRSCGetNextAvailableDialInEntry,
               CmdRSCGetDialInUserEntryInfo, CmdRSCGetDialInUserEntryInfoByIdx,
               CmdRSCDialInUserEntryByKeyValue, CmdRSCSetDialInUserEntry,
               CmdRSCSetDialInUserPPPUserName, CmdRSCRemoveDialInEntry,
               CmdRSCRemoveDialInEntryByInstance)
FIELD_COMMAND(CmdRSCTYMCDialInUserCallbackNumber, kDialInTable, 17)
FIELD_COMMAND(CmdRSCSetDialInUserPPPPassword, kDialInTable, 19)
FIELD_COMMAND(CmdRSCSetDialInUserCallbackType, kDialInTable, 20)
ENTRY_ROUTINES(kDialInTable, SetTYMCDialInUserEntryInfo, ProcessSetTYMCDialInEntry,
               GetNextAvailableDialInEntry, DevDialInUserXML, GetDialInUserList)

// Demand dial-out entries.
ENTRY_COMMANDS(kDemandDialTable, CmdRSCGetDemandDialOutList,
               CmdRSCGetNextAvailableDemandDialOutEntry, CmdRSCGetDemandDialOutEntryInfo,
               CmdRSCGetDemandDialOutEntryInfoByIdx, CmdRSCDemandDialOutEntryByKeyValue,
               CmdRSCSetDemandDialOutEntry, CmdRSCSetDemandDialIPAddress,
               CmdRSCRemoveDemandDialOutEntry, CmdRSCRemoveDemandDialOutEntryByInstance)
FIELD_COMMAND(CmdRSCTYMCDemandDialPhoneNumber, kDemandDialTable, 17)
FIELD_COMMAND(CmdRSCSetDemandDialOutPPPUserName, kDemandDialTable, 18)
FIELD_COMMAND(CmdRSCSetDemandDialOutPPPPassword, kDemandDialTable, 19)
FIELD_COMMAND(CmdRSCSetDemandDialOutAuthType, kDemandDialTable, 20)
ENTRY_ROUTINES(kDemandDialTable, SetTYMCDemandDialOutEntryInfo, ProcessSetTYMCDemandDialEntry,
               GetNextAvailableDemandDialOutEntry, DevDemandDialOutXML, GetDemandDialOutList)

} // extern "C"
