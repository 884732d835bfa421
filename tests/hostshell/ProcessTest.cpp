// The scripted test program run as a process through libdapi2.so.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "process_runner.h"

using Environment = std::map<std::string, std::optional<std::string>>;
namespace fs = std::filesystem;

namespace {

// Quick runs: short seconds and short tests; no inherited script.
Environment scripted(Environment changes) {
    Environment environment = {{"TESTDIAG_SECOND_MS", "5"},
                               {"TESTDIAG_STEPS", "4"},
                               {"TESTDIAG_STEP_MS", "10"},
                               {"TESTDIAG_DEVICES", std::nullopt},
                               {"TESTDIAG_TESTS", std::nullopt},
                               {"TESTDIAG_NUMBER_OF_TESTS", std::nullopt},
                               {"TESTDIAG_INIT_FAILED", std::nullopt},
                               {"TEST_DEV", std::nullopt},
                               {"DIAGLOG", std::nullopt},
                               {"DAPI2_OPTIONS", std::nullopt},
                               {"DEBUG_ENUM", std::nullopt},
                               {"DEBUG_DIAG", std::nullopt}};
    for (auto& [name, value] : changes)
        environment[name] = value;
    return environment;
}

struct Outcome {
    int exitCode = -1;
    bool timedOut = false;
    std::vector<std::string> lines;

    bool hasLine(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> linesStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : lines)
            if (line.compare(0, prefix.size(), prefix) == 0)
                found.push_back(line);
        return found;
    }
};

std::string describe(const Outcome& outcome) {
    std::string text;
    for (const std::string& line : outcome.lines)
        text += line + "\n";
    return text;
}

// The test program started through env(1), which removes variables and
// sets the working directory before it becomes the program.
class Testdiag {
public:
    Testdiag(std::vector<std::string> arguments, Environment changes, const std::string& directory);
    ChildProcess& process() { return *m_process; }
    Outcome finish() {
        ProcessResult result = m_process->finish(60000);
        Outcome outcome;
        outcome.exitCode = result.exitCode;
        outcome.timedOut = result.exitCode == 128 + SIGKILL;
        std::istringstream out(result.out);
        for (std::string line; std::getline(out, line);)
            outcome.lines.push_back(line);
        return outcome;
    }

private:
    std::string m_outputDirectory;
    std::unique_ptr<ChildProcess> m_process;
};

Outcome testdiag(std::vector<std::string> arguments, Environment changes = {},
                 const std::string& directory = "") {
    return Testdiag(std::move(arguments), std::move(changes), directory).finish();
}

Testdiag::Testdiag(std::vector<std::string> arguments, Environment changes,
                   const std::string& directory) {
    static TempDirectory outputs("testdiag"); // the runner keeps each child's output in files here
    static int runs = 0;
    m_outputDirectory = (outputs.path() / std::to_string(++runs)).string();
    fs::create_directory(m_outputDirectory);
    std::vector<std::string> command, set;
    if (!directory.empty())
        command.insert(command.end(), {"-C", directory});
    for (const auto& [name, value] : scripted(std::move(changes))) {
        if (value)
            set.push_back(name + "=" + *value);
        else
            command.insert(command.end(), {"-u", name});
    }
    command.push_back(TESTDIAG_PATH);
    command.insert(command.end(), arguments.begin(), arguments.end());
    m_process = std::make_unique<ChildProcess>("/usr/bin/env", command, set, m_outputDirectory);
}

} // namespace

