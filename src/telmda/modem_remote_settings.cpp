// Modem and remote-host settings commands.
#include "handlers.h"
#include "settings_frame.h"
#include "telmda/card_objects.h"

using namespace telmda;

namespace {

const SettingField kModemFields[] = {
    {16, "RSCDialUpDialType", TELMDA_OBJ_DIALUP,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCDialUpDialType(c, o, lowByte(v));
     }},
    {17, "RSCDialUpModemInitString", TELMDA_OBJ_DIALUP,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCModemInitString(c, o, v);
     }},
    {18, "RSCModemBaudRate", TELMDA_OBJ_DIALUP,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCModemBaudRate(c, o, OCSASCIIToUnSigned32(v));
     }},
};
const SettingsGroup kModem{kModemFields, sizeof kModemFields / sizeof kModemFields[0]};
const int32_t kModemOrder[] = {16, 17, 18};

const SettingField kRemoteFields[] = {
    {16, "RSCRHostFloppyTFTPEnable", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCfgRhostsFloppyTftpEnable(c, o, OCSASCIIToBooln(v));
     }},
    {17, "RSCRHostFWUpdateTFTPEnable", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCfgRhostsFwUpdateTftpEnable(c, o, OCSASCIIToBooln(v));
     }},
    {18, "RSCRHostFloppyTFTPIPAddr", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCfgRhostsFloppyTftpIpAddr(c, o, v);
     }},
    {19, "RSCRHostFloppyTFTPPATH", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCfgRhostsFloppyTftpIpPath(c, o, v);
     }},
    {20, "RSCRHostFWUpdateTFTPIPAddr", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCfgRhostsFwUpdateIpAddr(c, o, v);
     }},
    {21, "RSCRHostFWUpdateTFTPPath", TELMDA_OBJ_REMOTE_HOSTS,
     [](const SetterContext* c, const uint32_t* o, const char* v) {
         return XMLSetTYMCfgRhostsFwUpdatePath(c, o, v);
     }},
};
const SettingsGroup kRemote{kRemoteFields, sizeof kRemoteFields / sizeof kRemoteFields[0]};
const int32_t kRemoteOrder[] = {16, 17, 18, 19, 20, 21};

char* modem(int32_t count, OCSParamList params, int32_t id) {
    return runSettingCommand(count, params, kModem, id);
}
char* remote(int32_t count, OCSParamList params, int32_t id) {
    return runSettingCommand(count, params, kRemote, id);
}

} // namespace

extern "C" {

char* SetTYMCModemInfo(int32_t paramCount, OCSParamList params, const char*, int32_t fieldId,
                       int32_t* status) {
    return runSettingField(paramCount, params, kModem, fieldId, status);
}

char* SetTYMCRemoteInfo(int32_t paramCount, OCSParamList params, const char*, int32_t fieldId,
                        int32_t* status) {
    return runSettingField(paramCount, params, kRemote, fieldId, status);
}

char* CmdRSCSetModemInfo(int32_t n, OCSParamList p) {
    return runCombinedSettings(n, p, kModem, kModemOrder, 3);
}
char* CmdRSCSetDialUpDialType(int32_t n, OCSParamList p) {
    return modem(n, p, 16);
}
char* CmdRSCSetDialUpModemInitString(int32_t n, OCSParamList p) {
    return modem(n, p, 17);
}
char* CmdRSCSetDialupModemBaudRate(int32_t n, OCSParamList p) {
    return modem(n, p, 18);
}

char* CmdRSCSetRemoteInfo(int32_t n, OCSParamList p) {
    return runCombinedSettings(n, p, kRemote, kRemoteOrder, 6);
}
char* CmdRSCSetRHostFloppyTFTPEnable(int32_t n, OCSParamList p) {
    return remote(n, p, 16);
}
char* CmdRSCSetRHostFWUpdateTFTPEnable(int32_t n, OCSParamList p) {
    return remote(n, p, 17);
}
char* CmdRSCSetRHostFloppyTFTPIPAddr(int32_t n, OCSParamList p) {
    return remote(n, p, 18);
}
char* CmdRSCSetRHostFloppyTFTPPath(int32_t n, OCSParamList p) {
    return remote(n, p, 19);
}
char* CmdRSCSetRHostFWUpdateIPAddr(int32_t n, OCSParamList p) {
    return remote(n, p, 20);
}
char* CmdRSCSetRHostFWUpdatePath(int32_t n, OCSParamList p) {
    return remote(n, p, 21);
}

} // extern "C"
