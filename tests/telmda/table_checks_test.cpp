// The card field table is checked when the module builds: a table that leaves
// a field id named elsewhere without its row, gives two fields of a group one
// id, has a command the command list lacks, puts a field where its table or
// view cannot take it, gives two changes one command-log id, or has a field
// that its group's list and its own row disagree about does not build.
// Each case compiles one of the module's sources against a copy of the table
// with one row changed (and, first, against the table as it is).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kSource = TELMDA_SOURCE_DIR;
const std::string kTable = kSource + "/include/telmda/card_fields.def";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TableChecks : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "telmda_table_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ASSERT_EQ(std::system(("mkdir '" + m_dir + "/telmda'").c_str()), 0);
        m_table = readFile(kTable);
        ASSERT_FALSE(m_table.empty()) << "cannot read " << kTable;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    struct Build {
        bool built;
        std::string errors;
    };

    // Compiles one source of the module with `table` in place of the card
    // field table.
    Build compile(const std::string& source, const std::string& table) {
        std::ofstream(m_dir + "/telmda/card_fields.def", std::ios::binary) << table;
        const std::string command = std::string("'") + TELMDA_CXX +
                                    "' -std=c++17 -fsyntax-only -I'" + m_dir + "' -I'" + kSource +
                                    "/include' -I'" + kSource + "' -I'" + TELMDA_HOST_INCLUDE_DIR +
                                    "' -I'" + TELMDA_CALLGUARD_INCLUDE_DIR + "' '" + kSource + "/" +
                                    source + "' 2>'" + m_dir + "/errors'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) && WEXITSTATUS(status) == 0, readFile(m_dir + "/errors")};
    }

    std::string m_dir;
    std::string m_table;
};

