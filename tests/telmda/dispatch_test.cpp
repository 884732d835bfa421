// Lifecycle, command table and dispatch, seen from a host that loads the
// module with dlopen.
#include "field_command_names.h"
#include "module_fixture.h"
#include "process_runner.h"

#include "mgmthost/mgmthost_standin.h"
#include "smil/smil_standin.h"
#include "telmda/telmda.h"

#include <dlfcn.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace telmda_test {
namespace {

using ::testing::ElementsAre;

// Each command's own help text; clicmdhelp has none and the combined
// settings commands answer through their fields.
const std::map<std::string, std::string> kHelp = {
    {"getoidbytype", "required_input(s): objtype,instance"},
    {"getmaxindexbytype", "required_input(s): [poid],objtype"},
    {"getmenucomps", "required_input(s): "},
    {"getracpppaddress", "required_input(s): "},
    {"getrscuserlist", "required_input:"},
    {"getrscnextavailableuser", "required_input:poid"},
    {"getrscuserentry", "required_input:oid"},
    {"getrscuserentrybyidx", "required_input:index"},
    {"setrscuserentry", "required_input:oid,RSCUserName"},
    {"getrscsnmptraplist", "required_input:poid"},
    {"getrscnexttrapentry", "required_input:poid"},
    {"getrscsnmptrapinfo", "required_input:oid"},
    {"getrscsnmptrapinfobyidx", "required_input:index"},
    {"setrscsnmptrapinfo", "required_input:oid,RSCTrapDestIPAddr"},
    {"getrscdialinuserlist", "required_input:poid"},
    {"getrscnextdialinentry", "required_input:poid"},
    {"getrscdialinuserentry", "required_input:oid"},
    {"getrscdialinuserentrybyidx", "required_input:index"},
    {"setrscdialinuserentry", "required_input:oid,RSCDialInUserPppUserName"},
    {"getrscdemanddialoutlist", "required_input:poid"},
    {"getrscnextdemanddialoutentry", "required_input:poid"},
    {"getrscdemanddialoutentry", "required_input:oid"},
    {"getrscdemanddialoutentrybyidx", "required_input:index"},
    {"setrscdemanddialoutentry", "required_input:oid,RSCDemandDialIpAddr"},
};

// Commands of the entry tables and the card link that have no help: they
// ignore "cmdhelp".
bool withoutHelp(const std::string& c) {
    const bool entryCommand =
        c.find("user") != std::string::npos || c.find("trap") != std::string::npos ||
        (c.find("dial") != std::string::npos && c.find("dialup") == std::string::npos);
    return (entryCommand && kHelp.count(c) == 0) || c.rfind("ssl", 0) == 0 ||
           c == "getraclocalosauth" || c == "setraclocalosauth";
}

std::string expectedHelp(const std::string& command) {
    auto it = kHelp.find(command);
    if (it != kHelp.end())
        return it->second;
    return command.rfind("get", 0) == 0 ? "required_input:" : "required_input:oid;";
}

bool combined(const std::string& c) {
    return c == "setrscnetworkconf" || c == "setrscmodeminfo" || c == "setrscremoteinfo";
}

// The commands of the command list (those that set one card field by the
// names the card field table gives them), as the module lays its table down
// from it.
const std::vector<std::string> kListedCommands = {
#define TELMDA_COMMAND(name, handler) name,
#include "command_list.def"
};

using DispatchTest = ModuleTest;

TEST_F(DispatchTest, TableIsSortedAndHoldsTheRowsPresent) {
    const std::vector<std::string> names = m_module->commandNames();
    EXPECT_EQ(names.size(), kListedCommands.size());
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              std::set<std::string>(kListedCommands.begin(), kListedCommands.end()));
    EXPECT_TRUE(
        std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return std::strcmp(a.c_str(), b.c_str()) < 0;
        }));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

TEST_F(DispatchTest, EveryCommandAnswersWellFormedXmlEndingInAStatus) {
    for (const std::string& name : m_module->commandNames()) {
        SCOPED_TRACE(name);
        const XmlAnswer plain = answer({"qvacmd=" + name, "qvausrinfo=admin"});
        EXPECT_TRUE(plain.wellFormed());
    }
}

