// The exported setters: one table row each, run by the setter engine.
#include "setter_engine.h"

using namespace telmda;

namespace {

constexpr int32_t kText = OCS_KIND_TEXT, kObjText = OCS_KIND_OBJ_TEXT, kBool = OCS_KIND_BOOLEAN,
                  kU32 = OCS_KIND_UINT32;

const char* dialTypeName(uint8_t code) {
    return code == 1 ? "Tone Dial" : "Pulse Dial";
}
const char* authTypeName(uint8_t code) {
    return code == 1 ? "Encrypted" : code == 2 ? "MSCHAP" : "Any";
}

constexpr SetterSpec compared(HostSetter call, uint16_t offset, uint16_t width, uint32_t logId,
                              const char* param, int32_t kind,
                              const char* (*codeName)(uint8_t) = nullptr) {
    return {SetterShape::Compared, call, offset, width, logId, param, kind, codeName, nullptr,
            KeyRefusal::None};
}
constexpr SetterSpec keyed(HostSetter call, uint16_t offset, uint16_t width, uint32_t firstLogId,
                           const char* param, int32_t kind, KeyRefusal refusal) {
    return {SetterShape::Keyed,
            call,
            offset,
            width,
            firstLogId,
            param,
            kind,
            nullptr,
            nullptr,
            refusal};
}
constexpr SetterSpec testOrReset(HostSetter call, uint32_t logId, const char* line) {
    return {SetterShape::TestOrReset, call, 0, 0, logId, nullptr, 0, nullptr, line,
            KeyRefusal::None};
}
constexpr SetterSpec forward(HostSetter call) {
    return {SetterShape::Forward, call, 0, 0, 0, nullptr, 0, nullptr, nullptr, KeyRefusal::None};
}

SetterValue text(const char* v) {
    return {v, 0};
}
SetterValue number(uint32_t v) {
    return {nullptr, v};
}

} // namespace

#define TEXT_SETTER(name, row)                                                                     \
    int32_t name(const SetterContext* c, const uint32_t* oid, const char* v) {                     \
        return runSetter(row, c, oid, text(v));                                                    \
    }
#define BOOLEAN_SETTER(name, row)                                                                  \
    int32_t name(const SetterContext* c, const uint32_t* oid, uint16_t v) {                        \
        return runSetter(row, c, oid, number(v));                                                  \
    }
#define CODE_SETTER(name, row)                                                                     \
    int32_t name(const SetterContext* c, const uint32_t* oid, uint8_t v) {                         \
        return runSetter(row, c, oid, number(v));                                                  \
    }
#define UINT32_SETTER(name, row)                                                                   \
    int32_t name(const SetterContext* c, const uint32_t* oid, uint32_t v) {                        \
        return runSetter(row, c, oid, number(v));                                                  \
    }
#define KEYED_SETTER(name, row)                                                                    \
    int32_t name(const SetterContext* c, const uint32_t* oid, const char* v, int32_t operation) {  \
        return runSetter(row, c, oid, text(v), operation);                                         \
    }

