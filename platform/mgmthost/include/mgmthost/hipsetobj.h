/* Card setters of the management host (libvcstym32.so.4). Each sets one field
 * of the card object named by its OID and returns 0 or a refusal status. */
#ifndef MGMTHOST_HIPSETOBJ_H
#define MGMTHOST_HIPSETOBJ_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One setter a line; the formatter would run the lists together. */
/* clang-format off */
#define HIP_TEXT_SETTERS(X)     \
    X(DialupModemInitString)    \
    X(RhostsFloppyTftpIpAddr)   \
    X(RhostsFloppyTftpPath)     \
    X(RhostsFwUpdateIpAddr)     \
    X(RhostsFwUpdatePath)       \
    X(RhostsSmtpSvrIpAddr)      \
    X(NicIpAddress)             \
    X(NicNetMask)               \
    X(NicGateway)               \
    X(DialupDialInBaseIpAddr)   \
    X(DemandDialIpAddr)         \
    X(DialinUsrPppUserName)     \
    X(TrapsDestIpAddr)          \
    X(UserName)                 \
    X(UserPageNumericNumber)    \
    X(UserPageNumericMessage)   \
    X(UserEmailAddress)         \
    X(UserEmailCustomMsg)       \
    X(UserPageAlphaNumber)      \
    X(UserPageAlphaProtocol)    \
    X(UserPageAlphaCustomMsg)   \
    X(UserPageAlphaPagerId)     \
    X(UserPageAlphaPassword)    \
    X(UserPassword)             \
    X(TrapsSnmpCommunity)       \
    X(DialinUsrCallbackNumber)  \
    X(DialinUsrPppUserPassword) \
    X(DemandDialPhoneNumber)    \
    X(DemandDialPppUserName)    \
    X(DemandDialPppPassword)
#define HIP_BOOLEAN_SETTERS(X)  \
    X(RhostsFloppyTftpEnable)   \
    X(RhostsFwUpdateTftpEnable) \
    X(RhostsSmtpEmailEnable)    \
    X(NicEnable)                \
    X(NicUseDHCP)               \
    X(DialupDialInEnable)       \
    X(DialupDialInDhcpEnable)   \
    X(UserPageNumericEnable)    \
    X(UserEmailEnable)          \
    X(UserPageAlphaEnable)      \
    X(TrapsEnable)
#define HIP_CODE_SETTERS(X)  \
    X(DialupDialType)        \
    X(DialupDialInAuthType)  \
    X(UserEmailTest)         \
    X(UserPageAlphaTest)     \
    X(UserPageNumericTest)   \
    X(TrapsTest)             \
    X(DialinUsrCallbackType) \
    X(DemandDialAuthType)
#define HIP_UINT32_SETTERS(X)   \
    X(DialupModemBaudRate)      \
    X(UserPageAlphaBaudRate)    \
    X(UserAlertFilterTymEvents) \
    X(UserAlertFilterSysEvents) \
    X(TrapsFilterTymEvents)     \
    X(TrapsFilterSysEvents)
/* clang-format on */

#define HIP_DECLARE_TEXT(n) int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, const char* value);
#define HIP_DECLARE_BOOLEAN(n) int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, uint16_t value);
#define HIP_DECLARE_CODE(n) int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, uint8_t value);
#define HIP_DECLARE_UINT32(n) int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, uint32_t value);
HIP_TEXT_SETTERS(HIP_DECLARE_TEXT)
HIP_BOOLEAN_SETTERS(HIP_DECLARE_BOOLEAN)
HIP_CODE_SETTERS(HIP_DECLARE_CODE)
HIP_UINT32_SETTERS(HIP_DECLARE_UINT32)

int32_t HIPSetObjTYMMngTymResetSoft(const uint32_t* oid);

#ifdef __cplusplus
}
#endif

#endif
