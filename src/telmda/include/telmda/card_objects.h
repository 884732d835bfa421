/* Card objects as the data manager hands them, and the module's helpers over
 * them: object elements, lookups, presence and capability filters. */
#ifndef TELMDA_CARD_OBJECTS_H
#define TELMDA_CARD_OBJECTS_H

#include <stdint.h>

#include "telmda/telmda.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    TELMDA_OBJ_IDENTIFICATION = 289,
    TELMDA_OBJ_CONTROL = 290,
    TELMDA_OBJ_MONITORING = 291,
    TELMDA_OBJ_LAN = 292,
    TELMDA_OBJ_DIALUP = 293,
    TELMDA_OBJ_REMOTE_HOSTS = 294,
    TELMDA_OBJ_USER = 295,
    TELMDA_OBJ_TRAP = 296,
    TELMDA_OBJ_DEMAND_DIAL = 297,
    TELMDA_OBJ_DIALIN_USER = 298,
    TELMDA_OBJ_SNMP_AGENT = 299,
    TELMDA_OBJ_CURRENT_LAN = 300,
    TELMDA_OBJ_PRESENCE = 303
};

/* Entry objects are copied into an area of this size before a change. */
#define TELMDA_COPY_AREA_SIZE 4032

/* Lookups by instance start from this root, key and card-object reads from
 * the other. */
#define TELMDA_INSTANCE_ROOT_OID 1u
#define TELMDA_CARD_ROOT_OID 2u

int DASHipObjCatBeginNode(const void* object, OCSXBuf* buf, const char* name,
                          const char* extraAttributes);
int DASHipObjCatEmptyNode(const void* object, OCSXBuf* buf, const char* name,
                          const char* extraAttributes);
int DASHipObjCatXNode(const void* object, OCSXBuf* buf, const char* name,
                      const char* extraAttributes, int mode);
void* DASSMILGetObjByType(const uint32_t* parentOid, uint16_t type, uint32_t instance);
void* DASSMILGetParentObjByOID(const uint32_t* oid);
void* DASSMILGetParentObjByType(const uint32_t* oid, uint16_t type);
const char* DASGetByOffsetUstr(const void* object, uint32_t offset);
void* DASHipInitSetCmd(int32_t paramCount, OCSParamList params, OCSXBuf* buf, const char* helpText,
                       uint16_t expectedType, const char** userInfo, int32_t* status);
char* CMDHipGetOIDByType(int32_t paramCount, OCSParamList params);
char* CMDHipGetObjCountByType(int32_t paramCount, OCSParamList params);

int16_t IsTYMCPresent(void);
int XMLIsTYMCPresent(OCSXBuf* buf, int32_t* status);
int GetOIDFromCommandArgsEx(int32_t paramCount, OCSParamList params, uint32_t* oid, void* copy,
                            uint16_t type);
int GetOIDFromCommandArgs(int32_t paramCount, OCSParamList params, uint32_t* oid, uint16_t type);
int LocateRequiredObjectEx(const char* key, uint16_t type, uint32_t* oid, void* copy);
int LocateRequiredObject(const char* key, uint16_t type, uint32_t* oid);
void UpdateTYMCCapabilitiesFilterInfo(OCSXBuf* buf, uint32_t filterWord, uint32_t capabilityWord);
void UpdateSystemCapabilitiesFilterInfo(OCSXBuf* buf, uint32_t filterWord, uint32_t capabilityWord);

#ifdef __cplusplus
}
#endif

#endif
