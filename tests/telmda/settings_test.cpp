// Network, modem and remote-host settings commands through the module.
#include "module_fixture.h"

#include "mgmthost/mgmthost_standin.h"
#include "mgmthost/ocs.h"
#include "smil/smil_standin.h"

#include <gmock/gmock.h>

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

struct SingleCase {
    const char* command;
    const char* param;
    const char* value;
    const char* expectedCall; // setter and the value it got; null: not called
    std::uint32_t logId;      // 0: no entry
};

// One row per single-field command: a changed value is set and logged.
const SingleCase kSingle[] = {
    {"setrscipaddress", "RSCIPAddress", "10.0.0.9", "NicIpAddress=10.0.0.9", 5414},
    {"setrscsubnetmask", "RSCSubnetMask", "255.0.0.0", "NicNetMask=255.0.0.0", 5415},
    {"setrscgateway", "RSCGateway", "10.0.0.254", "NicGateway=10.0.0.254", 5416},
    {"setrscbaseipaddress", "RSCBaseIPAddr", "10.20.0.1", "DialupDialInBaseIpAddr=10.20.0.1", 5417},
    {"setrscsmtpaddress", "RSCSMTPAddr", "10.0.0.25", "RhostsSmtpSvrIpAddr=10.0.0.25", 5411},
    {"setrscnicenable", "RSCNICEnable", "True", "NicEnable=0", 5412},
    {"setrscnicusedhcp", "RSCNICUseDHCP", "true", "NicUseDHCP=1", 5413},
    {"setrscdialupdialindhcpenable", "RSCDialUpDialInDHCPEnable", "true",
     "DialupDialInDhcpEnable=1", 5419},
    {"setrscdialupdialinauthtype", "RSCDialUpDialInAuthType", "258", "DialupDialInAuthType=2",
     5420},
    {"setrscdialupdialinenable", "RSCDialInEnable", "1", "DialupDialInEnable=0", 5418},
    {"setrscrhostsmtpenable", "RSCRHostSMTPEnable", "TRUE", "RhostsSmtpEmailEnable=0", 5410},
    {"setrscdialupdialtype", "RSCDialUpDialType", "258", "DialupDialType=2", 5401},
    {"setrscdialupmodeminitsting", "RSCDialUpModemInitString", "ATZ", "DialupModemInitString=ATZ",
     5402},
    {"setrscdialupmodembaudrate", "RSCModemBaudRate", "9600", "DialupModemBaudRate=9600", 5403},
    {"setrscrhostfloppytftpenable", "RSCRHostFloppyTFTPEnable", "yes", "RhostsFloppyTftpEnable=1",
     5404},
    {"setrscrhostfwupdatetftpenable", "RSCRHostFWUpdateTFTPEnable", "0",
     "RhostsFwUpdateTftpEnable=0", 5405},
    {"setrscrhostfloppytftpipaddr", "RSCRHostFloppyTFTPIPAddr", "10.0.0.6",
     "RhostsFloppyTftpIpAddr=10.0.0.6", 5406},
    {"setrscrhostfloppytftppath", "RSCRHostFloppyTFTPPATH", "/tftp/fl.img",
     "RhostsFloppyTftpPath=/tftp/fl.img", 5407},
    {"setrscrhostfwupdateipaddr", "RSCRHostFWUpdateTFTPIPAddr", "10.0.0.7",
     "RhostsFwUpdateIpAddr=10.0.0.7", 5408},
    {"setrscrhostfwupdatepath", "RSCRHostFWUpdateTFTPPath", "/fw2.bin",
     "RhostsFwUpdatePath=/fw2.bin", 5409},
};

TEST_F(SettingsTest, SingleFieldCommandsConvertSetAndLog) {
    for (const SingleCase& c : kSingle) {
        SCOPED_TRACE(c.command);
        ocs_standin::reset();
        tym_standin::reset();
        const XmlAnswer a = answer({std::string("qvacmd=") + c.command, "qvausrinfo=admin",
                                    std::string(c.param) + "=" + c.value});
        EXPECT_EQ(a.status(), 0);
        EXPECT_THAT(a.topNames(), ElementsAre("SMStatus"));
        EXPECT_THAT(setterCalls(), ElementsAre(c.expectedCall));
        ASSERT_THAT(logIds(), ElementsAre(c.logId));
        EXPECT_EQ(ocs_standin::cmdLog()[0].userInfo, "admin");
        EXPECT_EQ(ocs_standin::cmdLog()[0].source, "TELMDA");
        EXPECT_EQ(ocs_standin::cmdLog()[0].flags, 4);
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
