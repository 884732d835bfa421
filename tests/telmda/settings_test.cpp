// Network, modem and remote-host settings commands through the module.
#include "module_fixture.h"

#include "mgmthost/mgmthost_standin.h"
#include "mgmthost/ocs.h"
#include "smil/smil_standin.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <optional>

namespace telmda_test {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> setterCalls() {
    std::vector<std::string> out;
    for (const tym_standin::SetterCall& c : tym_standin::calls())
        out.push_back(c.function.substr(std::string("HIPSetObjTYMCfg").size()) + "=" + c.value);
    return out;
}

std::vector<std::uint32_t> logIds() {
    std::vector<std::uint32_t> ids;
    for (const ocs_standin::CmdLogEntry& e : ocs_standin::cmdLog())
        ids.push_back(e.messageId);
    return ids;
}

using SettingsTest = ModuleTest;

// What each settable field's own command and its group's set routine do, as
// facts of their own: the rows of the card field table only say which fields
// there are, so a field added to the table without its facts here fails, and
// a row whose id, parameter, host setter or log id is wrong fails its facts.
struct FieldFacts {
    const char* setter; // the module's setter, naming the field's row
    const char* command;
    const char* param;
    std::int32_t fieldId; // its id in its group's set routine
    const char* value;
    const char* expectedCall; // host setter and the value it got
    std::uint32_t logId;      // 0: nothing logged
};

struct GroupFacts {
    const char* routine;    // the group's set routine
    std::uint32_t entryOid; // the entry the commands name; 0: a settings group
    std::vector<FieldFacts> fields;
};

const std::vector<GroupFacts>& groupFacts() {
    static const std::vector<GroupFacts> groups = {
        {"SetTYMCNetworkConfInfo",
         0,
         {
             {"XMLSetTYMCIPAddress", "setrscipaddress", "RSCIPAddress", 16, "10.0.0.9",
              "NicIpAddress=10.0.0.9", 5414},
             {"XMLSetTYMCSubnetMask", "setrscsubnetmask", "RSCSubnetMask", 17, "255.0.0.0",
              "NicNetMask=255.0.0.0", 5415},
             {"XMLSetTYMCGateway", "setrscgateway", "RSCGateway", 18, "10.0.0.254",
              "NicGateway=10.0.0.254", 5416},
             {"XMLSetTYMCBaseIPAddress", "setrscbaseipaddress", "RSCBaseIPAddr", 19, "10.20.0.1",
              "DialupDialInBaseIpAddr=10.20.0.1", 5417},
             {"XMLSetTYMCSMTPAddress", "setrscsmtpaddress", "RSCSMTPAddr", 20, "10.0.0.25",
              "RhostsSmtpSvrIpAddr=10.0.0.25", 5411},
             {"XMLSetTYMCNICEnable", "setrscnicenable", "RSCNICEnable", 21, "True", "NicEnable=0",
              5412},
             {"XMLSetTYMCNICUseDHCP", "setrscnicusedhcp", "RSCNICUseDHCP", 22, "true",
              "NicUseDHCP=1", 5413},
             {"XMLSetTYMCDialUpDialInDHCPEnable", "setrscdialupdialindhcpenable",
              "RSCDialUpDialInDHCPEnable", 23, "true", "DialupDialInDhcpEnable=1", 5419},
             {"XMLSetObjTYMDialupDialInAuthType", "setrscdialupdialinauthtype",
              "RSCDialUpDialInAuthType", 24, "258", "DialupDialInAuthType=2", 5420},
             {"XMLSetTYMCDialUpDialInEnable", "setrscdialupdialinenable", "RSCDialInEnable", 25,
              "1", "DialupDialInEnable=0", 5418},
             {"XMLSetRHostSMTPEnable", "setrscrhostsmtpenable", "RSCRHostSMTPEnable", 32, "TRUE",
              "RhostsSmtpEmailEnable=0", 5410},
         }},
        {"SetTYMCModemInfo",
         0,
         {
             {"XMLSetTYMCDialUpDialType", "setrscdialupdialtype", "RSCDialUpDialType", 16, "258",
              "DialupDialType=2", 5401},
             {"XMLSetTYMCModemInitString", "setrscdialupmodeminitsting", "RSCDialUpModemInitString",
              17, "ATZ", "DialupModemInitString=ATZ", 5402},
             {"XMLSetTYMCModemBaudRate", "setrscdialupmodembaudrate", "RSCModemBaudRate", 18,
              "9600", "DialupModemBaudRate=9600", 5403},
         }},
        {"SetTYMCRemoteInfo",
         0,
         {
             {"XMLSetTYMCfgRhostsFloppyTftpEnable", "setrscrhostfloppytftpenable",
              "RSCRHostFloppyTFTPEnable", 16, "yes", "RhostsFloppyTftpEnable=1", 5404},
             {"XMLSetTYMCfgRhostsFwUpdateTftpEnable", "setrscrhostfwupdatetftpenable",
              "RSCRHostFWUpdateTFTPEnable", 17, "0", "RhostsFwUpdateTftpEnable=0", 5405},
             {"XMLSetTYMCfgRhostsFloppyTftpIpAddr", "setrscrhostfloppytftpipaddr",
              "RSCRHostFloppyTFTPIPAddr", 18, "10.0.0.6", "RhostsFloppyTftpIpAddr=10.0.0.6", 5406},
             {"XMLSetTYMCfgRhostsFloppyTftpIpPath", "setrscrhostfloppytftppath",
              "RSCRHostFloppyTFTPPATH", 19, "/tftp/fl.img", "RhostsFloppyTftpPath=/tftp/fl.img",
              5407},
             {"XMLSetTYMCfgRhostsFwUpdateIpAddr", "setrscrhostfwupdateipaddr",
              "RSCRHostFWUpdateTFTPIPAddr", 20, "10.0.0.7", "RhostsFwUpdateIpAddr=10.0.0.7", 5408},
             {"XMLSetTYMCfgRhostsFwUpdatePath", "setrscrhostfwupdatepath",
              "RSCRHostFWUpdateTFTPPath", 21, "/fw2.bin", "RhostsFwUpdatePath=/fw2.bin", 5409},
         }},
        {"SetTYMCUserEntryInfo",
         400,
         {
             {"XMLSetTYMCUserEnableNumericPaging", "setrscuserpagenumericenable",
              "RSCUserEnableNumericPaging", 16, "yes", "UserPageNumericEnable=1", 0},
             {"XMLSetTYMCUserNumericPagerNumber", "setrscuserpagenumericnumber",
              "RSCUserNumericPagerNumber", 17, "5551234", "UserPageNumericNumber=5551234", 0},
             {"XMLSetTYMCUserNumericPagerMsg", "setrscuserpagenumericmsg", "RSCUserNumericPagerMsg",
              18, "call in", "UserPageNumericMessage=call in", 0},
             {"XMLSetTYMCUserEnableEmailPaging", "setrscuseremailenable",
              "RSCUserEnableEmailPaging", 19, "1", "UserEmailEnable=1", 0},
             {"XMLSetTYMCUserEmailAddress", "setrscuseremailaddress", "RSCUserEmailAddress", 20,
              "ops@example.com", "UserEmailAddress=ops@example.com", 0},
             {"XMLSetTYMCUserEmailMsg", "setrscuseremailcustommesg", "RSCUserEmailMsg", 21,
              "disk down", "UserEmailCustomMsg=disk down", 0},
             {"XMLSetTYMCUserEnableAlphaPaging", "setrscuserpagealphaenable",
              "RSCUserEnableAlphaPaging", 22, "true", "UserPageAlphaEnable=1", 0},
             {"XMLSetTYMCUserAlphaPagingNumber", "setrscuserpagealphanumber", "RSCUserAlphaNumber",
              23, "5559876", "UserPageAlphaNumber=5559876", 0},
             {"XMLSetTYMCUserAlphaProtocol", "setrscuserpagealphaprotocol", "RSCUserAlphaProtocol",
              24, "TAP", "UserPageAlphaProtocol=TAP", 0},
             {"XMLSetTYMCUserAlphaBaudRate", "setrscuserpagealphabaudrate", "RSCUserAlphaBaudRate",
              25, "2400", "UserPageAlphaBaudRate=2400", 0},
             {"XMLSetTYMCUserAlphaCustomMsg", "setrscuserpagealphacustommsg",
              "RSCUserAlphaCustomMsg", 32, "custom", "UserPageAlphaCustomMsg=custom", 0},
             {"XMLSetTYMCUserAlphaPagerID", "setrscuserpagealphapagerid", "RSCUserAlphaPagerID", 33,
              "pager7", "UserPageAlphaPagerId=pager7", 0},
             {"XMLSetTYMCUserAlphaPagerPassword", "setrscuserpagealphapasswd",
              "RSCUserAlphaPagerPassword", 34, "pagerpw", "UserPageAlphaPassword=pagerpw", 0},
             {"XMLSetTYMCUserTYMCTrapsFilters", "setrscusertymctrapsfilters",
              "RSCUserTYMCTrapsFilters", 35, "4097", "UserAlertFilterTymEvents=4097", 0},
             {"XMLSetTYMCUserSystemTrapsFilters", "setrscusersystemtrapsfilters",
              "RSCUserSystemTrapsFilters", 36, "255", "UserAlertFilterSysEvents=255", 0},
             // A key not held by another entry is added.
             {"XMLSetTYMCUserName", "setrscusername", "RSCUserName", 37, "alice", "UserName=alice",
              5430},
             {"XMLSetTYMCUserPassword", "setrscuserpassword", "RSCUserPassword", 38, "s3cret",
              "UserPassword=s3cret", 0},
             {"XMLSetTYMCUserEmailTest", "setrscuseremailtest", "RSCSystemUserEmailTest", 39, "1",
              "UserEmailTest=1", 5433},
             {"XMLSetTYMCUserPageAlphaTest", "setrscuserpagealphatest",
              "RSCSystemUserPageAlphaTest", 40, "1", "UserPageAlphaTest=1", 5434},
             {"XMLSetTYMCUserNumericTest", "setrscusernumerictest", "RSCSystemUserNumericTest", 41,
              "1", "UserPageNumericTest=1", 5435},
         }},
        {"SetTYMCTrapEntryInfo",
         500,
         {
             {"XMLSetTYMCEnableTraps", "setrscenabletraps", "RSCTrapsEnable", 16, "1",
              "TrapsEnable=1", 0},
             {"XMLSetTYMCTrapsDestIPAddr", "setrsctrapdestipaddr", "RSCTrapDestIPAddr", 17,
              "10.0.0.7", "TrapsDestIpAddr=10.0.0.7", 5427},
             {"XMLSetTYMCTrapsSNMPCommunity", "setrsctrapssnmpcommunity", "RSCSNMPCommunity", 18,
              "public", "TrapsSnmpCommunity=public", 0},
             {"XMLSetTYMCTYMCTrapsFilters", "setrsctrapsfilters", "RSCTYMCTrapsFilters", 19, "7",
              "TrapsFilterTymEvents=7", 0},
             {"XMLSetTYMCSystemTrapsFilters", "setrscsystemtrapsfilters", "RSCSystemTrapsFilters",
              20, "9", "TrapsFilterSysEvents=9", 0},
             {"XMLSetTYMCTrapTest", "setrsctraptest", "RSCTrapTest", 21, "1", "TrapsTest=1", 5436},
         }},
        {"SetTYMCDialInUserEntryInfo",
         700,
         {
             {"XMLSetTYMCDialInUserCallbackNumber", "setrscdialcallbacknumber",
              "RSCDialInUserCallbackNumber", 17, "5550000", "DialinUsrCallbackNumber=5550000", 0},
             {"XMLSetTYMCDialInUserPPPUserName", "setrscdialinuserpppusername",
              "RSCDialInUserPppUserName", 18, "pppa", "DialinUsrPppUserName=pppa", 5424},
             {"XMLSetTYMCDialInUserPPPPassword", "setrscdialinuserppppassword",
              "RSCDialInUserPppPassword", 19, "pw", "DialinUsrPppUserPassword=pw", 0},
             {"XMLSetObjTYMCDialInUserCallBackType", "setrscdialincallbacktype",
              "RSCDialInUserCallbackType", 20, "258", "DialinUsrCallbackType=2", 0},
         }},
        {"SetTYMCDemandDialOutEntryInfo",
         600,
         {
             {"XMLSetTYMCDemandDialOutIPAddress", "setrscdemanddialipaddress",
              "RSCDemandDialIpAddr", 16, "10.0.1.7", "DemandDialIpAddr=10.0.1.7", 5421},
             {"XMLSetTYMCDemandDialOutPhoneNumber", "setrscdemanddialphonenumber",
              "RSCDemandDialPhoneNumber", 17, "5551111", "DemandDialPhoneNumber=5551111", 0},
             {"XMLSetTYMCDemandDialOutPPPUserName", "setrscdemanddialpppusername",
              "RSCDemandDialPppUserName", 18, "dial", "DemandDialPppUserName=dial", 0},
             {"XMLSetTYMCDemandDialOutPPPPassword", "setrscdemanddialppppassword",
              "RSCDemandDialPppPassword", 19, "pw2", "DemandDialPppPassword=pw2", 0},
             {"XMLSetObjTYMCDemandDialOutAuthType", "setrscdemanddialoutauthtype",
              "RSCDemandDialAuthType", 20, "513", "DemandDialAuthType=1", 0},
         }},
    };
    return groups;
}

// The settable fields of the card field table, by their setters.
const std::vector<std::string>& tableSetters() {
    static const std::vector<std::string> setters = {
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, setter, ...) #setter,
#include "telmda/card_fields.def"
    };
    return setters;
}

