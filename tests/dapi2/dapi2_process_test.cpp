// The host stand-in's command line, run as a process with a minimal module: exit codes,
// console output, transcript, stop requests (polls, percent, file, Ctrl-C) and injections.
#include "process_runner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class HostProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "dapi2_process_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        transcript_ = dir_ + "/transcript";
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    ProcessResult run(const Args& args, const Args& env = {}) {
        return runProcess(FAKE_MODULE, args, env, dir_);
    }

    std::vector<std::string> transcriptLines() const {
        std::vector<std::string> lines;
        std::ifstream in(transcript_);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::string dir_;
    std::string transcript_;
};

TEST_F(HostProcessTest, ListShowsOfferedDevicesAndExitsWithTheEnumerateCode) {
    struct Case {
        const char* name;
        Args args;
        Args env;
        int code;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"two devices", {"list"}, {}, 0, "devices: 2\n"},
        {"no device", {"list"}, {"FAKE_DEVICES=0"}, 9, "devices: 0\n"},
        {"second creation refused",
         {"list", "--refuse-device", "2"},
         {"FAKE_DEVICES=3"},
         31,
         "devices: 1\n"},
        {"refusal from the environment",
         {"list"},
         {"DAPI2_OPTIONS=--refuse-device 1"},
         31,
         "devices: 0\n"},
        {"memory device",
         {"list"},
         {"FAKE_MEMORY=1"},
         0,
         "device 0: type \"MEMORY\" number 0 name \"Memory\" location \"0:1024:01:X\" "
         "description \"System memory\" size 1024 KB\n"},
        {"values cut",
         {"--cut-info", "4", "list"},
         {},
         0,
         "device 1: info \"VarnDeviceDNAstr\" \"fake\" \"how to rebuild\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult result = run(c.args, c.env);
        EXPECT_EQ(result.exitCode, c.code) << result.err;
        EXPECT_TRUE(contains(result.out, c.expected)) << result.out;
    }
}

TEST_F(HostProcessTest, ListPrintsEachDeviceWithItsFruAndInfo) {
    const ProcessResult result = run({"list"}, {"FAKE_DEVICES=1"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out,
              "enumerate: 0\n"
              "device 0: type \"PCI\" number 0 name \"Fake 0\" location \"bus 1\" description "
              "\"fake device\" bus 1 device 0 function 0\n"
              "device 0: fru \"placeholder\" \"placeholder\" \"placeholder\" \"placeholder\" "
              "\"placeholder\" \"placeholder\"\n"
              "device 0: info \"VarnDeviceDNAstr\" \"fake|0|\" \"how to rebuild\"\n"
              "device 0: tests \"*\"\n"
              "devices: 1\n");
}

TEST_F(HostProcessTest, RunExitsWithTheRunCodeAndShowsWhatTheTestReported) {
    struct Case {
        const char* name;
        Args args;
        Args env;
        int code;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"passed",
         {"run"},
         {},
         0,
         {"run: test 0 on device 0\n", "fake: test 0 info fake|0|\n", "progress: 75\n",
          "progress: 100\n", "result: 0\n"}},
        {"device and negative test passed through",
         {"run", "-d", "1", "-t", "-5"},
         {},
         0,
         {"run: test -5 on device 1\n", "fake: test -5 info fake|1|\n"}},
        {"unusual", {"run"}, {"FAKE_RESULT=6"}, 6, {"result: 6\n"}},
        {"failed", {"run"}, {"FAKE_RESULT=2"}, 2, {"error: 7 \"fake failure\"\n", "result: 2\n"}},
        {"no device handed over", {"run", "--null-device"}, {}, 9, {"result: 9\n"}},
        {"stopped after polls",
         {"run", "--stop-after-polls", "1"},
         {},
         8,
         {"progress: 0\n", "stop: after 1 polls\n", "warning: 1 \" \"\n", "result: 8\n"}},
        {"stopped at percent",
         {"run", "--stop-at-percent", "50"},
         {},
         8,
         {"progress: 50\n", "stop: at 50 percent\n", "result: 8\n"}},
        {"no such device", {"run", "-d", "2"}, {}, 64, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult result = run(c.args, c.env);
        EXPECT_EQ(result.exitCode, c.code) << result.err;
        for (const std::string& line : c.expected) {
            EXPECT_TRUE(contains(result.out, line)) << line << " not in\n" << result.out;
        }
    }
}

TEST_F(HostProcessTest, HeldTestStopsWhenTheStopFileAppears) {
    const std::string stopFile = dir_ + "/stop";
    ChildProcess child(FAKE_MODULE, {"run", "--stop-file", stopFile}, {"FAKE_HOLD=1"}, dir_);
    ASSERT_TRUE(child.waitForOutput("progress: 50", 10000));
    EXPECT_FALSE(child.waitForOutput("stop:", 100));
    std::ofstream(stopFile).put('x');
    const ProcessResult result = child.finish();
    EXPECT_EQ(result.exitCode, 8) << result.err;
    EXPECT_TRUE(contains(result.out, "stop: file \"" + stopFile + "\"\n")) << result.out;
}

TEST_F(HostProcessTest, CtrlCStopsTheRunningTest) {
    ChildProcess child(FAKE_MODULE, {"run", "--transcript", transcript_}, {"FAKE_HOLD=1"}, dir_);
    ASSERT_TRUE(child.waitForOutput("progress: 50", 10000));
    child.signal(SIGINT);
    const ProcessResult result = child.finish();
    EXPECT_EQ(result.exitCode, 8) << result.err;
    EXPECT_TRUE(contains(result.out, "stop: interrupt\n")) << result.out;
    const auto lines = transcriptLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "t2 Dapi2_CheckForStop() = 1"), lines.end());
    EXPECT_EQ(lines.back(), "t1 Dapi2_FreeRegistrationStructure(reg1)");
}