TEST(TestdiagList, ExitCodesAndOfferedDevices) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        Environment environment;
        int exitCode;
        std::vector<std::string> descriptions;
    };
    const std::string three = "0,1,1,zero;0,2,1,one;0,3,1,two";
    const Case cases[] = {
        {"default devices", {"list"}, {}, 0, {"RAID controller", "Network adapter"}},
        {"three devices", {"list"}, {{"TESTDIAG_DEVICES", three}}, 0, {"zero", "one", "two"}},
        {"no list", {"list"}, {{"TESTDIAG_DEVICES", "none"}}, 9, {}},
        {"empty list", {"list"}, {{"TESTDIAG_DEVICES", ""}}, 9, {}},
        {"TEST_DEV picks one",
         {"list"},
         {{"TESTDIAG_DEVICES", three}, {"TEST_DEV", "1"}},
         0,
         {"one"}},
        {"TEST_DEV beyond", {"list"}, {{"TESTDIAG_DEVICES", three}, {"TEST_DEV", "7"}}, 9, {}},
        {"second refused",
         {"list", "--refuse-device", "2"},
         {{"TESTDIAG_DEVICES", three}},
         31,
         {"zero"}},
        {"does not open", {"list"}, {{"TESTDIAG_DEVICES", "0,1,1,zero;0,2,1,one,o"}}, 31, {"zero"}},
        {"not valid", {"list"}, {{"TESTDIAG_DEVICES", "0,1,1,zero,i"}}, 31, {}},
    };
    for (const Case& c : cases) {
        Outcome result = testdiag(c.arguments, c.environment);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << "\n" << describe(result);
        std::vector<std::string> offered = result.linesStartingWith("device ");
        std::vector<std::string> descriptions;
        for (const std::string& line : offered) {
            auto at = line.find(" description \"");
            if (at != std::string::npos)
                descriptions.push_back(line.substr(at + 14, line.find('"', at + 14) - at - 14));
        }
        EXPECT_EQ(descriptions, c.descriptions) << c.name << "\n" << describe(result);
        EXPECT_TRUE(result.hasLine("devices: " + std::to_string(c.descriptions.size()))) << c.name;
    }
}

TEST(TestdiagList, HostNumbersCountEveryRegistrationAttempt) {
    TempDirectory directory;
    const std::string transcript = (directory.path() / "transcript").string();
    Outcome result = testdiag({"list", "--refuse-device", "3", "--transcript", transcript},
                              {{"TESTDIAG_DEVICES", "0,1,1,a;0,2,1,b;0,3,1,c;0,4,1,d"}});
    EXPECT_EQ(result.exitCode, 31);
    const std::string text = directory.read("transcript");
    for (const char* call :
         {"Dapi2_CreateDevicePCI(\"PCI\", 0, ", "Dapi2_CreateDevicePCI(\"PCI\", 1, ",
          "Dapi2_CreateDevicePCI(\"PCI\", 2, "})
        EXPECT_NE(text.find(call), std::string::npos) << call << "\n" << text;
    EXPECT_EQ(text.find("Dapi2_CreateDevicePCI(\"PCI\", 3, "), std::string::npos);
    EXPECT_NE(result.linesStartingWith("device 1: type \"PCI\" number 1 ").size(), 0u)
        << describe(result);

    result =
        testdiag({"list"}, {{"TESTDIAG_DEVICES", "0,1,1,a;0,2,1,b;0,3,1,c"}, {"TEST_DEV", "2"}});
    EXPECT_EQ(result.linesStartingWith("device 0: type \"PCI\" number 0 ").size(), 1u)
        << describe(result);
}

TEST(TestdiagRun, ExitCodes) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        Environment environment;
        int exitCode;
    };
    const Case cases[] = {
        {"passed", {"run"}, {{"TESTDIAG_TESTS", "P,P"}}, 0},
        {"unusual", {"run", "-d", "1"}, {{"TESTDIAG_TESTS", "P,U3"}}, 6},
        {"failed", {"run"}, {{"TESTDIAG_TESTS", "U5,F7"}}, 2},
        {"stopped after polls", {"run", "--stop-after-polls", "2"}, {{"TESTDIAG_TESTS", "H,P"}}, 8},
        {"stopped at percent", {"run", "--stop-at-percent", "50"}, {{"TESTDIAG_TESTS", "H"}}, 8},
        {"no device", {"run", "--null-device"}, {}, 9},
        {"test number selects",
         {"run", "-t", "1"},
         {{"TESTDIAG_TESTS", "P,F4"}, {"TESTDIAG_NUMBER_OF_TESTS", "2"}},
         2},
        {"test number outside",
         {"run", "-t", "2"},
         {{"TESTDIAG_TESTS", "P,P"}, {"TESTDIAG_NUMBER_OF_TESTS", "2"}},
         2},
        {"negative number ignored", {"run", "-t", "-3"}, {{"TESTDIAG_TESTS", "P"}}, 0},
    };
    for (const Case& c : cases) {
        Outcome result = testdiag(c.arguments, c.environment);
        EXPECT_FALSE(result.timedOut) << c.name;
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << "\n" << describe(result);
        EXPECT_TRUE(result.hasLine("result: " + std::to_string(c.exitCode))) << c.name << "\n"
                                                                             << describe(result);
    }
}