struct FoundFacts {
    const GroupFacts* group;
    const FieldFacts* field;
};

std::optional<FoundFacts> factsOf(const std::string& setter) {
    for (const GroupFacts& g : groupFacts())
        for (const FieldFacts& f : g.fields)
            if (setter == f.setter)
                return FoundFacts{&g, &f};
    return std::nullopt;
}

class FieldCommandsTest : public ModuleTest {
protected:
    void fresh() {
        useCard(standardCard()); // the field before may have changed the card
        ocs_standin::reset();
        tym_standin::reset();
    }
    void expectSetAndLogged(const FieldFacts& f) {
        EXPECT_THAT(setterCalls(), ElementsAre(f.expectedCall));
        if (f.logId == 0) {
            EXPECT_THAT(logIds(), ::testing::IsEmpty());
            return;
        }
        ASSERT_THAT(logIds(), ElementsAre(f.logId));
        EXPECT_EQ(ocs_standin::cmdLog()[0].userInfo, "admin");
        EXPECT_EQ(ocs_standin::cmdLog()[0].source, "TELMDA");
        EXPECT_EQ(ocs_standin::cmdLog()[0].flags, 4);
    }
    // The group's set routine asked for the field by its id.
    std::int32_t runRoutine(const GroupFacts& g, const FieldFacts& f) {
        const std::string user = "qvausrinfo=admin", value = std::string(f.param) + "=" + f.value;
        const char* params[] = {user.c_str(), value.c_str()};
        std::int32_t status = -12345;
        char* text = nullptr;
        if (g.entryOid == 0) {
            auto routine = m_module->symbol<char* (*)(std::int32_t, OCSParamList, const char*,
                                                      std::int32_t, std::int32_t*)>(g.routine);
            if (!routine) {
                ADD_FAILURE() << g.routine << " is not exported";
                return status;
            }
            text = routine(2, params, "", f.fieldId, &status);
        } else {
            auto routine =
                m_module->symbol<char* (*)(std::int32_t, OCSParamList, const char*, const char*,
                                           std::int32_t, const std::uint32_t*, const void*,
                                           std::int32_t*, std::int32_t)>(g.routine);
            if (!routine) {
                ADD_FAILURE() << g.routine << " is not exported";
                return status;
            }
            // The entry as read before the change; only a key's setter reads
            // the mode, and 16 adds the key.
            const std::vector<std::uint8_t> entry = smil_standin::objectBytes(g.entryOid);
            text =
                routine(2, params, "", f.param, f.fieldId, &g.entryOid, entry.data(), &status, 16);
        }
        if (text)
            OCSXFreeBufContent(text);
        return status;
    }
};

