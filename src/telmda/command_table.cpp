// The command table, sorted once at the first attach and searched by binary
// search on the request's "qvacmd".
#include "handlers.h"
#include "telmda/card_objects.h"
#include "telmda/telmda.h"

#include <cstdlib>
#include <cstring>

namespace {

// Laid down in the order of the command families; sorted in place later.
DBIntfCmdEntry cdt[] = {
    {"clicmdhelp", CMDHelp},
    {"getoidbytype", CMDHipGetOIDByType},
    {"getmaxindexbytype", CMDHipGetObjCountByType},
    {"setrscuserpagealphapasswd", CmdRSCSetUserPageAlphaPassword},
    {"setrscuserpagealphapagerid", CmdRSCSetUserPageAlphaPagerID},
    {"setrscuserpagealphacustommsg", CmdRSCSetUserPageAlphaCustomMsg},
    {"setrscuserpagealphabaudrate", CmdRSCSetUserPageAlphaBaudRate},
    {"setrscuserpagealphaprotocol", CmdRSCSetUserPageAlphaProtocol},
    {"setrscuserpagealphanumber", CmdRSCSetUserPageAlphaNumber},
    {"setrscuserpagealphaenable", CmdRSCSetUserPageAlphaEnable},
    {"setrscuseremailcustommesg", CmdRSCSetUserEmailCustomMsg},
    {"setrscuseremailaddress", CmdRSCSetUserEmailAddress},
    {"setrscuseremailenable", CmdRSCSetUserEmailEnable},
    {"setrscuserpagenumericenable", CmdRSCSetUserPageNumericEnable},
    {"setrscuserpagenumericnumber", CmdRSCSetUserPageNumericNumber},
    {"setrscuserpagenumericmsg", CmdRSCSetUserPageNumericMessage},
    {"getrscnextavailableuser", CmdRSCGetNextAvailableUserEntry},
    {"getrscuserlist", CmdRSCGetUserList},
    {"getrscuserentry", CmdRSCGetUserEntryInfo},
    {"setrscuserentry", CmdRSCSetUserEntry},
    {"setrscusertymctrapsfilters", CmdRSCSetUserTYMCTrapsFilters},
    {"setrscusersystemtrapsfilters", CmdRSCSetUserSystemTrapsFilters},
    {"setrscusername", CmdRSCSetUserName},
    {"setrscuserpassword", CmdRSCSetUserPassword},
    {"getrscuserentrybyidx", CmdRSCGetUserEntryInfoByIdx},
    {"rscremoveuserentry", CmdRSCRemoveUserEntry},
    {"rscremoveuserentrybyid", CmdRSCRemoveUserEntryByInstance},
    {"getrscuserbyname", CmdRSCUserEntryByKeyValue},
    {"setrscuseremailtest", CmdRSCSetUserEmailTest},
    {"setrscuserpagealphatest", CmdRSCSetUserPageAlphaTest},
    {"setrscusernumerictest", CmdRSCSetUserNumericTest},
    {"getrscsnmptraplist", CMDRSCGetSNMPTrapList},
    {"getrscnexttrapentry", CmdRSCGetNextAvailableTrapEntry},
    {"getrscsnmptrapinfo", CMDRSCGetSNMPTrapInfo},
    {"getrscsnmptrapinfobyidx", CMDRSCGetSNMPTrapInfoByIdx},
    {"setrscsnmptrapinfo", CmdRSCSetTrapEntryInfo},
    {"setrscenabletraps", CmdRSCSetEnableTraps},
    {"setrsctrapdestipaddr", CmdRSCSetTrapsDestIPAddr},
    {"setrsctrapssnmpcommunity", CmdRSCSetTrapsSNMPCommunity},
    {"setrsctrapsfilters", CmdRSCSetTYMCTrapsFilters},
    {"setrscsystemtrapsfilters", CmdRSCSetSystemTrapsFilters},
    {"rscremovetrapentry", CmdRSCRemoveTrapEntry},
    {"rscremovetrapentrybyid", CmdRSCRemoveTrapEntryByInstance},
    {"getrscsnmptrapbyip", CmdRSCGetSNMPTrapInfoByKeyValue},
    {"setrsctraptest", CmdRSCSetTrapTest},
    {"getrscdialinuserlist", CmdRSCGetDialInUserList},
    {"getrscdialinuserentry", CmdRSCGetDialInUserEntryInfo},
    {"getrscnextdialinentry", CmdRSCGetNextAvailableDialInEntry},
    {"getrscdialinuserentrybyidx", CmdRSCGetDialInUserEntryInfoByIdx},
    {"setrscdialinuserentry", CmdRSCSetDialInUserEntry},
    {"setrscdialinuserpppusername", CmdRSCSetDialInUserPPPUserName},
    {"setrscdialinuserppppassword", CmdRSCSetDialInUserPPPPassword},
    {"setrscdialcallbacknumber", CmdRSCTYMCDialInUserCallbackNumber},
    {"setrscdialincallbacktype", CmdRSCSetDialInUserCallbackType},
    {"rscremovedialinentry", CmdRSCRemoveDialInEntry},
    {"rscremovedialinentrybyid", CmdRSCRemoveDialInEntryByInstance},
    {"getrscdialinuserbyname", CmdRSCDialInUserEntryByKeyValue},
    {"getrscdemanddialoutlist", CmdRSCGetDemandDialOutList},
    {"getrscnextdemanddialoutentry", CmdRSCGetNextAvailableDemandDialOutEntry},
    {"getrscdemanddialoutentry", CmdRSCGetDemandDialOutEntryInfo},
    {"getrscdemanddialoutentrybyidx", CmdRSCGetDemandDialOutEntryInfoByIdx},
    {"setrscdemanddialoutentry", CmdRSCSetDemandDialOutEntry},
    {"setrscdemanddialipaddress", CmdRSCSetDemandDialIPAddress},
    {"setrscdemanddialphonenumber", CmdRSCTYMCDemandDialPhoneNumber},
    {"setrscdemanddialpppusername", CmdRSCSetDemandDialOutPPPUserName},
    {"setrscdemanddialppppassword", CmdRSCSetDemandDialOutPPPPassword},
    {"setrscdemanddialoutauthtype", CmdRSCSetDemandDialOutAuthType},
    {"rscremovedemanddialoutentry", CmdRSCRemoveDemandDialOutEntry},
    {"rscremovedemanddialoutentrybyid", CmdRSCRemoveDemandDialOutEntryByInstance},
    {"getrscdemandialuserbyip", CmdRSCDemandDialOutEntryByKeyValue},
    {"setresetsoft", CmdRSCSetResetSoft},
    {"getracpppaddress", CmdRSCGetRACPPPAddress},
    {"getraclocalosauth", CmdGetRSCRacLocalOSAuth},
    {"setrscnetworkconf", CmdRSCSetNetworkConf},
    {"setrscipaddress", CmdRSCSetIPAddress},
    {"setrscsubnetmask", CmdRSCSetSubnetMask},
    {"setrscgateway", CmdRSCSetGateway},
    {"setrscbaseipaddress", CmdRSCSetBaseIPAddress},
    {"setrscsmtpaddress", CmdRSCSetSMTPIPAddress},
    {"setrscnicenable", CmdRSCSetNICEnable},
    {"setrscnicusedhcp", CmdRSCSetNICUseDHCP},
    {"setrscdialupdialindhcpenable", CmdRSCSetDialupDialInDhcpEnable},
    {"setrscdialupdialinauthtype", CmdRSCSetDialupDialInAuthType},
    {"setrscrhostsmtpenable", CmdRSCSetRHostSMTPEnable},
    {"setrscdialupdialinenable", CmdRSCSetDialupDialInEnable},
    {"setrscremoteinfo", CmdRSCSetRemoteInfo},
    {"setrscrhostfloppytftpenable", CmdRSCSetRHostFloppyTFTPEnable},
    {"setrscrhostfwupdatetftpenable", CmdRSCSetRHostFWUpdateTFTPEnable},
    {"setrscrhostfloppytftpipaddr", CmdRSCSetRHostFloppyTFTPIPAddr},
    {"setrscrhostfloppytftppath", CmdRSCSetRHostFloppyTFTPPath},
    {"setrscrhostfwupdateipaddr", CmdRSCSetRHostFWUpdateIPAddr},
    {"setrscrhostfwupdatepath", CmdRSCSetRHostFWUpdatePath},
    {"setrscdialupdialtype", CmdRSCSetDialUpDialType},
    {"setrscdialupmodeminitsting", CmdRSCSetDialUpModemInitString},
    {"setrscdialupmodembaudrate", CmdRSCSetDialupModemBaudRate},
    {"setrscmodeminfo", CmdRSCSetModemInfo},
    {"sslcertgenerate", CmdRSCSSLCertGenerate},
    {"sslcertupload", CmdRSCSSLCertUpload},
    {"sslcertview", CmdRSCSSLCertView},
    {"setraclocalosauth", CmdSetRSCRacLocalOSAuth},
    {"getrschealth", CmdRSCGetRSCHealth},
    {"getsummary", CmdRSCGetSummary},
    {"getrscidentificationobj", CmdRSCGetTYMIdentificationObj},
    {"getrscnetworkconf", CmdRSCGetNetworkConf},
    {"getrsclannetworkingobj", CmdRSCGetLanNetworkingObj},
    {"getrscdialupnetworkingobj", CmdRSCGetDialUpNetworkingObj},
    {"getrscremotehostobj", CmdRSCGetRemoteHostObj},
    {"getmenucomps", CmdRSCGetMenuComps},
    {"getrscobj", CmdRSCGetVesk3Obj},
    {"getrsccontrolobj", CmdRSCGetControlObj},
    {"getrscmonitoringobj", CmdRSCGetMonitoringObj},
    {"getrscsnmpagentobj", CmdRSCGetoobSnmpAgentObj},
    {"getrsccurrentlannetworkingobj", CmdRSCGetCurrentLanNetworkingObj},
};
constexpr unsigned kRows = sizeof cdt / sizeof cdt[0];

short cdtSorted = 0;

} // namespace

