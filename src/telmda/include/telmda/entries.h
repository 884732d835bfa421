/* The routines behind the card's four entry tables (users, SNMP trap
 * destinations, dial-in users, demand dial-out entries). Entry copies are
 * areas of TELMDA_COPY_AREA_SIZE bytes. */
#ifndef TELMDA_ENTRIES_H
#define TELMDA_ENTRIES_H

#include <stdint.h>

#include "telmda/telmda.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The routines of one table: the entry-setting routine (its own answer and
 * status), the whole-entry set (appends its status node, returns the status),
 * the free-entry search (1 found), the entry element (1 written) and the list
 * (the status). */
#define TELMDA_ENTRY_ROUTINES(setInfo, process, nextFree, dev, list)                               \
    char* setInfo(int32_t paramCount, OCSParamList params, const char* commandName,                \
                  const char* parameterName, int32_t fieldId, const uint32_t* oid,                 \
                  const void* entryCopy, int32_t* status, int32_t mode);                           \
    int32_t process(int32_t paramCount, OCSParamList params, OCSXBuf* buf, const char* key);       \
    int nextFree(uint32_t* oid, void* entryCopy);                                                  \
    int dev(OCSXBuf* buf, const void* object, uint16_t* inUse, int showFree,                       \
            const char* extraAttributes);                                                          \
    int32_t list(OCSXBuf* buf, const uint32_t* parentOid);

TELMDA_ENTRY_ROUTINES(SetTYMCUserEntryInfo, ProcessSetTYMCUserEntry, GetNextAvailableUserEntry,
                      DevTYMCUserXML, GetTYMCUserList)
TELMDA_ENTRY_ROUTINES(SetTYMCTrapEntryInfo, ProcessSetTYMCTrapEntry, GetNextAvailableTrapEntry,
                      DevSNMPTrapXML, GetSNMPTrapList)
TELMDA_ENTRY_ROUTINES(SetTYMCDialInUserEntryInfo, ProcessSetTYMCDialInEntry,
                      GetNextAvailableDialInEntry, DevDialInUserXML, GetDialInUserList)
TELMDA_ENTRY_ROUTINES(SetTYMCDemandDialOutEntryInfo, ProcessSetTYMCDemandDialEntry,
                      GetNextAvailableDemandDialOutEntry, DevDemandDialOutXML, GetDemandDialOutList)

#ifdef __cplusplus
}
#endif

#endif