TEST_F(FieldCommandsTest, EveryTableFieldHasItsFacts) {
    const std::vector<std::string>& setters = tableSetters();
    for (const std::string& setter : setters)
        EXPECT_TRUE(factsOf(setter)) << setter << " is in the card field table: add its facts";
    for (const GroupFacts& g : groupFacts())
        for (const FieldFacts& f : g.fields)
            EXPECT_NE(std::find(setters.begin(), setters.end(), f.setter), setters.end())
                << f.setter << " has facts but no row in the card field table";
}

// Each field's own command converts the value, sets it and logs it (a changed
// value, so the compared setters call and log too).
TEST_F(FieldCommandsTest, EachFieldCommandConvertsSetsAndLogs) {
    for (const std::string& setter : tableSetters()) {
        SCOPED_TRACE(setter);
        const std::optional<FoundFacts> facts = factsOf(setter);
        if (!facts)
            continue; // reported by EveryTableFieldHasItsFacts
        const FieldFacts& f = *facts->field;
        fresh();
        std::vector<std::string> request = {std::string("qvacmd=") + f.command, "qvausrinfo=admin",
                                            std::string(f.param) + "=" + f.value};
        if (facts->group->entryOid != 0)
            request.push_back("oid=" + std::to_string(facts->group->entryOid));
        const XmlAnswer a = answer(request);
        EXPECT_EQ(a.status(), 0);
        EXPECT_THAT(a.topNames(), ElementsAre("SMStatus"));
        expectSetAndLogged(f);
    }
}

