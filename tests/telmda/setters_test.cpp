// The setter rules, one row per setter shape, against the host stand-ins.
#include "card_fixture.h"

#include "mgmthost/mgmthost_standin.h"
#include "smil/smil.h"
#include "smil/smil_standin.h"
#include "telmda/setters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace telmda_test {
namespace {

using ::testing::ElementsAre;
using Call = std::function<int32_t(const SetterContext*, const uint32_t*)>;

struct SetterRow {
    const char* what;
    std::uint32_t oid; // object the context holds
    Call call;
    const char* hostFunction; // the host setter the row reaches
    std::int32_t forced;      // host result to force (0: none)
    bool expectCall;
    std::uint32_t expectLogId; // 0: no entry
    const char* expectLog;     // the entry's text (null: not checked)
    std::int32_t expectResult;
};

const std::vector<SetterRow>& rows() {
    static const std::vector<SetterRow> r = {
        // Compared setters.
        {"text equal", 304,
         [](auto c, auto o) { return XMLSetTYMCIPAddress(c, o, "192.168.1.20"); },
         "HIPSetObjTYMCfgNicIpAddress", 0, false, 0, nullptr, 0},
        {"text changed", 304, [](auto c, auto o) { return XMLSetTYMCIPAddress(c, o, "10.0.0.1"); },
         "HIPSetObjTYMCfgNicIpAddress", 0, true, 5414,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCIPAddress\"><Old>192.168.1.20</Old><New>10.0.0.1</New></Param>",
         0},
        {"text refused", 304, [](auto c, auto o) { return XMLSetTYMCIPAddress(c, o, "10.0.0.1"); },
         "HIPSetObjTYMCfgNicIpAddress", 33, true, 5414, "<SMStatus>33</SMStatus>", 33},
        {"text differs in case", 305,
         [](auto c, auto o) { return XMLSetTYMCModemInitString(c, o, "at&f"); },
         "HIPSetObjTYMCfgDialupModemInitString", 0, true, 5402, nullptr, 0},
        {"boolean equal", 304, [](auto c, auto o) { return XMLSetTYMCNICEnable(c, o, 1); },
         "HIPSetObjTYMCfgNicEnable", 0, false, 0, nullptr, 0},
        {"boolean changed", 304, [](auto c, auto o) { return XMLSetTYMCNICUseDHCP(c, o, 1); },
         "HIPSetObjTYMCfgNicUseDHCP", 0, true, 5413,
         "<SMStatus>0</SMStatus><Param name=\"RSCNICUseDHCP\"><Old>0</Old><New>1</New></Param>", 0},
        {"number equal", 305, [](auto c, auto o) { return XMLSetTYMCModemBaudRate(c, o, 57600); },
         "HIPSetObjTYMCfgDialupModemBaudRate", 0, false, 0, nullptr, 0},
        {"number changed", 305, [](auto c, auto o) { return XMLSetTYMCModemBaudRate(c, o, 9600); },
         "HIPSetObjTYMCfgDialupModemBaudRate", 0, true, 5403,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCModemBaudRate\"><Old>57600</Old><New>9600</New></Param>",
         0},
        {"dial type as texts", 305,
         [](auto c, auto o) { return XMLSetTYMCDialUpDialType(c, o, 2); },
         "HIPSetObjTYMCfgDialupDialType", 0, true, 5401,
         "<SMStatus>0</SMStatus><Param name=\"RSCDialUpDialType\"><Old>Tone Dial</Old><New>Pulse "
         "Dial</New></Param>",
         0},
        {"auth type as texts", 305,
         [](auto c, auto o) { return XMLSetObjTYMDialupDialInAuthType(c, o, 2); },
         "HIPSetObjTYMCfgDialupDialInAuthType", 0, true, 5420,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCDialUpDialInAuthType\"><Old>Encrypted</Old><New>MSCHAP</New></Param>",
         0},
        {"auth type any", 305,
         [](auto c, auto o) { return XMLSetObjTYMDialupDialInAuthType(c, o, 7); },
         "HIPSetObjTYMCfgDialupDialInAuthType", 0, true, 5420,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCDialUpDialInAuthType\"><Old>Encrypted</Old><New>Any</New></Param>",
         0},
        // The floppy path is never compared.
        {"floppy path equal", 306,
         [](auto c, auto o) { return XMLSetTYMCfgRhostsFloppyTftpIpPath(c, o, "/tftp/fl.img"); },
         "HIPSetObjTYMCfgRhostsFloppyTftpPath", 0, true, 5407,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCRHostFloppyTFTPPATH\"><Old>/tftp/fl.img</Old><New>/tftp/fl.img</New>"
         "</Param>",
         0},
        // Keyed setters: log id by operation; failures and non-key changes 5000.
        {"key added", 501,
         [](auto c, auto o) { return XMLSetTYMCTrapsDestIPAddr(c, o, "10.0.0.2", 16); },
         "HIPSetObjTYMCfgTrapsDestIpAddr", 0, true, 5427,
         "<SMStatus>0</SMStatus><Param name=\"RSCTrapDestIPAddr\"><Value>10.0.0.2</Value></Param>",
         0},
        {"key changed", 500,
         [](auto c, auto o) { return XMLSetTYMCTrapsDestIPAddr(c, o, "10.0.0.3", 17); },
         "HIPSetObjTYMCfgTrapsDestIpAddr", 0, true, 5428,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCTrapDestIPAddr\"><Value>192.168.1.9</Value></Param>",
         0},
        {"key removed", 500,
         [](auto c, auto o) { return XMLSetTYMCTrapsDestIPAddr(c, o, "0.0.0.0", 18); },
         "HIPSetObjTYMCfgTrapsDestIpAddr", 0, true, 5429,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCTrapDestIPAddr\"><Value>192.168.1.9</Value></Param>",
         0},
        {"key update", 500,
         [](auto c, auto o) { return XMLSetTYMCTrapsDestIPAddr(c, o, "10.0.0.3", 19); },
         "HIPSetObjTYMCfgTrapsDestIpAddr", 0, true, 5000, "<SMStatus>0</SMStatus>", 0},
        {"key refused by host", 500,
         [](auto c, auto o) { return XMLSetTYMCTrapsDestIPAddr(c, o, "10.0.0.3", 17); },
         "HIPSetObjTYMCfgTrapsDestIpAddr", 9, true, 5000, "<SMStatus>9</SMStatus>", 9},
        {"zero address on free trap slot", 501,
         [](auto c, auto o) { return XMLSetTYMCTrapsDestIPAddr(c, o, "0.0.0.0", 18); },
         "HIPSetObjTYMCfgTrapsDestIpAddr", 0, false, 5000, "<SMStatus>1073</SMStatus>", 1073},
        {"zero address on free demand-dial slot", 601,
         [](auto c, auto o) { return XMLSetTYMCDemandDialOutIPAddress(c, o, "0.0.0.0", 18); },
         "HIPSetObjTYMCfgDemandDialIpAddr", 0, false, 5000, "<SMStatus>1073</SMStatus>", 1073},
        {"demand-dial removed", 600,
         [](auto c, auto o) { return XMLSetTYMCDemandDialOutIPAddress(c, o, "0.0.0.0", 18); },
         "HIPSetObjTYMCfgDemandDialIpAddr", 0, true, 5423,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCDemandDialIpAddr\"><Value>10.1.1.1</Value></Param>",
         0},
        {"empty name on free dial-in slot", 701,
         [](auto c, auto o) { return XMLSetTYMCDialInUserPPPUserName(c, o, "", 18); },
         "HIPSetObjTYMCfgDialinUsrPppUserName", 0, false, 5000, "<SMStatus>1073</SMStatus>", 1073},
        {"dial-in name added", 701,
         [](auto c, auto o) { return XMLSetTYMCDialInUserPPPUserName(c, o, "ppp2", 16); },
         "HIPSetObjTYMCfgDialinUsrPppUserName", 0, true, 5424,
         "<SMStatus>0</SMStatus><Param "
         "name=\"RSCDialInUserPppUserName\"><Value>ppp2</Value></Param>",
         0},
        {"user removed", 400, [](auto c, auto o) { return XMLSetTYMCUserName(c, o, "", 18); },
         "HIPSetObjTYMCfgUserName", 0, true, 5432,
         "<SMStatus>0</SMStatus><Param name=\"RSCUserName\"><Value>admin</Value></Param>", 0},
        {"empty user name on free slot still set", 401,
         [](auto c, auto o) { return XMLSetTYMCUserName(c, o, "", 18); }, "HIPSetObjTYMCfgUserName",
         0, true, 5432, nullptr, 0},
        // Tests and the reset always call and log a line.
        {"email test", 400, [](auto c, auto o) { return XMLSetTYMCUserEmailTest(c, o, 1); },
         "HIPSetObjTYMCfgUserEmailTest", 0, true, 5433,
         "Status:0; Cmd:HIPSetObjTYMCfgUserEmailTest; Inputs:RSCSystemUserEmailTest=", 0},
        {"alpha test refused", 400,
         [](auto c, auto o) { return XMLSetTYMCUserPageAlphaTest(c, o, 1); },
         "HIPSetObjTYMCfgUserPageAlphaTest", 12, true, 5434,
         "Status:12; Cmd:HIPSetObjTYMCfgUserPageAlphaTest; Inputs:RSCSystemUserPageAlphaTest=", 12},
        {"numeric test", 400, [](auto c, auto o) { return XMLSetTYMCUserNumericTest(c, o, 1); },
         "HIPSetObjTYMCfgUserPageNumericTest", 0, true, 5435,
         "Status:0; Cmd:HIPSetObjTYMCfgUserPageNumericTest; Inputs:RSCSystemUserNumericTest=", 0},
        {"trap test", 500, [](auto c, auto o) { return XMLSetTYMCTrapTest(c, o, 1); },
         "HIPSetObjTYMCfgTrapsTest", 0, true, 5436,
         "Status:0; Cmd:HIPSetObjTYMCfgTrapsTest; Inputs:RSCTrapTest=", 0},
        {"soft reset", 302, [](auto c, auto o) { return XMLSetTYMResetSoft(c, o); },
         "HIPSetObjTYMMngTymResetSoft", 0, true, 5437,
         "Status:0; Cmd:HIPSetObjTYMMngTymResetSoft; Inputs:RSCResetSoft=", 0},
        // Plain forwards never compare or log.
        {"forward", 400,
         [](auto c, auto o) { return XMLSetTYMCUserEmailAddress(c, o, "x@example.com"); },
         "HIPSetObjTYMCfgUserEmailAddress", 0, true, 0, nullptr, 0},
        {"forward refused", 500, [](auto c, auto o) { return XMLSetTYMCEnableTraps(c, o, 1); },
         "HIPSetObjTYMCfgTrapsEnable", 21, true, 0, nullptr, 21},
    };
    return r;
}

class SetterRules : public ::testing::Test {
protected:
    void SetUp() override {
        ocs_standin::reset();
        tym_standin::reset();
        smil_standin::reset();
        smil_standin::loadJson(standardCard().dump());
    }
    void TearDown() override {
        EXPECT_EQ(smil_standin::liveObjects(), 0u);
        EXPECT_EQ(ocs_standin::badFrees(), 0u);
    }
};

TEST_F(SetterRules, EachShapeCallsAndLogsAsItsRuleSays) {
    for (const SetterRow& row : rows()) {
        SCOPED_TRACE(row.what);
        ocs_standin::reset();
        tym_standin::reset();
        smil_standin::loadJson(standardCard().dump()); // rows before may have changed the card
        tym_standin::setResult(row.hostFunction, row.forced);
        void* object = SMILGetObjByOID(&row.oid);
        ASSERT_NE(object, nullptr);
        const SetterContext context{object, 2, "user1", "TELMDA"};
        const std::size_t live = ocs_standin::liveObjects();
        EXPECT_EQ(row.call(&context, &row.oid), row.expectResult);
        SMILFreeGeneric(object);
        EXPECT_EQ(ocs_standin::liveObjects(), live) << "log buffer left";

        const std::vector<tym_standin::SetterCall> calls = tym_standin::calls();
        EXPECT_EQ(calls.size(), row.expectCall ? 1u : 0u);
        if (!calls.empty()) {
            EXPECT_EQ(calls[0].function, row.hostFunction);
            EXPECT_EQ(calls[0].oid, row.oid);
        }
        const std::vector<ocs_standin::CmdLogEntry> log = ocs_standin::cmdLog();
        ASSERT_EQ(log.size(), row.expectLogId ? 1u : 0u);
        if (log.empty())
            continue;
        EXPECT_EQ(log[0].messageId, row.expectLogId);
        EXPECT_EQ(log[0].userInfo, "user1");
        EXPECT_EQ(log[0].source, "TELMDA");
        EXPECT_EQ(log[0].flags, 4);
        if (row.expectLog) {
            EXPECT_EQ(log[0].text, row.expectLog);
        }
    }
}

TEST_F(SetterRules, WithoutAnObjectNothingRuns) {
    const uint32_t oid = 304;
    const SetterContext empty{nullptr, 2, "u", "TELMDA"};
    EXPECT_EQ(XMLSetTYMCIPAddress(&empty, &oid, "1.2.3.4"), -1);
    EXPECT_EQ(XMLSetTYMCIPAddress(nullptr, &oid, "1.2.3.4"), -1);
    EXPECT_EQ(XMLSetTYMCDialUpDialType(&empty, &oid, 1), 271);
    EXPECT_EQ(XMLSetObjTYMDialupDialInAuthType(&empty, &oid, 1), 271);
    EXPECT_EQ(XMLSetTYMCTrapsDestIPAddr(&empty, &oid, "1.2.3.4", 16), -1);
    EXPECT_EQ(XMLSetTYMCTrapTest(&empty, &oid, 1), -1);
    EXPECT_EQ(XMLSetTYMResetSoft(&empty, &oid), -1);
    EXPECT_EQ(XMLSetTYMCUserPassword(&empty, &oid, "x"), -1);
    EXPECT_TRUE(tym_standin::calls().empty());
    EXPECT_TRUE(ocs_standin::cmdLog().empty());
}

TEST_F(SetterRules, WithoutALogBufferTheHostIsNotCalled) {
    const uint32_t lan = 304, dialup = 305;
    void* lanObject = SMILGetObjByOID(&lan);
    void* dialupObject = SMILGetObjByOID(&dialup);
    const SetterContext lanContext{lanObject, 2, "u", "TELMDA"},
        dialContext{dialupObject, 2, "u", "TELMDA"};
    ocs_standin::failAllocationAt(1);
    EXPECT_EQ(XMLSetTYMCIPAddress(&lanContext, &lan, "1.2.3.4"), -1);
    ocs_standin::failAllocationAt(1);
    EXPECT_EQ(XMLSetTYMCDialUpDialType(&dialContext, &dialup, 2), 271);
    ocs_standin::failAllocationAt(1);
    EXPECT_EQ(XMLSetTYMCTrapsDestIPAddr(&lanContext, &lan, "1.2.3.4", 16), -1);
    EXPECT_TRUE(tym_standin::calls().empty());
    EXPECT_TRUE(ocs_standin::cmdLog().empty());
    SMILFreeGeneric(lanObject);
    SMILFreeGeneric(dialupObject);
}

TEST_F(SetterRules, LongTextsAreLoggedWhole) {
    const uint32_t oid = 306;
    void* object = SMILGetObjByOID(&oid);
    const SetterContext context{object, 2, "u", "TELMDA"};
    const std::string path(600, 'p');
    XMLSetTYMCfgRhostsFloppyTftpIpPath(&context, &oid, path.c_str());
    SMILFreeGeneric(object);
    ASSERT_EQ(ocs_standin::cmdLog().size(), 1u);
    EXPECT_THAT(ocs_standin::cmdLog()[0].text, ::testing::StartsWith("<SMStatus>258</SMStatus>"))
        << "the stand-in refuses a path longer than its field";
    EXPECT_EQ(tym_standin::calls().at(0).value, path);
}

} // namespace
} // namespace telmda_test