TEST_F(DispatchTest, WholeEntrySetsAnswerTwoStatusNodes) {
    for (const char* command : {"setrscuserentry", "setrscsnmptrapinfo", "setrscdialinuserentry",
                                "setrscdemanddialoutentry"}) {
        SCOPED_TRACE(command);
        const std::string key = "k" + std::string(command).substr(6, 4);
        for (const char* keyParam : {"RSCUserName", "RSCTrapDestIPAddr", "RSCDialInUserPppUserName",
                                     "RSCDemandDialIpAddr"}) {
            const XmlAnswer a = answer({std::string("qvacmd=") + command, "qvausrinfo=admin",
                                        std::string(keyParam) + "=" + key});
            if (a.status() == 271 && a.statusCount() == 1)
                continue; // not this table's key
            EXPECT_EQ(a.statusCount(), 2) << keyParam;
            EXPECT_THAT(a.topNames(), ElementsAre("SMStatus", "SMStatus"));
        }
    }
}

TEST_F(DispatchTest, CmdhelpAnswersTheHandlersOwnHelpWithStatusMinusOne) {
    for (const std::string& name : m_module->commandNames()) {
        if (name == "clicmdhelp" || withoutHelp(name))
            continue;
        SCOPED_TRACE(name);
        const XmlAnswer help =
            answer({"qvacmd=" + name, "cmdhelp=1", "qvausrinfo=admin", "RSCIPAddress=1.2.3.4"});
        EXPECT_EQ(help.status(), -1);
        if (combined(name)) {
            EXPECT_THAT(help.topNames(), ElementsAre("SMStatus"));
            EXPECT_TRUE(help.statusMessage().has_value());
            continue;
        }
        EXPECT_THAT(help.topNames(), ElementsAre("CmdHelp", "SMStatus"));
        EXPECT_EQ(XmlAnswer::text(help.find("CmdHelp")), expectedHelp(name));
    }
    EXPECT_TRUE(tym_standin::calls().empty()) << "a help request changed a setting";
    EXPECT_TRUE(ocs_standin::cmdLog().empty());
}