// The group's set routine reaches the same field by its id.
TEST_F(FieldCommandsTest, EachGroupRoutineSetsTheFieldOfItsId) {
    for (const std::string& setter : tableSetters()) {
        SCOPED_TRACE(setter);
        const std::optional<FoundFacts> facts = factsOf(setter);
        if (!facts)
            continue; // reported by EveryTableFieldHasItsFacts
        fresh();
        EXPECT_EQ(runRoutine(*facts->group, *facts->field), 0);
        expectSetAndLogged(*facts->field);
    }
}

TEST_F(SettingsTest, StoredValueIsNotSetAgainExceptTheFloppyPath) {
    EXPECT_EQ(
        answer({"qvacmd=setrscipaddress", "qvausrinfo=a", "RSCIPAddress=192.168.1.20"}).status(),
        0);
    EXPECT_EQ(
        answer({"qvacmd=setrscdialupdialtype", "qvausrinfo=a", "RSCDialUpDialType=257"}).status(),
        0);
    EXPECT_TRUE(setterCalls().empty());
    EXPECT_TRUE(logIds().empty());
    EXPECT_EQ(answer({"qvacmd=setrscrhostfloppytftppath", "qvausrinfo=a",
                      "RSCRHostFloppyTFTPPATH=/tftp/fl.img"})
                  .status(),
              0);
    EXPECT_THAT(setterCalls(), ElementsAre("RhostsFloppyTftpPath=/tftp/fl.img"));
    EXPECT_THAT(logIds(), ElementsAre(5407u));
}

