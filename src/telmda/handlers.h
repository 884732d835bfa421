// Command handlers of the table, by family.
#pragma once

#include "mgmthost/ocs.h"

#include <cstdint>

#define TELMDA_HANDLER(name) char* name(std::int32_t paramCount, OCSParamList params);

extern "C" {
// Lookups, presence and the soft reset.
TELMDA_HANDLER(CmdRSCSetResetSoft)
// Network settings.
TELMDA_HANDLER(CmdRSCSetNetworkConf)
TELMDA_HANDLER(CmdRSCSetIPAddress)
TELMDA_HANDLER(CmdRSCSetSubnetMask)
TELMDA_HANDLER(CmdRSCSetGateway)
TELMDA_HANDLER(CmdRSCSetBaseIPAddress)
TELMDA_HANDLER(CmdRSCSetSMTPIPAddress)
TELMDA_HANDLER(CmdRSCSetNICEnable)
TELMDA_HANDLER(CmdRSCSetNICUseDHCP)
TELMDA_HANDLER(CmdRSCSetDialupDialInDhcpEnable)
TELMDA_HANDLER(CmdRSCSetDialupDialInAuthType)
TELMDA_HANDLER(CmdRSCSetRHostSMTPEnable)
TELMDA_HANDLER(CmdRSCSetDialupDialInEnable)
// Modem and remote hosts.
TELMDA_HANDLER(CmdRSCSetRemoteInfo)
TELMDA_HANDLER(CmdRSCSetRHostFloppyTFTPEnable)
TELMDA_HANDLER(CmdRSCSetRHostFWUpdateTFTPEnable)
TELMDA_HANDLER(CmdRSCSetRHostFloppyTFTPIPAddr)
TELMDA_HANDLER(CmdRSCSetRHostFloppyTFTPPath)
TELMDA_HANDLER(CmdRSCSetRHostFWUpdateIPAddr)
TELMDA_HANDLER(CmdRSCSetRHostFWUpdatePath)
TELMDA_HANDLER(CmdRSCSetDialUpDialType)
TELMDA_HANDLER(CmdRSCSetDialUpModemInitString)
TELMDA_HANDLER(CmdRSCSetDialupModemBaudRate)
TELMDA_HANDLER(CmdRSCSetModemInfo)
// Card object views.
TELMDA_HANDLER(CmdRSCGetRSCHealth)
TELMDA_HANDLER(CmdRSCGetSummary)
TELMDA_HANDLER(CmdRSCGetTYMIdentificationObj)
TELMDA_HANDLER(CmdRSCGetNetworkConf)
TELMDA_HANDLER(CmdRSCGetLanNetworkingObj)
TELMDA_HANDLER(CmdRSCGetDialUpNetworkingObj)
TELMDA_HANDLER(CmdRSCGetRemoteHostObj)
TELMDA_HANDLER(CmdRSCGetMenuComps)
TELMDA_HANDLER(CmdRSCGetVesk3Obj)
TELMDA_HANDLER(CmdRSCGetControlObj)
TELMDA_HANDLER(CmdRSCGetMonitoringObj)
TELMDA_HANDLER(CmdRSCGetoobSnmpAgentObj)
TELMDA_HANDLER(CmdRSCGetCurrentLanNetworkingObj)
}

#undef TELMDA_HANDLER
