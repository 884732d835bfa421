// LAN, dial-in and SMTP settings commands.
#include "handlers.h"
#include "settings_frame.h"
#include "telmda/card_objects.h"

using namespace telmda;

namespace {

const SettingField kNetworkFields[] = {
    {16, "RSCIPAddress", TELMDA_OBJ_LAN,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCIPAddress(c, o, v);
     }},
    {17, "RSCSubnetMask", TELMDA_OBJ_LAN,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCSubnetMask(c, o, v);
     }},
    {18, "RSCGateway", TELMDA_OBJ_LAN,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCGateway(c, o, v);
     }},
    {19, "RSCBaseIPAddr", TELMDA_OBJ_DIALUP,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCBaseIPAddress(c, o, v);
     }},
    {20, "RSCSMTPAddr", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCSMTPAddress(c, o, v);
     }},
    {21, "RSCNICEnable", TELMDA_OBJ_LAN,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCNICEnable(c, o, exactlyTrue(v));
     }},
    {22, "RSCNICUseDHCP", TELMDA_OBJ_LAN,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCNICUseDHCP(c, o, exactlyTrue(v));
     }},
    {23, "RSCDialUpDialInDHCPEnable", TELMDA_OBJ_DIALUP,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCDialUpDialInDHCPEnable(c, o, exactlyTrue(v));
     }},
    {24, "RSCDialUpDialInAuthType", TELMDA_OBJ_DIALUP,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetObjTYMDialupDialInAuthType(c, o, lowByte(v));
     }},
    {25, "RSCDialInEnable", TELMDA_OBJ_DIALUP,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCDialUpDialInEnable(c, o, exactlyTrue(v));
     }},
    {32, "RSCRHostSMTPEnable", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetRHostSMTPEnable(c, o, exactlyTrue(v));
     }},
};
const SettingsGroup kNetwork{kNetworkFields, sizeof kNetworkFields / sizeof kNetworkFields[0]};
const int32_t kCombinedOrder[] = {16, 17, 18, 19, 20, 21, 22, 23, 25, 32, 24};

char* field(int32_t count, OCSParamList params, int32_t id) {
    return runSettingCommand(count, params, kNetwork, id);
}

} // namespace

extern "C" {

char* SetTYMCNetworkConfInfo(int32_t paramCount, OCSParamList params, const char*, int32_t fieldId,
                             int32_t* status) {
    return runSettingField(paramCount, params, kNetwork, fieldId, status);
}

char* CmdRSCSetNetworkConf(int32_t n, OCSParamList p) {
    return runCombinedSettings(n, p, kNetwork, kCombinedOrder,
                               sizeof kCombinedOrder / sizeof kCombinedOrder[0]);
}
char* CmdRSCSetIPAddress(int32_t n, OCSParamList p) {
    return field(n, p, 16);
}
char* CmdRSCSetSubnetMask(int32_t n, OCSParamList p) {
    return field(n, p, 17);
}
char* CmdRSCSetGateway(int32_t n, OCSParamList p) {
    return field(n, p, 18);
}
char* CmdRSCSetBaseIPAddress(int32_t n, OCSParamList p) {
    return field(n, p, 19);
}
char* CmdRSCSetSMTPIPAddress(int32_t n, OCSParamList p) {
    return field(n, p, 20);
}
char* CmdRSCSetNICEnable(int32_t n, OCSParamList p) {
    return field(n, p, 21);
}
char* CmdRSCSetNICUseDHCP(int32_t n, OCSParamList p) {
    return field(n, p, 22);
}
char* CmdRSCSetDialupDialInDhcpEnable(int32_t n, OCSParamList p) {
    return field(n, p, 23);
}
char* CmdRSCSetDialupDialInAuthType(int32_t n, OCSParamList p) {
    return field(n, p, 24);
}
char* CmdRSCSetDialupDialInEnable(int32_t n, OCSParamList p) {
    return field(n, p, 25);
}
char* CmdRSCSetRHostSMTPEnable(int32_t n, OCSParamList p) {
    return field(n, p, 32);
}

} // extern "C"