TEST_F(SettingsTest, FrameErrors) {
    // No qvausrinfo: the host's conversion result, nothing touched.
    const XmlAnswer noUser = answer({"qvacmd=setrscipaddress", "RSCIPAddress=1.2.3.4"});
    EXPECT_EQ(noUser.status(), OCS_XVAL_MISSING);
    EXPECT_EQ(XmlAnswer::text(noUser.find("CmdHelp")), "qvausrinfo input missing or bad");
    // No value: 271 with the parameter and the request's parameter count.
    const XmlAnswer noValue = answer({"qvacmd=setrscipaddress", "qvausrinfo=a"});
    EXPECT_EQ(noValue.status(), 271);
    EXPECT_EQ(noValue.statusMessage(), "RSCIPAddress value missing 2");
    // A refusing host setter: its code, no message, logged with only the status.
    tym_standin::setResult("HIPSetObjTYMCfgNicIpAddress", 1234);
    const XmlAnswer refused =
        answer({"qvacmd=setrscipaddress", "qvausrinfo=a", "RSCIPAddress=1.2.3.4"});
    EXPECT_EQ(refused.status(), 1234);
    EXPECT_EQ(refused.statusMessage(), std::nullopt);
    ASSERT_THAT(logIds(), ElementsAre(5414u));
    EXPECT_EQ(ocs_standin::cmdLog()[0].text, "<SMStatus>1234</SMStatus>");
    EXPECT_TRUE(setterCalls().size() == 1);
    // The card object missing: 271 with the value as the message.
    nlohmann::json card = standardCard();
    removeType(card, 292);
    useCard(card);
    const XmlAnswer noObject =
        answer({"qvacmd=setrscgateway", "qvausrinfo=a", "RSCGateway=9.9.9.9"});
    EXPECT_EQ(noObject.status(), 271);
    EXPECT_EQ(noObject.statusMessage(), "9.9.9.9");
}

