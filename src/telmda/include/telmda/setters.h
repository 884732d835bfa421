/* The setter layer: the only way the module changes a card setting. Each
 * setter calls the host's setter for one field and, by its shape, compares
 * with the stored value first and writes a command-log entry. */
#ifndef TELMDA_SETTERS_H
#define TELMDA_SETTERS_H

#include <stdint.h>

#include "telmda/telmda.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SetterContext {
    const void* object;   /* the card object as read; its stored values are compared */
    uint32_t rootOid;     /* the root the object was read under */
    const char* userInfo; /* the request's "qvausrinfo" */
    const char* source;   /* "TELMDA" */
} SetterContext;

/* Entry operations of the keyed setters. */
enum {
    TELMDA_ENTRY_ADD = 16,
    TELMDA_ENTRY_CHANGE_KEY = 17,
    TELMDA_ENTRY_REMOVE = 18,
    TELMDA_ENTRY_UPDATE = 19
};

/* Command-log id of a failed or non-key keyed change. */
#define TELMDA_LOG_KEY_OTHER 5000u

typedef int32_t (*TelmdaTextSetter)(const SetterContext*, const uint32_t*, const char*);
typedef int32_t (*TelmdaBooleanSetter)(const SetterContext*, const uint32_t*, uint16_t);
typedef int32_t (*TelmdaCodeSetter)(const SetterContext*, const uint32_t*, uint8_t);
typedef int32_t (*TelmdaUInt32Setter)(const SetterContext*, const uint32_t*, uint32_t);
typedef int32_t (*TelmdaKeyedSetter)(const SetterContext*, const uint32_t*, const char*, int32_t);

#define TELMDA_DECLARE_TEXT(name) int32_t name(const SetterContext*, const uint32_t*, const char*);
#define TELMDA_DECLARE_BOOLEAN(name) int32_t name(const SetterContext*, const uint32_t*, uint16_t);
#define TELMDA_DECLARE_CODE(name) int32_t name(const SetterContext*, const uint32_t*, uint8_t);
#define TELMDA_DECLARE_UINT32(name) int32_t name(const SetterContext*, const uint32_t*, uint32_t);
#define TELMDA_DECLARE_KEYED(name)                                                                 \
    int32_t name(const SetterContext*, const uint32_t*, const char*, int32_t);

/* Compared setters. */
TELMDA_DECLARE_CODE(XMLSetTYMCDialUpDialType)
TELMDA_DECLARE_TEXT(XMLSetTYMCModemInitString)
TELMDA_DECLARE_UINT32(XMLSetTYMCModemBaudRate)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCfgRhostsFloppyTftpEnable)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCfgRhostsFwUpdateTftpEnable)
TELMDA_DECLARE_TEXT(XMLSetTYMCfgRhostsFloppyTftpIpAddr)
TELMDA_DECLARE_TEXT(XMLSetTYMCfgRhostsFloppyTftpIpPath) /* always sets and logs */
TELMDA_DECLARE_TEXT(XMLSetTYMCfgRhostsFwUpdateIpAddr)
TELMDA_DECLARE_TEXT(XMLSetTYMCfgRhostsFwUpdatePath)
TELMDA_DECLARE_BOOLEAN(XMLSetRHostSMTPEnable)
TELMDA_DECLARE_TEXT(XMLSetTYMCSMTPAddress)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCNICEnable)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCNICUseDHCP)
TELMDA_DECLARE_TEXT(XMLSetTYMCIPAddress)
TELMDA_DECLARE_TEXT(XMLSetTYMCSubnetMask)
TELMDA_DECLARE_TEXT(XMLSetTYMCGateway)
TELMDA_DECLARE_TEXT(XMLSetTYMCBaseIPAddress)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCDialUpDialInEnable)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCDialUpDialInDHCPEnable)
TELMDA_DECLARE_CODE(XMLSetObjTYMDialupDialInAuthType)

/* Keyed setters (the key of an entry). */
TELMDA_DECLARE_KEYED(XMLSetTYMCDemandDialOutIPAddress)
TELMDA_DECLARE_KEYED(XMLSetTYMCDialInUserPPPUserName)
TELMDA_DECLARE_KEYED(XMLSetTYMCTrapsDestIPAddr)
TELMDA_DECLARE_KEYED(XMLSetTYMCUserName)

/* Tests and the soft reset: always call and log a line. */
TELMDA_DECLARE_CODE(XMLSetTYMCUserEmailTest)
TELMDA_DECLARE_CODE(XMLSetTYMCUserPageAlphaTest)
TELMDA_DECLARE_CODE(XMLSetTYMCUserNumericTest)
TELMDA_DECLARE_CODE(XMLSetTYMCTrapTest)
int32_t XMLSetTYMResetSoft(const SetterContext*, const uint32_t*);

/* Plain forwards. */
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCUserEnableNumericPaging)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserNumericPagerNumber)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserNumericPagerMsg)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCUserEnableEmailPaging)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserEmailAddress)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserEmailMsg)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCUserEnableAlphaPaging)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserAlphaPagingNumber)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserAlphaProtocol)
TELMDA_DECLARE_UINT32(XMLSetTYMCUserAlphaBaudRate)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserAlphaCustomMsg)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserAlphaPagerID)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserAlphaPagerPassword)
TELMDA_DECLARE_UINT32(XMLSetTYMCUserTYMCTrapsFilters)
TELMDA_DECLARE_UINT32(XMLSetTYMCUserSystemTrapsFilters)
TELMDA_DECLARE_TEXT(XMLSetTYMCUserPassword)
TELMDA_DECLARE_BOOLEAN(XMLSetTYMCEnableTraps)
TELMDA_DECLARE_TEXT(XMLSetTYMCTrapsSNMPCommunity)
TELMDA_DECLARE_UINT32(XMLSetTYMCTYMCTrapsFilters)
TELMDA_DECLARE_UINT32(XMLSetTYMCSystemTrapsFilters)
TELMDA_DECLARE_TEXT(XMLSetTYMCDialInUserCallbackNumber)
TELMDA_DECLARE_TEXT(XMLSetTYMCDialInUserPPPPassword)
TELMDA_DECLARE_CODE(XMLSetObjTYMCDialInUserCallBackType)
TELMDA_DECLARE_TEXT(XMLSetTYMCDemandDialOutPhoneNumber)
TELMDA_DECLARE_TEXT(XMLSetTYMCDemandDialOutPPPUserName)
TELMDA_DECLARE_TEXT(XMLSetTYMCDemandDialOutPPPPassword)
TELMDA_DECLARE_CODE(XMLSetObjTYMCDemandDialOutAuthType)

#ifdef __cplusplus
}
#endif

#endif