extern "C" {

DBIntfCmdEntry* DBIntfGetCDT(unsigned* count) {
    if (count)
        *count = kRows;
    return cdt;
}

int DBIntfCmdCmp(const void* rowA, const void* rowB) {
    return std::strcmp(static_cast<const DBIntfCmdEntry*>(rowA)->name,
                       static_cast<const DBIntfCmdEntry*>(rowB)->name);
}

int DBIntfCmdCmpValue(const void* key, const void* row) {
    return std::strcmp(static_cast<const char*>(key),
                       static_cast<const DBIntfCmdEntry*>(row)->name);
}

int DBIntfSortCDT(void) {
    unsigned count = 0;
    DBIntfCmdEntry* table = DBIntfGetCDT(&count);
    if (!table)
        return -1;
    std::qsort(table, count, sizeof *table, DBIntfCmdCmp);
    cdtSorted = 1;
    return 0;
}

const char* DBIntfQVACmd(int32_t paramCount, OCSParamList params) {
    return OCSGetAStrParamValueByAStrName(paramCount, params, "qvacmd", 0);
}

char* DBIntfSendCmd(int32_t paramCount, OCSParamList params) {
    if (!cdtSorted)
        return nullptr;
    const char* name = DBIntfQVACmd(paramCount, params);
    if (!name)
        return nullptr;
    unsigned count = 0;
    DBIntfCmdEntry* table = DBIntfGetCDT(&count);
    const auto* row = static_cast<const DBIntfCmdEntry*>(
        std::bsearch(name, table, count, sizeof *table, DBIntfCmdCmpValue));
    return row ? row->handler(paramCount, params) : nullptr;
}

void DBIntfFreeData(char* answer) {
    OCSXFreeBufContent(answer);
}

char* CMDHelp(int32_t paramCount, OCSParamList params) {
    unsigned count = 0;
    const DBIntfCmdEntry* table = DBIntfGetCDT(&count);
    static_assert(sizeof(DBIntfCmdEntry) == sizeof(OCSDASCmdRow),
                  "the host reads the table as its own rows");
    return OCSDASCMDHelp(paramCount, params, reinterpret_cast<const OCSDASCmdRow*>(table), count,
                         CMDHelp);
}

} // extern "C"
