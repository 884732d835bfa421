#include "object_layouts.h"

#include "mgmthost/ocs.h"
#include "telmda/card_objects.h"

#include <algorithm>

namespace telmda {
namespace {

constexpr std::int32_t B = OCS_KIND_BOOLEAN, U32 = OCS_KIND_UINT32, U8 = OCS_KIND_UINT8,
                       T = OCS_KIND_OBJ_TEXT;

const FieldLayout kPresence[] = {{16, 2, "Vesk3Present", B}, {18, 1, "tymType", U8}};

const FieldLayout kIdentification[] = {
    {16, 4, "TymCapabilities", U32},     {20, 4, "TymType", U32},
    {24, 64, "ProductInfo", T},          {88, 256, "DescriptionInfo", T},
    {344, 64, "VersionInfo", T},         {408, 16, "TymName", T},
    {424, 64, "PcmciaInfo", T},          {488, 4, "TymDialupNetworking", U32},
    {492, 4, "TymSizeRemoteHosts", U32}, {496, 4, "TymSizeUserAdmin", U32},
    {500, 4, "TymSizeTraps", U32},       {504, 4, "TymSizeDemandDial", U32},
    {508, 4, "TymSizeDialinUsers", U32}, {512, 0, "TymMisc", T},
};

const FieldLayout kControl[] = {
    {16, 4, "TymCapabilities", U32}, {20, 32, "TymTestOidCmd", T},    {52, 1, "TymResetHard", U8},
    {53, 1, "TymResetSoft", U8},     {54, 1, "TymResetGraceful", U8}, {55, 1, "TymShutdown", U8},
    {56, 1, "TymCfgDefaults", U8},   {57, 1, "TymLogReset", U8},
};

const FieldLayout kMonitoring[] = {{16, 4, "MonitorCapabilities", U32},
                                   {20, 1, "MonitorExtPwrSrcRule", U8},
                                   {21, 1, "MonitorBatteryRule", U8}};

const FieldLayout kLan[] = {
    {16, 4, "NicCapabilities", U32}, {20, 16, "IPAddress", T}, {36, 16, "SubnetMask", T},
    {52, 16, "Gateway", T},          {68, 2, "NicEnable", B},  {70, 2, "NicUseDHCP", B},
};

const FieldLayout kDialup[] = {
    {16, 4, "DialupCapabilities", U32},     {20, 4, "DialupDiIdleTimeout", U32},
    {24, 4, "DialupDiMaxConnectTime", U32}, {28, 4, "DialupDoModemConnectTimeout", U32},
    {32, 4, "DialupModemBaudRate", U32},    {36, 4, "DialupModemPort", U32},
    {40, 2, "DialupDialInEnable", B},       {42, 2, "DialupDialOutEnable", B},
    {44, 2, "DialupDialInDhcpEnable", B},   {46, 1, "DialupDialType", U8},
    {47, 1, "DialInAuthType", U8},          {48, 16, "DialupDialInBaseIpAddr", T},
    {64, 16, "DialupDialInDfltIpAddr", T},  {80, 0, "DialupModemInitString", T},
};

const FieldLayout kRemoteHosts[] = {
    {16, 4, "RhostsCapabilities", U32},
    {20, 2, "RhostsSmtpEmailEnable", B},
    {22, 2, "RhostsFloppyTftpEnable", B},
    {24, 2, "RhostsFwUpdateTftpEnable", B},
    {26, 1, "Reserved", U8},
    {28, 16, "RhostsSmtpSvrIpAddr", T},
    {44, 16, "RhostsFloppyTftpIpAddr", T},
    {60, 256, "RhostsFloppyTftpPath", T},
    {316, 16, "RhostsFwUpdateIpAddr", T},
    {332, 0, "RhostsFwUpdatePath", T},
};

const FieldLayout kSnmpAgent[] = {{16, 4, "OobSnmpCapabilities", U32},
                                  {20, 2, "OobSnmpTrapsEnable", B},
                                  {22, 2, "OobSnmpAgentEnable", B}};

const FieldLayout kCurrentLan[] = {
    {16, 4, "NicCurrentCapabilities", U32}, {20, 16, "NicCurrentIpAddress", T},
    {36, 16, "NicCurrentNetMask", T},       {52, 16, "NicCurrentNetGateway", T},
    {68, 2, "NicDHCPWasUsed", B},
};

const FieldLayout kUser[] = {
    {16, 4, "UserIndex", U32},
    {20, 4, "UserCapabilities", U32},
    {24, 4, "UserAlertFilterTymEvents", U32},
    {28, 4, "UserAlertFilterSysEvents", U32},
    {32, 4, "UserAlertFilterTymCapabilities", U32},
    {36, 4, "UserAlertFilterSysCapabilities", U32},
    {40, 4, "UserPageNumericHangupDelay", U32},
    {44, 4, "UserPageAlphaModemConnectTimeout", U32},
    {48, 4, "BaudRate", U32},
    {52, 4, "UserPageModemPort", U32},
    {56, 2, "EnableNumericPaging", B},
    {58, 2, "EnableAlphaPaging", B},
    {60, 20, "UserName", T},
    {80, 256, "Password", T},
    {336, 32, "UserPrivilege", T},
    {368, 96, "PageNumber", T},
    {464, 32, "NumericMessage", T},
    {496, 96, "AplhaPageNumber", T},
    {592, 4, "AlphaProtocol", T},
    {596, 32, "CustomMessage", T},
    {628, 64, "EmailAddress", T},
    {692, 32, "EmailMessage", T},
    {724, 32, "UserPageModemInitString", T},
    {756, 32, "UserPrivilegeCapabilities", T},
    {788, 32, "PagerID", T},
    {820, 32, "PagerPassword", T},
    {852, 2, "EnableEmailPaging", B},
    {854, 1, "UserPageNumericTest", U8},
    {855, 1, "UserPageAlphaTest", U8},
    {856, 1, "UserEmailTest", U8},
    {857, 1, "UserType", U8},
};

const FieldLayout kTrap[] = {
    {16, 4, "TrapsIndex", U32},
    {20, 4, "TrapsCapabilities", U32},
    {24, 4, "TrapsFilterTymEvents", U32},
    {28, 4, "TrapsFilterSysEvents", U32},
    {32, 4, "TrapsFilterTymCapabilities", U32},
    {36, 4, "TrapsFilterSysCapabilities", U32},
    {40, 16, "TrapsDestIpAddr", T},
    {56, 32, "TrapsSnmpCommunity", T},
    {88, 2, "TrapsEnable", B},
    {90, 1, "TrapsTest", U8},
};

const FieldLayout kDemandDial[] = {
    {16, 4, "DemandDialIndex", U32},       {20, 4, "DemandDialCapabilities", U32},
    {24, 16, "DemandDialIpAddr", T},       {40, 96, "DemandDialPhoneNumber", T},
    {136, 32, "DemandDialPppUserName", T}, {168, 32, "DemandDialPppPassword", T},
    {200, 1, "DemandDialAuthType", U8},
};

const FieldLayout kDialinUser[] = {
    {16, 4, "DialinUsrIndex", U32},          {20, 4, "DialinUsrCapabilities", U32},
    {24, 1, "DialinUsrCallbackType", U8},    {28, 16, "DialinUsrPppUserName", T},
    {44, 16, "DialinUsrPppUserPassword", T}, {60, 0, "DialinUsrCallbackNumber", T},
};

#define LAYOUT(type, element, fields)                                                              \
    { type, element, fields, sizeof fields / sizeof fields[0] }
const ObjectLayout kLayouts[] = {
    LAYOUT(TELMDA_OBJ_PRESENCE, "Vesk3Obj", kPresence),
    LAYOUT(TELMDA_OBJ_IDENTIFICATION, "TYMIdentificationObj", kIdentification),
    LAYOUT(TELMDA_OBJ_CONTROL, "TYMCControlObj", kControl),
    LAYOUT(TELMDA_OBJ_MONITORING, "TYMCMonitoringObj", kMonitoring),
    LAYOUT(TELMDA_OBJ_LAN, "LanNetworkingObj", kLan),
    LAYOUT(TELMDA_OBJ_DIALUP, "DialUpNetworkingObj", kDialup),
    LAYOUT(TELMDA_OBJ_REMOTE_HOSTS, "RemoteHostObj", kRemoteHosts),
    LAYOUT(TELMDA_OBJ_SNMP_AGENT, "oobSnmpAgentObj", kSnmpAgent),
    LAYOUT(TELMDA_OBJ_CURRENT_LAN, "CurrentLanNetworkingObj", kCurrentLan),
    LAYOUT(TELMDA_OBJ_USER, "TYMCUserEntry", kUser),
    LAYOUT(TELMDA_OBJ_TRAP, "SNMPTrap", kTrap),
    LAYOUT(TELMDA_OBJ_DEMAND_DIAL, "DemandDialObj", kDemandDial),
    LAYOUT(TELMDA_OBJ_DIALIN_USER, "DialInUsersObj", kDialinUser),
};
#undef LAYOUT

} // namespace

const ObjectLayout* layoutOf(std::uint16_t type) {
    for (const ObjectLayout& l : kLayouts)
        if (l.type == type)
            return &l;
    return nullptr;
}

std::size_t minimumSize(std::uint16_t type) {
    std::size_t size = 16;
    if (const ObjectLayout* l = layoutOf(type))
        for (std::size_t i = 0; i < l->fieldCount; ++i)
            size =
                std::max<std::size_t>(size, std::size_t(l->fields[i].offset) + l->fields[i].width);
    return size;
}

} // namespace telmda
