// The command line of the clean-up program.
#include "shell_options.h"

#include "case_name.h"

#include <gtest/gtest.h>

namespace {

using Stop = ShellOptions::Stop;
using Args = std::vector<std::string>;

struct OptionCase {
    const char* label;
    Args arguments;
    Stop stop;
    std::string iniFile;
    std::string logFile;
    bool gui, confirm, overwrite, iniGiven;
};

class ShellOptionsTest : public testing::TestWithParam<OptionCase> {};

TEST_P(ShellOptionsTest, Parses) {
    const OptionCase& c = GetParam();
    ShellOptions o = parseOptions(c.arguments, "sweepix");
    EXPECT_EQ(o.stop, c.stop);
    EXPECT_EQ(o.iniFile, c.iniFile);
    EXPECT_EQ(o.logFile, c.logFile);
    EXPECT_EQ(o.gui, c.gui);
    EXPECT_EQ(o.confirm, c.confirm);
    EXPECT_EQ(o.overwriteLog, c.overwrite);
    EXPECT_EQ(o.iniGiven, c.iniGiven);
}

const OptionCase kOptionCases[] = {
    {"defaults", {}, Stop::None, "Sweepix.ini", "", true, true, false, false},
    {"silent", {"/s"}, Stop::None, "Sweepix.ini", "", false, false, false, false},
    {"silent by prefix", {"-silent"}, Stop::None, "Sweepix.ini", "", false, false, false, false},
    {"upper case is no option",
     {"/S"},
     Stop::UnknownOption,
     "Sweepix.ini",
     "",
     true,
     true,
     false,
     false},
    {"no confirm", {"/c"}, Stop::None, "Sweepix.ini", "", true, false, false, false},
    {"overwrite", {"-o"}, Stop::None, "Sweepix.ini", "", true, true, true, false},
    {"silent then help", {"/s", "/?"}, Stop::Help, "Sweepix.ini", "", false, false, false, false},
    {"help then silent", {"/?", "/s"}, Stop::Help, "Sweepix.ini", "", true, true, false, false},
    {"unknown after silent shows a box",
     {"/s", "/x"},
     Stop::UnknownOption,
     "Sweepix.ini",
     "",
     true,
     false,
     false,
     false},
    {"glued ini", {"/fmy.ini"}, Stop::None, "my.ini", "", true, true, false, true},
    {"quoted glued ini", {"/f'x.ini'"}, Stop::None, "x.ini", "", true, true, false, true},
    {"separate ini trimmed",
     {"/f", " ' x.ini ' "},
     Stop::None,
     "x.ini",
     "",
     true,
     true,
     false,
     true},
    {"separate value consumed as is", {"/f", "/s"}, Stop::None, "/s", "", true, true, false, true},
    {"bare last /f empties the name", {"/f"}, Stop::None, "", "", true, true, false, false},
    {"later option wins", {"/fa.ini", "-fb.ini"}, Stop::None, "b.ini", "", true, true, false, true},
    {"log glued", {"/log.txt"}, Stop::None, "Sweepix.ini", "og.txt", true, true, false, false},
    {"bare last /l changes nothing",
     {"/lx", "/l"},
     Stop::None,
     "Sweepix.ini",
     "x",
     true,
     true,
     false,
     false},
    {"log quoted",
     {"-l", "\"C:\\a b.log\""},
     Stop::None,
     "Sweepix.ini",
     "C:\\a b.log",
     true,
     true,
     false,
     false},
    {"lone slash", {"/"}, Stop::UnknownOption, "Sweepix.ini", "", true, true, false, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, ShellOptionsTest, testing::ValuesIn(kOptionCases),
                         [](const auto& info) { return caseName(info.param.label); });

TEST(ShellOptions, UnknownOptionKeepsTheArgumentAndTracesInOrder) {
    ShellOptions o = parseOptions({"/o", "/fa.ini", "/zap%s"}, "sweepix");
    EXPECT_EQ(o.unknownArgument, "/zap%s");
    EXPECT_EQ(o.traces, (std::vector<std::string>{"Logfile sweepix.log will get overwritten.\n",
                                                  "Using a.ini file as Ini file.\n"}));
}

TEST(ShellOptions, TrimArgument) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"  \"'x.ini'\"  ", "x.ini"},
        {"\" 'a' \"", "'a'"},
        {"'\"a\"'", "\"a\""},
        {"", ""},
        {"   ", ""},
        {"\"\"", ""},
        {"a b", "a b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trimArgument(c.in), c.out) << "[" << c.in << "]";
}

} // namespace