TEST_F(DispatchTest, UnknownOrMissingCommandAnswersNothing) {
    for (const char* bad :
         {"qvacmd=GETSUMMARY", "qvacmd=setrscdialupmodeminitstring", "qvacmd=nosuchcommand",
          "qvacmd=", "qvacmd=getsummary ", "qvacmdx=getsummary", "getsummary"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(request({bad, "qvausrinfo=admin"}).has_value());
    }
    EXPECT_FALSE(request({}).has_value());
    EXPECT_TRUE(request({"qvacmd=setrscdialupmodeminitsting", "cmdhelp="}).has_value());
}

TEST_F(DispatchTest, ClicmdhelpListsTheTable) {
    const XmlAnswer help = answer({"qvacmd=clicmdhelp"});
    EXPECT_EQ(help.status(), 0);
    xmlNodePtr list = help.find("CmdList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(XmlAnswer::attribute(list, "count"), std::to_string(kListedCommands.size()));
    std::vector<std::string> listed;
    for (const auto& [element, text] : XmlAnswer::children(list))
        listed.push_back(text);
    EXPECT_EQ(listed, m_module->commandNames());
}

TEST_F(DispatchTest, EveryRequestRunsInTheContextCapturedAtAttach) {
    m_module.reset();
    ocs_standin::setExportContext(0x1111);
    m_module.emplace();
    ocs_standin::setExportContext(0x2222);
    ocs_standin::reset();
    ASSERT_TRUE(request({"qvacmd=getsummary"}).has_value());
    EXPECT_EQ(ocs_standin::exportContext(), 0x2222u);
    const std::vector<std::uintptr_t> seen = ocs_standin::contextsSeen();
    ASSERT_GE(seen.size(), 2u) << "answer buffer and its release";
    for (std::uintptr_t c : seen)
        EXPECT_EQ(c, 0x1111u);
}

TEST_F(DispatchTest, AttachesCountAndOnlyTheLastDetachFrees) {
    auto attach = m_module->symbol<int (*)()>("ModuleAttach");
    auto detach = m_module->symbol<int (*)()>("ModuleDetach");
    const std::size_t live = ocs_standin::liveObjects();
    EXPECT_EQ(attach(), 1);
    EXPECT_EQ(ocs_standin::liveObjects(), live) << "a second attach allocated";
    EXPECT_EQ(detach(), 1);
    EXPECT_EQ(ocs_standin::liveObjects(), live);
    EXPECT_EQ(detach(), 1) << "the load hook's attach";
    EXPECT_EQ(ocs_standin::liveObjects(), live - 1) << "the context lock";
    EXPECT_EQ(detach(), 0) << "detach without attach";
}

TEST_F(DispatchTest, AfterAFailedFirstAttachNothingReportsSuccess) {
    m_module.reset();
    ocs_standin::failAllocationAt(1); // the context lock
    m_module.emplace();
    ocs_standin::failAllocationAt(0);
    EXPECT_FALSE(request({"qvacmd=getsummary"}).has_value());
    EXPECT_FALSE(request({"qvacmd=clicmdhelp"}).has_value());
    EXPECT_EQ(m_module->symbol<int (*)()>("ModuleAttach")(), 0);
    EXPECT_EQ(m_module->symbol<int (*)()>("ModuleDetach")(), 1);
}

TEST_F(DispatchTest, UnloadingReleasesTheLibraryAndEverything) {
    ASSERT_TRUE(request({"qvacmd=getsummary"}).has_value());
    m_module.reset();
    EXPECT_EQ(dlopen(TELMDA_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the module stayed loaded";
    EXPECT_EQ(ocs_standin::liveObjects(), 0u);
    m_module.emplace(); // loads afresh and attaches again
    EXPECT_EQ(answer({"qvacmd=getrscobj"}).status(), 0);
}

TEST(TelmdaHostProgram, AnswersOneCommandFromTheCommandLine) {
    const TempDirectory dir("telmda-host");
    const ProcessResult r =
        runProcess(TELMDA_HOST_PATH,
                   {"--log", "qvacmd=setrscipaddress", "qvausrinfo=admin", "RSCIPAddress=10.9.8.7"},
                   {std::string("SMIL_STANDIN_FILE=") + TELMDA_EXAMPLE_CARD}, dir.path().string());
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("<SMStatus>0</SMStatus>"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("cmdlog 5414 user=admin source=TELMDA"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("<New>10.9.8.7</New>"), std::string::npos) << r.out;
}

// The harness says what is wrong with its command line, and which file, and
// answers --help with its usage.
TEST(TelmdaHostProgram, CommandLineProblemsAreNamed) {
    const TempDirectory dir("telmda-host");
    const std::string card = std::string("SMIL_STANDIN_FILE=") + TELMDA_EXAMPLE_CARD;
    const std::string usage = "usage: telmda-host [--module PATH] [--log] NAME=VALUE...\n";
    struct Case {
        std::vector<std::string> args;
        std::string environment;
        int exitCode;
        bool onStandardOutput;
        std::string text;
    };
    const Case cases[] = {
        {{"--help"}, card, 0, true, usage},
        {{"--log", "--help"}, card, 0, true, usage},
        {{}, card, 64, false, "telmda-host: no request given\n" + usage},
        {{"--bogus", "qvacmd=getsummary"},
         card,
         64,
         false,
         "telmda-host: unknown option --bogus\n" + usage},
        {{"qvacmd=getsummary", "--module"},
         card,
         64,
         false,
         "telmda-host: missing value after --module\n" + usage},
        {{"getsummary"},
         card,
         64,
         false,
         "telmda-host: expected NAME=VALUE, got \"getsummary\"\n" + usage},
        {{"--module", dir.path().string() + "/none.so", "qvacmd=getsummary"},
         card,
         2,
         false,
         "telmda-host: cannot load " + dir.path().string() + "/none.so: "},
        {{"qvacmd=getsummary"},
         "SMIL_STANDIN_FILE=" + dir.path().string(),
         78,
         false,
         "smil stand-in: configuration " + dir.path().string() + ": not a regular file\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(no arguments)") : c.args.front());
        const ProcessResult r =
            runProcess(TELMDA_HOST_PATH, c.args, {c.environment}, dir.path().string());
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        const std::string& shown = c.onStandardOutput ? r.out : r.err;
        EXPECT_EQ(shown.find(c.text), 0u) << shown;
    }
}

} // namespace
} // namespace telmda_test