TEST_F(HostProcessTest, RefusedRegistrationEndsTheProgramWithCode1) {
    const ProcessResult result =
        run({"list"}, {"DAPI2_OPTIONS=--fail-registration --transcript " + transcript_});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(transcriptLines(),
              (std::vector<std::string>{"t1 Dapi2_CreateRegistrationStructure() = NULL",
                                        "t1 Dapi2_FreeRegistrationStructure(NULL)"}));
}

TEST_F(HostProcessTest, UsageNamesTheProgramAndHelpIsNoError) {
    const ProcessResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_TRUE(contains(help.out, "usage: dapi2_fake_module list [options]\n")) << help.out;
    EXPECT_TRUE(contains(help.out, "       dapi2_fake_module run [-d DEVICE]")) << help.out;
    EXPECT_FALSE(contains(help.out, "enumerate:")) << "help must not run the module";

    const ProcessResult bad = run({"lst"});
    EXPECT_EQ(bad.exitCode, 64);
    EXPECT_TRUE(contains(bad.err, "usage: dapi2_fake_module list [options]\n")) << bad.err;
    EXPECT_FALSE(contains(bad.err, "PROG")) << bad.err;
}

// Every option the usage text shows (it is made from the option table) is named in the
// README: the run line's options on its run line, the others each in a row of its options
// table.
TEST_F(HostProcessTest, TheReadmeNamesEveryOptionOfTheUsageText) {
    const ProcessResult help = run({"--help"});
    ASSERT_EQ(help.exitCode, 0) << help.err;
    std::ifstream in(DAPI2_README);
    const std::string readme{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(readme.empty()) << "cannot read " << DAPI2_README;

    const std::size_t runLine = help.out.find(" run ");
    const std::size_t optionsLine = help.out.find("\noptions: ");
    ASSERT_NE(runLine, std::string::npos) << help.out;
    ASSERT_NE(optionsLine, std::string::npos) << help.out;
    const std::string runPart = help.out.substr(runLine, help.out.find('\n', runLine) - runLine);
    const std::string optionsPart = help.out.substr(optionsLine);

    const std::regex option(R"re((^|[ \[])(-[-a-z]+))re");
    std::vector<std::string> runOptions, otherOptions;
    for (std::sregex_iterator it(runPart.begin(), runPart.end(), option), end; it != end; ++it)
        runOptions.push_back((*it)[2]);
    for (std::sregex_iterator it(optionsPart.begin(), optionsPart.end(), option), end; it != end;
         ++it)
        otherOptions.push_back((*it)[2]);
    ASSERT_FALSE(runOptions.empty()) << help.out;
    ASSERT_FALSE(otherOptions.empty()) << help.out;

    std::smatch readmeRunLine;
    ASSERT_TRUE(std::regex_search(readme, readmeRunLine, std::regex("\nPROG run [^\n]*")));
    for (const std::string& name : runOptions)
        EXPECT_TRUE(contains(readmeRunLine.str(), "[" + name + " "))
            << name << " is not on the README's run line";
    for (const std::string& name : otherOptions)
        EXPECT_TRUE(std::regex_search(readme, std::regex("\n\\| `" + name + "[ `]")))
            << name << " has no row in the README's options table";
}

TEST_F(HostProcessTest, BadEnvironmentOptionsAreAHostError) {
    for (const char* options :
         {"DAPI2_OPTIONS=--bogus", "DAPI2_OPTIONS=list", "DAPI2_OPTIONS=--stop-at-percent"}) {
        SCOPED_TRACE(options);
        const ProcessResult result = run({"list"}, {options});
        EXPECT_EQ(result.exitCode, 64);
        EXPECT_TRUE(contains(result.err, "DAPI2_OPTIONS")) << result.err;
    }
}

TEST_F(HostProcessTest, TranscriptHasOneLinePerCallWithItsThread) {
    const ProcessResult result =
        run({"run", "-t", "3", "--transcript", transcript_}, {"FAKE_DEVICES=1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = transcriptLines();
    ASSERT_GE(lines.size(), 6u);
    const std::vector<std::string> head(lines.begin(), lines.begin() + 6);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "t1 Dapi2_CreateRegistrationStructure() = reg1",
                        "t1 Dapi2_AddRegistrationStructureCallback(reg1, 1, fn) = 0",
                        "t1 Dapi2_AddRegistrationStructureCallback(reg1, 3, fn) = 0",
                        "t1 Dapi2_Version(1, 1, 0) = 0",
                        "t1 Dapi2_Main(6, [\"" + std::string(FAKE_MODULE) +
                            "\", \"run\", \"-t\", \"3\", \"--transcript\", \"" + transcript_ +
                            "\"], reg1)",
                        "t1 call enumerate()",
                    }));
    for (const char* expected :
         {"t1 Dapi2_CreateDevicePCI(\"PCI\", 0, \"Fake 0\", \"bus 1\", \"fake device\", 1, 0, 0, "
          "out) = 0 dev1",
          "t1 Dapi2_AddDevice(dev1) = 0", "t1 return enumerate() = 0", "t1 call run(3, dev1)",
          "t1 Dapi2_GetFruAdditionalInfoValue(dev1.info1) = \"fake|0|\"",
          "t2 Dapi2_CheckForStop() = 0", "t2 Dapi2_SetPercentDone(75) = 0",
          "t1 Dapi2_SetPercentDone(100) = 0", "t1 return run(3, dev1) = 0"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    }
    EXPECT_EQ(lines.back(), "t1 Dapi2_FreeRegistrationStructure(reg1)");
}

} // namespace