// Settings objects are not copied: any size above their layout is read.
TEST_F(SettingsTest, ACardObjectLongerThanTheEntryCopyAreaIsSet) {
    nlohmann::json card = standardCard();
    for (nlohmann::json& o : card["objects"])
        if (o["type"] == 292)
            o["size"] = 4100;
    useCard(card);
    EXPECT_EQ(answer({"qvacmd=setrscipaddress", "qvausrinfo=a", "RSCIPAddress=10.9.9.9"}).status(),
              0);
    EXPECT_EQ(setterCalls().size(), 1u);
}

TEST_F(SettingsTest, CombinedNetworkCommandSetsWhatItCarriesInOrder) {
    const XmlAnswer a = answer(
        {"qvacmd=setrscnetworkconf", "qvausrinfo=a", "RSCNICEnable=false", "RSCGateway=10.1.1.1"});
    EXPECT_EQ(a.status(), 0);
    EXPECT_EQ(a.statusMessage(), std::nullopt);
    EXPECT_THAT(setterCalls(), ElementsAre("NicGateway=10.1.1.1", "NicEnable=0"));
}

TEST_F(SettingsTest, CombinedNetworkCommandListsFailuresInItsOrder) {
    tym_standin::setResult("HIPSetObjTYMCfgNicIpAddress", 7);
    tym_standin::setResult("HIPSetObjTYMCfgDialupDialInAuthType", 8);
    tym_standin::setResult("HIPSetObjTYMCfgNicGateway", 9);
    const XmlAnswer a =
        answer({"qvacmd=setrscnetworkconf", "qvausrinfo=a", "RSCDialUpDialInAuthType=3",
                "RSCGateway=10.1.1.1", "RSCIPAddress=1.1.1.1", "RSCSubnetMask=255.255.0.0"});
    EXPECT_EQ(a.status(), -1);
    EXPECT_EQ(a.statusMessage(), " RSCIPAddress RSCGateway RSCDialUpDialInAuthType");
    EXPECT_THAT(setterCalls(), ElementsAre("NicIpAddress=1.1.1.1", "NicNetMask=255.255.0.0",
                                           "NicGateway=10.1.1.1", "DialupDialInAuthType=3"));
}

TEST_F(SettingsTest, CombinedCommandsWithCmdhelpListEveryField) {
    EXPECT_EQ(
        answer({"qvacmd=setrscnetworkconf", "cmdhelp="}).statusMessage(),
        " RSCIPAddress RSCSubnetMask RSCGateway RSCBaseIPAddr RSCSMTPAddr RSCNICEnable "
        "RSCNICUseDHCP "
        "RSCDialUpDialInDHCPEnable RSCDialInEnable RSCRHostSMTPEnable RSCDialUpDialInAuthType");
    EXPECT_EQ(answer({"qvacmd=setrscmodeminfo", "cmdhelp="}).statusMessage(),
              " RSCDialUpDialType RSCDialUpModemInitString RSCModemBaudRate");
    EXPECT_EQ(answer({"qvacmd=setrscremoteinfo", "cmdhelp="}).statusMessage(),
              " RSCRHostFloppyTFTPEnable RSCRHostFWUpdateTFTPEnable RSCRHostFloppyTFTPIPAddr "
              "RSCRHostFloppyTFTPPATH "
              "RSCRHostFWUpdateTFTPIPAddr RSCRHostFWUpdateTFTPPath");
}