TEST_F(TableChecks, ATableThatFailsItsUsersDoesNotBuild) {
    const struct {
        const char* what;
        const char* row; // a part of one row of the table
        const char* changed;
        const char* source;
        const char* error;
    } cases[] = {
        {"the users' key field under another id", "\"RSCUserName\", ObjText, 5430, Users, 37,",
         "\"RSCUserName\", ObjText, 5430, Users, 99,", "entry_tables.cpp",
         "the table's group has no such key field"},
        {"a field of the users' whole-entry set under another id",
         "\"RSCUserPassword\", Nothing, 0, Users, 38,",
         "\"RSCUserPassword\", Nothing, 0, Users, 98,", "entry_tables.cpp",
         "the users' whole-entry set names an id the table lacks"},
        {"a field of the combined network command under another id",
         "\"RSCDialUpDialInAuthType\", AuthTypeName, 5420, Network, 24,",
         "\"RSCDialUpDialInAuthType\", AuthTypeName, 5420, Network, 26,", "network_settings.cpp",
         "the combined network command names an id the group lacks"},
        {"two trap fields under one id", "\"RSCSNMPCommunity\", Nothing, 0, Traps, 18,",
         "\"RSCSNMPCommunity\", Nothing, 0, Traps, 16,", "field_commands.cpp",
         "two settable card fields share a group and an id"},
        {"a user field in a trap object", "CARD_SETTING(TELMDA_OBJ_USER, 628,",
         "CARD_SETTING(TELMDA_OBJ_TRAP, 628,", "field_commands.cpp",
         "an entry table's fields lie in objects of more than one type"},
        {"a settable field whose command the command list lacks",
         "CARD_FIELD(TELMDA_OBJ_USER, 724, 32, OBJ_TEXT, \"UserPageModemInitString\")",
         "CARD_SETTING(TELMDA_OBJ_USER, 724, 32, OBJ_TEXT, \"UserPageModemInitString\", "
         "UserPageModemInitString, XMLSetTYMCUserPageModemInitString, Forward, "
         "\"RSCUserPageModemInitString\", Nothing, 0, Users, 42, Standalone, "
         "\"setrscuserpagemodeminit\", CmdRSCSetUserPageModemInit)",
         "command_table.cpp", "is missing from the command list, or listed twice"},
        {"a LAN field among another object's rows",
         "CARD_FIELD(TELMDA_OBJ_LAN, 16, 4, UINT32, \"NicCapabilities\")",
         "CARD_FIELD(TELMDA_OBJ_USER, 16, 4, UINT32, \"NicCapabilities\")", "object_layouts.cpp",
         "splits an object's rows"},
        // Command-log ids: the host tells changes apart by them alone.
        {"a field given another field's command-log id", "\"RSCModemBaudRate\", UInt32, 5403,",
         "\"RSCModemBaudRate\", UInt32, 5412,", "setters.cpp",
         "CommandLogIdSharedBy<telmda::setting_value::apply<XMLSetTYMCModemBaudRate>"},
        {"a field given the soft reset's command-log id", "\"RSCTrapTest\", Nothing, 5436,",
         "\"RSCTrapTest\", Nothing, 5437,", "setters.cpp",
         "CommandLogIdSharedBy<telmda::setting_value::apply<XMLSetTYMCTrapTest>"},
        {"a field given a removed dial-in user's command-log id",
         "\"RSCNICUseDHCP\", Boolean, 5413,", "\"RSCNICUseDHCP\", Boolean, 5426,", "setters.cpp",
         "two card changes share a command-log id"},
        {"a key whose ids run into the next key's", "\"RSCTrapDestIPAddr\", Text, 5427,",
         "\"RSCTrapDestIPAddr\", Text, 5429,", "setters.cpp",
         "two card changes share a command-log id"},
        {"a compared setter without a command-log id", "\"RSCGateway\", Text, 5416,",
         "\"RSCGateway\", Text, 0,", "setters.cpp", "a logging setter has no command-log id"},
        // Every settable field is in its group's list or marked as set otherwise.
        {"a new user field marked Combined that the whole-entry set lacks",
         "CARD_FIELD(TELMDA_OBJ_USER, 724, 32, OBJ_TEXT, \"UserPageModemInitString\")",
         "CARD_SETTING(TELMDA_OBJ_USER, 724, 32, OBJ_TEXT, \"UserPageModemInitString\", "
         "UserPageModemInitString, XMLSetTYMCUserPageModemInitString, Forward, "
         "\"RSCUserPageModemInitString\", Nothing, 0, Users, 42, Combined, "
         "\"setrscuserpagemodeminit\", CmdRSCSetUserPageModemInit)",
         "entry_tables.cpp", "the users' whole-entry set and the fields marked Combined differ"},
        {"a standalone trap field marked Combined", "Traps, 19, Standalone,",
         "Traps, 19, Combined,", "entry_tables.cpp",
         "the traps' whole-entry set and the fields marked Combined differ"},
        {"a field of the combined network command marked Standalone", "Network, 24, Combined,",
         "Network, 24, Standalone,", "network_settings.cpp",
         "the combined network command and the fields marked Combined differ"},
        {"a field of the combined remote-host command marked Standalone", "Remote, 19, Combined,",
         "Remote, 19, Standalone,", "modem_remote_settings.cpp",
         "the combined remote-host command and the fields marked Combined differ"},
        {"a key marked Standalone", "Users, 37, Key,", "Users, 37, Standalone,",
         "field_commands.cpp", "a field marked Key is not a keyed setter"},
        {"a plain field marked Key", "Traps, 18, Combined,", "Traps, 18, Key,",
         "field_commands.cpp", "a field marked Key is not a keyed setter"},
    };
    std::map<std::string, bool> buildsAsItIs;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (buildsAsItIs.count(c.source) == 0) {
            const Build plain = compile(c.source, m_table);
            buildsAsItIs[c.source] = plain.built;
            EXPECT_TRUE(plain.built) << c.source << " with the table as it is:\n" << plain.errors;
        }
        const std::size_t at = m_table.find(c.row);
        ASSERT_NE(at, std::string::npos) << "no row with " << c.row;
        std::string table = m_table;
        table.replace(at, std::string(c.row).size(), c.changed);
        const Build broken = compile(c.source, table);
        EXPECT_FALSE(broken.built);
        EXPECT_NE(broken.errors.find(c.error), std::string::npos) << broken.errors;
    }
}

} // namespace
