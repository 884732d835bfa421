// The entry-table commands and routines: each a line naming its table, run by
// the entry-table engine. The commands that set one field of an entry come
// from the card field table.
#include "entry_engine.h"

#include "exported_call.h"
#include "handlers.h"
#include "telmda/entries.h"

using namespace telmda;

#define ENTRY_COMMAND(name, engine, table)                                                         \
    char* name(std::int32_t n, OCSParamList p) {                                                   \
        return engine(n, p, table);                                                                \
    }
#define ENTRY_COMMANDS(table, list, nextFree, byOid, byIndex, byKey, wholeSet, remove,             \
                       removeByIndex)                                                              \
    ENTRY_COMMAND(list, entryListCommand, table)                                                   \
    ENTRY_COMMAND(nextFree, nextFreeCommand, table)                                                \
    ENTRY_COMMAND(byOid, entryByOidCommand, table)                                                 \
    ENTRY_COMMAND(byIndex, entryByIndexCommand, table)                                             \
    ENTRY_COMMAND(byKey, entryByKeyCommand, table)                                                 \
    ENTRY_COMMAND(wholeSet, wholeEntryCommand, table)                                              \
    ENTRY_COMMAND(remove, removeByKeyCommand, table)                                               \
    ENTRY_COMMAND(removeByIndex, removeByIndexCommand, table)
// The routines are exported: an exception (memory used up, say) answers
// their failure value instead of reaching the host.
#define GUARDED(failure, ...) exportedCall(failure, [&] { return __VA_ARGS__; })
#define ENTRY_ROUTINES(table, setInfo, process, nextFree, dev, list)                               \
    char* setInfo(std::int32_t n, OCSParamList p, const char*, const char* param,                  \
                  std::int32_t fieldId, const std::uint32_t* oid, const void* entry,               \
                  std::int32_t* status, std::int32_t mode) {                                       \
        return oid ? GUARDED(                                                                      \
                         static_cast<char*>(nullptr),                                              \
                         setEntryField(n, p, table, param, fieldId, *oid, entry, status, mode))    \
                   : nullptr;                                                                      \
    }                                                                                              \
    std::int32_t process(std::int32_t n, OCSParamList p, OCSXBuf* buf, const char* key) {          \
        return GUARDED(std::int32_t{TELMDA_STATUS_NO_MEMORY},                                      \
                       processWholeEntry(n, p, table, buf, key));                                  \
    }                                                                                              \
    int nextFree(std::uint32_t* oid, void* entry) {                                                \
        return GUARDED(0, nextFreeEntry(table, oid, entry) ? 1 : 0);                               \
    }                                                                                              \
    int dev(OCSXBuf* buf, const void* object, std::uint16_t* inUse, int showFree,                  \
            const char* extra) {                                                                   \
        return GUARDED(0, writeEntry(buf, table, object, inUse, showFree != 0, extra) ? 1 : 0);    \
    }                                                                                              \
    std::int32_t list(OCSXBuf* buf, const std::uint32_t* parent) {                                 \
        return parent ? GUARDED(std::int32_t{TELMDA_STATUS_NO_MEMORY},                             \
                                writeEntryList(buf, table, *parent))                               \
                      : TELMDA_STATUS_MISSING_INPUT;                                               \
    }

extern "C" {

// Card users.
ENTRY_COMMANDS(kUserTable, CmdRSCGetUserList, CmdRSCGetNextAvailableUserEntry,
               CmdRSCGetUserEntryInfo, CmdRSCGetUserEntryInfoByIdx, CmdRSCUserEntryByKeyValue,
               CmdRSCSetUserEntry, CmdRSCRemoveUserEntry, CmdRSCRemoveUserEntryByInstance)
ENTRY_ROUTINES(kUserTable, SetTYMCUserEntryInfo, ProcessSetTYMCUserEntry, GetNextAvailableUserEntry,
               DevTYMCUserXML, GetTYMCUserList)

// SNMP trap destinations.
ENTRY_COMMANDS(kTrapTable, CMDRSCGetSNMPTrapList, CmdRSCGetNextAvailableTrapEntry,
               CMDRSCGetSNMPTrapInfo, CMDRSCGetSNMPTrapInfoByIdx, CmdRSCGetSNMPTrapInfoByKeyValue,
               CmdRSCSetTrapEntryInfo, CmdRSCRemoveTrapEntry, CmdRSCRemoveTrapEntryByInstance)
ENTRY_ROUTINES(kTrapTable, SetTYMCTrapEntryInfo, ProcessSetTYMCTrapEntry, GetNextAvailableTrapEntry,
               DevSNMPTrapXML, GetSNMPTrapList)

// Dial-in users.
ENTRY_COMMANDS(kDialInTable, CmdRSCGetDialInUserList, CmdRSCGetNextAvailableDialInEntry,
               CmdRSCGetDialInUserEntryInfo, CmdRSCGetDialInUserEntryInfoByIdx,
               CmdRSCDialInUserEntryByKeyValue, CmdRSCSetDialInUserEntry, CmdRSCRemoveDialInEntry,
               CmdRSCRemoveDialInEntryByInstance)
ENTRY_ROUTINES(kDialInTable, SetTYMCDialInUserEntryInfo, ProcessSetTYMCDialInEntry,
               GetNextAvailableDialInEntry, DevDialInUserXML, GetDialInUserList)

// Demand dial-out entries.
ENTRY_COMMANDS(kDemandDialTable, CmdRSCGetDemandDialOutList,
               CmdRSCGetNextAvailableDemandDialOutEntry, CmdRSCGetDemandDialOutEntryInfo,
               CmdRSCGetDemandDialOutEntryInfoByIdx, CmdRSCDemandDialOutEntryByKeyValue,
               CmdRSCSetDemandDialOutEntry, CmdRSCRemoveDemandDialOutEntry,
               CmdRSCRemoveDemandDialOutEntryByInstance)
ENTRY_ROUTINES(kDemandDialTable, SetTYMCDemandDialOutEntryInfo, ProcessSetTYMCDemandDialEntry,
               GetNextAvailableDemandDialOutEntry, DevDemandDialOutXML, GetDemandDialOutList)

} // extern "C"