TEST_F(SettingsTest, ModemAndRemoteCombinedCommands) {
    EXPECT_EQ(
        answer({"qvacmd=setrscmodeminfo", "qvausrinfo=a", "RSCModemBaudRate=115200"}).status(), 0);
    EXPECT_THAT(setterCalls(), ElementsAre("DialupModemBaudRate=115200"));
    nlohmann::json card = standardCard();
    removeType(card, 294);
    useCard(card);
    tym_standin::reset();
    const XmlAnswer a = answer({"qvacmd=setrscremoteinfo", "qvausrinfo=a",
                                "RSCRHostFloppyTFTPEnable=1", "RSCRHostFWUpdateTFTPPath=/x"});
    EXPECT_EQ(a.status(), 0) << "a missing object answers 271 per field, which is skipped";
    EXPECT_EQ(a.statusMessage(), std::nullopt);
    EXPECT_TRUE(setterCalls().empty());
}

TEST_F(SettingsTest, CombinedCommandListsAFieldWhoseFrameCouldNotAnswer) {
    // Allocations: the combined answer, then per field its answer and log buffer.
    ocs_standin::failAllocationAt(2);
    const XmlAnswer a =
        answer({"qvacmd=setrscmodeminfo", "qvausrinfo=a", "RSCModemBaudRate=115200"});
    EXPECT_EQ(a.status(), -1);
    EXPECT_EQ(a.statusMessage(), " RSCDialUpDialType");
    EXPECT_THAT(setterCalls(), ElementsAre("DialupModemBaudRate=115200"));
}

TEST_F(SettingsTest, SoftReset) {
    const XmlAnswer noUser = answer({"qvacmd=setresetsoft"});
    EXPECT_EQ(XmlAnswer::text(noUser.find("CmdHelp")), "qvausrinfo input missing or bad");
    EXPECT_TRUE(tym_standin::calls().empty());

    EXPECT_EQ(answer({"qvacmd=setresetsoft", "qvausrinfo=op"}).status(), 0);
    ASSERT_EQ(tym_standin::calls().size(), 1u);
    EXPECT_EQ(tym_standin::calls()[0].function, "HIPSetObjTYMMngTymResetSoft");
    EXPECT_EQ(tym_standin::calls()[0].oid, 302u);
    ASSERT_THAT(logIds(), ElementsAre(5437u));
    EXPECT_EQ(ocs_standin::cmdLog()[0].text,
              "Status:0; Cmd:HIPSetObjTYMMngTymResetSoft; Inputs:RSCResetSoft=");

    tym_standin::setResult("HIPSetObjTYMMngTymResetSoft", 5);
    const XmlAnswer refused = answer({"qvacmd=setresetsoft", "qvausrinfo=op"});
    EXPECT_EQ(refused.status(), 5);
    EXPECT_EQ(refused.statusMessage(), "Unable to reset the Remote Service Card");

    nlohmann::json card = standardCard();
    removeType(card, 290);
    useCard(card);
    const XmlAnswer noControl = answer({"qvacmd=setresetsoft", "qvausrinfo=op"});
    EXPECT_EQ(noControl.status(), 271);
    EXPECT_EQ(noControl.statusMessage(), std::nullopt);
}

TEST_F(SettingsTest, ChangedSettingReachesTheStoreAndTheViews) {
    EXPECT_EQ(answer({"qvacmd=setrscipaddress", "qvausrinfo=a", "RSCIPAddress=10.0.0.99"}).status(),
              0);
    EXPECT_EQ(XmlAnswer::text(answer({"qvacmd=getrsclannetworkingobj"}).find("IPAddress")),
              "10.0.0.99");
    // Too long for its field: the host setter refuses, the view keeps the old value.
    EXPECT_NE(answer({"qvacmd=setrscipaddress", "qvausrinfo=a", "RSCIPAddress=100.100.100.100.1"})
                  .status(),
              0);
    EXPECT_EQ(XmlAnswer::text(answer({"qvacmd=getrsclannetworkingobj"}).find("IPAddress")),
              "10.0.0.99");
}

} // namespace
} // namespace telmda_test