TEST(TestdiagRun, RelaysEventsProgressAndSummary) {
    Outcome result = testdiag({"run"}, {{"TESTDIAG_TESTS", "P+w5,F7+e9+i3"}});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.hasLine("warning: 5 \"event 5 of test 0\"")) << describe(result);
    EXPECT_TRUE(result.hasLine("error: 9 \"event 9 of test 1\"")) << describe(result);
    EXPECT_TRUE(result.hasLine("warning: 3 \"event 3 of test 1\"")) << describe(result);
    EXPECT_TRUE(result.hasLine("error: 7 \" \"")) << describe(result);
    std::vector<std::string> progress = result.linesStartingWith("progress: ");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), "progress: 100");
}

// Events queued just before the run ends are relayed one a second; the
// summary must not take one of them as its text (an error would then pass
// as the summary's warning).
TEST(TestdiagRun, EveryLateEventKeepsItsKind) {
    Outcome result = testdiag({"run"}, {{"TESTDIAG_TESTS", "P+e6+e7+e8"}});
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    for (const char* line : {"error: 6 \"event 6 of test 0\"", "error: 7 \"event 7 of test 0\"",
                             "error: 8 \"event 8 of test 0\""})
        EXPECT_TRUE(result.hasLine(line)) << line << "\n" << describe(result);
    EXPECT_EQ(result.linesStartingWith("warning: ").size(), 1u) << describe(result);
    EXPECT_TRUE(result.hasLine("warning: 0 \" \"")) << describe(result);
}

TEST(TestdiagRun, StopFileEndsTheRun) {
    TempDirectory directory;
    const std::string stopFile = (directory.path() / "stop").string();
    Testdiag run({"run", "--stop-file", stopFile}, {{"TESTDIAG_TESTS", "H"}}, "");
    ASSERT_TRUE(run.process().waitForOutput("progress:", 20000));
    std::ofstream{stopFile};
    Outcome result = run.finish();
    EXPECT_EQ(result.exitCode, 8) << describe(result);
    EXPECT_EQ(result.linesStartingWith("stop: file").size(), 1u) << describe(result);
}

TEST(TestdiagRun, InterruptStopsTheRunningTest) {
    Testdiag run({"run"}, {{"TESTDIAG_TESTS", "H,P"}}, "");
    ASSERT_TRUE(run.process().waitForOutput("progress:", 20000));
    run.process().signal(SIGINT);
    Outcome result = run.finish();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 8) << describe(result);
    EXPECT_TRUE(result.hasLine("stop: interrupt")) << describe(result);
    EXPECT_TRUE(result.hasLine("warning: 1 \" \"")) << describe(result);
}

TEST(TestdiagRun, InitFailedGivesTwoWithoutHanging) {
    Outcome result = testdiag({"run"}, {{"TESTDIAG_INIT_FAILED", "1"}}, "");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 2) << describe(result);
    EXPECT_EQ(result.linesStartingWith("error: 94 ").size(), 1u) << describe(result);
    EXPECT_TRUE(result.linesStartingWith("progress:").empty()) << describe(result);
}

TEST(TestdiagMain, RegistrationFailureExitsOne) {
    TempDirectory directory;
    Outcome result =
        testdiag({"list"}, {{"DAPI2_OPTIONS", "--fail-registration"}, {"DIAGLOG", "0"}},
                 directory.path().string());
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    EXPECT_EQ(directory.read("testdiagApp.log"), "ERROR -- memory allocation problem.\n");
}