extern "C" {

// Modem and dial-up (dial-up object).
CODE_SETTER(XMLSetTYMCDialUpDialType, compared(host(HIPSetObjTYMCfgDialupDialType), 46, 1, 5401,
                                               "RSCDialUpDialType", kText, dialTypeName))
TEXT_SETTER(XMLSetTYMCModemInitString, compared(host(HIPSetObjTYMCfgDialupModemInitString), 80, 0,
                                                5402, "RSCDialUpModemInitString", kText))
UINT32_SETTER(XMLSetTYMCModemBaudRate, compared(host(HIPSetObjTYMCfgDialupModemBaudRate), 32, 4,
                                                5403, "RSCModemBaudRate", kU32))
TEXT_SETTER(XMLSetTYMCBaseIPAddress, compared(host(HIPSetObjTYMCfgDialupDialInBaseIpAddr), 48, 16,
                                              5417, "RSCBaseIPAddr", kText))
BOOLEAN_SETTER(XMLSetTYMCDialUpDialInEnable, compared(host(HIPSetObjTYMCfgDialupDialInEnable), 40,
                                                      2, 5418, "RSCDialInEnable", kBool))
BOOLEAN_SETTER(XMLSetTYMCDialUpDialInDHCPEnable,
               compared(host(HIPSetObjTYMCfgDialupDialInDhcpEnable), 44, 2, 5419,
                        "RSCDialUpDialInDHCPEnable", kBool))
CODE_SETTER(XMLSetObjTYMDialupDialInAuthType,
            compared(host(HIPSetObjTYMCfgDialupDialInAuthType), 47, 1, 5420,
                     "RSCDialUpDialInAuthType", kText, authTypeName))

// Remote hosts.
BOOLEAN_SETTER(XMLSetTYMCfgRhostsFloppyTftpEnable,
               compared(host(HIPSetObjTYMCfgRhostsFloppyTftpEnable), 22, 2, 5404,
                        "RSCRHostFloppyTFTPEnable", kBool))
BOOLEAN_SETTER(XMLSetTYMCfgRhostsFwUpdateTftpEnable,
               compared(host(HIPSetObjTYMCfgRhostsFwUpdateTftpEnable), 24, 2, 5405,
                        "RSCRHostFWUpdateTFTPEnable", kBool))
TEXT_SETTER(XMLSetTYMCfgRhostsFloppyTftpIpAddr,
            compared(host(HIPSetObjTYMCfgRhostsFloppyTftpIpAddr), 44, 16, 5406,
                     "RSCRHostFloppyTFTPIPAddr", kText))
TEXT_SETTER(XMLSetTYMCfgRhostsFloppyTftpIpPath,
            (SetterSpec{SetterShape::AlwaysLogged, host(HIPSetObjTYMCfgRhostsFloppyTftpPath), 60,
                        256, 5407, "RSCRHostFloppyTFTPPATH", kText, nullptr, nullptr,
                        KeyRefusal::None}))
TEXT_SETTER(XMLSetTYMCfgRhostsFwUpdateIpAddr,
            compared(host(HIPSetObjTYMCfgRhostsFwUpdateIpAddr), 316, 16, 5408,
                     "RSCRHostFWUpdateTFTPIPAddr", kText))
TEXT_SETTER(XMLSetTYMCfgRhostsFwUpdatePath, compared(host(HIPSetObjTYMCfgRhostsFwUpdatePath), 332,
                                                     0, 5409, "RSCRHostFWUpdateTFTPPath", kObjText))
BOOLEAN_SETTER(XMLSetRHostSMTPEnable, compared(host(HIPSetObjTYMCfgRhostsSmtpEmailEnable), 20, 2,
                                               5410, "RSCRHostSMTPEnable", kBool))
TEXT_SETTER(XMLSetTYMCSMTPAddress,
            compared(host(HIPSetObjTYMCfgRhostsSmtpSvrIpAddr), 28, 16, 5411, "RSCSMTPAddr", kText))

// LAN.
BOOLEAN_SETTER(XMLSetTYMCNICEnable,
               compared(host(HIPSetObjTYMCfgNicEnable), 68, 2, 5412, "RSCNICEnable", kBool))
BOOLEAN_SETTER(XMLSetTYMCNICUseDHCP,
               compared(host(HIPSetObjTYMCfgNicUseDHCP), 70, 2, 5413, "RSCNICUseDHCP", kBool))
TEXT_SETTER(XMLSetTYMCIPAddress,
            compared(host(HIPSetObjTYMCfgNicIpAddress), 20, 16, 5414, "RSCIPAddress", kText))
TEXT_SETTER(XMLSetTYMCSubnetMask,
            compared(host(HIPSetObjTYMCfgNicNetMask), 36, 16, 5415, "RSCSubnetMask", kText))
TEXT_SETTER(XMLSetTYMCGateway,
            compared(host(HIPSetObjTYMCfgNicGateway), 52, 16, 5416, "RSCGateway", kText))

// Entry keys.
KEYED_SETTER(XMLSetTYMCDemandDialOutIPAddress,
             keyed(host(HIPSetObjTYMCfgDemandDialIpAddr), 24, 16, 5421, "RSCDemandDialIpAddr",
                   kText, KeyRefusal::ZeroAddressOnFreeSlot))
KEYED_SETTER(XMLSetTYMCDialInUserPPPUserName,
             keyed(host(HIPSetObjTYMCfgDialinUsrPppUserName), 28, 16, 5424,
                   "RSCDialInUserPppUserName", kObjText, KeyRefusal::EmptyOnFreeSlot))
KEYED_SETTER(XMLSetTYMCTrapsDestIPAddr,
             keyed(host(HIPSetObjTYMCfgTrapsDestIpAddr), 40, 16, 5427, "RSCTrapDestIPAddr", kText,
                   KeyRefusal::ZeroAddressOnFreeSlot))
KEYED_SETTER(XMLSetTYMCUserName, keyed(host(HIPSetObjTYMCfgUserName), 60, 20, 5430, "RSCUserName",
                                       kObjText, KeyRefusal::None))

// Tests and the soft reset.
CODE_SETTER(
    XMLSetTYMCUserEmailTest,
    testOrReset(host(HIPSetObjTYMCfgUserEmailTest), 5433,
                "Status:%d; Cmd:HIPSetObjTYMCfgUserEmailTest; Inputs:RSCSystemUserEmailTest="))
CODE_SETTER(
    XMLSetTYMCUserPageAlphaTest,
    testOrReset(
        host(HIPSetObjTYMCfgUserPageAlphaTest), 5434,
        "Status:%d; Cmd:HIPSetObjTYMCfgUserPageAlphaTest; Inputs:RSCSystemUserPageAlphaTest="))
CODE_SETTER(
    XMLSetTYMCUserNumericTest,
    testOrReset(
        host(HIPSetObjTYMCfgUserPageNumericTest), 5435,
        "Status:%d; Cmd:HIPSetObjTYMCfgUserPageNumericTest; Inputs:RSCSystemUserNumericTest="))
CODE_SETTER(XMLSetTYMCTrapTest,
            testOrReset(host(HIPSetObjTYMCfgTrapsTest), 5436,
                        "Status:%d; Cmd:HIPSetObjTYMCfgTrapsTest; Inputs:RSCTrapTest="))
int32_t XMLSetTYMResetSoft(const SetterContext* c, const uint32_t* oid) {
    return runSetter(
        testOrReset(host(HIPSetObjTYMMngTymResetSoft), 5437,
                    "Status:%d; Cmd:HIPSetObjTYMMngTymResetSoft; Inputs:RSCResetSoft="),
        c, oid, number(0));
}

// Plain forwards: card users.
BOOLEAN_SETTER(XMLSetTYMCUserEnableNumericPaging,
               forward(host(HIPSetObjTYMCfgUserPageNumericEnable)))
TEXT_SETTER(XMLSetTYMCUserNumericPagerNumber, forward(host(HIPSetObjTYMCfgUserPageNumericNumber)))
TEXT_SETTER(XMLSetTYMCUserNumericPagerMsg, forward(host(HIPSetObjTYMCfgUserPageNumericMessage)))
BOOLEAN_SETTER(XMLSetTYMCUserEnableEmailPaging, forward(host(HIPSetObjTYMCfgUserEmailEnable)))
TEXT_SETTER(XMLSetTYMCUserEmailAddress, forward(host(HIPSetObjTYMCfgUserEmailAddress)))
TEXT_SETTER(XMLSetTYMCUserEmailMsg, forward(host(HIPSetObjTYMCfgUserEmailCustomMsg)))
BOOLEAN_SETTER(XMLSetTYMCUserEnableAlphaPaging, forward(host(HIPSetObjTYMCfgUserPageAlphaEnable)))
TEXT_SETTER(XMLSetTYMCUserAlphaPagingNumber, forward(host(HIPSetObjTYMCfgUserPageAlphaNumber)))
TEXT_SETTER(XMLSetTYMCUserAlphaProtocol, forward(host(HIPSetObjTYMCfgUserPageAlphaProtocol)))
UINT32_SETTER(XMLSetTYMCUserAlphaBaudRate, forward(host(HIPSetObjTYMCfgUserPageAlphaBaudRate)))
TEXT_SETTER(XMLSetTYMCUserAlphaCustomMsg, forward(host(HIPSetObjTYMCfgUserPageAlphaCustomMsg)))
TEXT_SETTER(XMLSetTYMCUserAlphaPagerID, forward(host(HIPSetObjTYMCfgUserPageAlphaPagerId)))
TEXT_SETTER(XMLSetTYMCUserAlphaPagerPassword, forward(host(HIPSetObjTYMCfgUserPageAlphaPassword)))
UINT32_SETTER(XMLSetTYMCUserTYMCTrapsFilters,
              forward(host(HIPSetObjTYMCfgUserAlertFilterTymEvents)))
UINT32_SETTER(XMLSetTYMCUserSystemTrapsFilters,
              forward(host(HIPSetObjTYMCfgUserAlertFilterSysEvents)))
TEXT_SETTER(XMLSetTYMCUserPassword, forward(host(HIPSetObjTYMCfgUserPassword)))
// Plain forwards: trap destinations.
BOOLEAN_SETTER(XMLSetTYMCEnableTraps, forward(host(HIPSetObjTYMCfgTrapsEnable)))
TEXT_SETTER(XMLSetTYMCTrapsSNMPCommunity, forward(host(HIPSetObjTYMCfgTrapsSnmpCommunity)))
UINT32_SETTER(XMLSetTYMCTYMCTrapsFilters, forward(host(HIPSetObjTYMCfgTrapsFilterTymEvents)))
UINT32_SETTER(XMLSetTYMCSystemTrapsFilters, forward(host(HIPSetObjTYMCfgTrapsFilterSysEvents)))
// Plain forwards: dial-in users.
TEXT_SETTER(XMLSetTYMCDialInUserCallbackNumber,
            forward(host(HIPSetObjTYMCfgDialinUsrCallbackNumber)))
TEXT_SETTER(XMLSetTYMCDialInUserPPPPassword, forward(host(HIPSetObjTYMCfgDialinUsrPppUserPassword)))
CODE_SETTER(XMLSetObjTYMCDialInUserCallBackType,
            forward(host(HIPSetObjTYMCfgDialinUsrCallbackType)))
// Plain forwards: demand dial-out entries.
TEXT_SETTER(XMLSetTYMCDemandDialOutPhoneNumber, forward(host(HIPSetObjTYMCfgDemandDialPhoneNumber)))
TEXT_SETTER(XMLSetTYMCDemandDialOutPPPUserName, forward(host(HIPSetObjTYMCfgDemandDialPppUserName)))
TEXT_SETTER(XMLSetTYMCDemandDialOutPPPPassword, forward(host(HIPSetObjTYMCfgDemandDialPppPassword)))
CODE_SETTER(XMLSetObjTYMCDemandDialOutAuthType, forward(host(HIPSetObjTYMCfgDemandDialAuthType)))

} // extern "C"