TEST(TestdiagMain, TranscriptShowsRegistrationAndThreads) {
    TempDirectory directory;
    const std::string transcript = (directory.path() / "transcript").string();
    Outcome result = testdiag({"run", "--transcript", transcript}, {{"TESTDIAG_TESTS", "P+w4"}});
    ASSERT_EQ(result.exitCode, 0) << describe(result);
    std::vector<std::string> lines;
    std::istringstream text(directory.read("transcript"));
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "t1 Dapi2_CreateRegistrationStructure() = reg1");
    EXPECT_EQ(lines[1], "t1 Dapi2_AddRegistrationStructureCallback(reg1, 1, fn) = 0");
    EXPECT_EQ(lines[2], "t1 Dapi2_AddRegistrationStructureCallback(reg1, 3, fn) = 0");
    EXPECT_EQ(lines[3], "t1 Dapi2_Version(1, 1, 0) = 0");
    EXPECT_EQ(lines.back(), "t1 Dapi2_FreeRegistrationStructure(reg1)");
    bool progressThreadPolled = false, progressThreadRelayed = false;
    for (const std::string& line : lines) {
        progressThreadPolled |= line.rfind("t2 Dapi2_CheckForStop()", 0) == 0;
        progressThreadRelayed |= line.rfind("t2 Dapi2_Warning(4, ", 0) == 0;
    }
    EXPECT_TRUE(progressThreadPolled);
    EXPECT_TRUE(progressThreadRelayed);
}

TEST(TestdiagMain, LogFilesFollowDiaglog) {
    TempDirectory directory;
    Outcome result = testdiag({"run"}, {{"DIAGLOG", "5"}, {"TESTDIAG_TESTS", "P+e6"}},
                              directory.path().string());
    ASSERT_EQ(result.exitCode, 0) << describe(result);
    const std::string app = directory.read("testdiagApp.log");
    for (const char* line :
         {"Inside int main (int iArgc, char *szArgv[]) \n", "Will call Dapi2Main()\n",
          "Testable Devices Found.\n", "FRU found. ->PCI Device|RAID controller|",
          "UpdateDiagProgress Thread created. return status ->0\n",
          "Diag::IDiagnostics::runDiagnostic()\n", "A ERROR \n", "EventCode = testdiag_0\n",
          "Call to Dapi2_main() returned : 0\n", "Exiting int main (int iArgc, char *szArgv[])\n"})
        EXPECT_NE(app.find(line), std::string::npos) << line << "\n" << app;
    const std::string progress = directory.read("testdiagProg.log");
    EXPECT_EQ(progress.rfind("Inside UpdateDiagProgress() \nPERCENT DONE : -1\n", 0), 0u)
        << progress;
    EXPECT_NE(progress.find("EventCode = testdiag_6\n"), std::string::npos) << progress;

    TempDirectory quiet;
    result = testdiag({"list"}, {{"DIAGLOG", "0"}}, quiet.path().string());
    const std::string levelZero = quiet.read("testdiagApp.log");
    EXPECT_NE(levelZero.find("Testable Devices Found.\n"), std::string::npos) << levelZero;
    EXPECT_EQ(levelZero.find("Inside int main"), std::string::npos) << levelZero;

    TempDirectory none;
    testdiag({"run"}, {}, none.path().string());
    EXPECT_TRUE(fs::is_empty(none.path()));
}

TEST(TestdiagMain, DebuggerAidReportsAMissingTerminal) {
    TempDirectory directory;
    std::ofstream(directory.path() / "commands") << "break main\n";
    Outcome result = testdiag({"list"}, {{"DIAGLOG", "0"}, {"DEBUG_ENUM", "/opt/testdiag"}},
                              directory.path().string());
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    const std::string app = directory.read("testdiagApp.log");
    EXPECT_NE(app.find("StartGdb(/opt/testdiag,commands)\n"), std::string::npos) << app;
    if (!fs::exists("/usr/X11R6/bin/xterm")) {
        EXPECT_NE(app.find("StartGdb():Exec Failed"), std::string::npos) << app;
    }

    TempDirectory empty;
    result = testdiag({"list"}, {{"DIAGLOG", "0"}, {"DEBUG_ENUM", "/opt/testdiag"}},
                      empty.path().string());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(empty.read("testdiagApp.log")
                  .find("StartGdb() found no commands File. at location ->commands\n"),
              std::string::npos);
}
