// The real Orbisk program run through the diagnostic host stand-in and the
// data manager stand-in, with the example machines: exit codes, host
// output and log files. The runs are started together and collected
// afterwards, since each one waits out the diagnostic's real seconds.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <signal.h>
#include <sstream>

#include "process_runner.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::vector<std::string> lines;
    fs::path directory;

    std::vector<std::string> starting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : lines)
            if (line.rfind(prefix, 0) == 0)
                found.push_back(line);
        return found;
    }
    bool has(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::string file(const std::string& name) const {
        return readFile((directory / name).string());
    }
};

std::string describe(const Outcome& outcome) {
    std::string text;
    for (const std::string& line : outcome.lines)
        text += line + "\n";
    return text;
}

// One run of Orbisk in a directory of its own (its log files land there).
class Orbisk {
public:
    Orbisk(const std::string& name, const std::string& machine, std::vector<std::string> arguments,
           std::map<std::string, std::string> extra, bool logBlocked) {
        m_directory = root() / name;
        fs::remove_all(m_directory);
        fs::create_directories(m_directory / "out");
        if (logBlocked)
            fs::create_directory(m_directory / "Orbisknostic.log");
        std::vector<std::string> command = {"-C", m_directory.string()};
        for (const char* unset : {"DIAGLOG", "ERRSTR", "MEMDEBUG", "DAPI2_OPTIONS", "TEST_DEV",
                                  "DEBUG_ENUM", "DEBUG_DIAG"})
            if (extra.count(unset) == 0)
                command.insert(command.end(), {"-u", unset});
        command.push_back(ORBISK_PATH);
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::vector<std::string> set = {"SMIL_STANDIN_FILE=" + std::string(EXAMPLES) + "/" +
                                        machine};
        for (const auto& [variable, value] : extra)
            set.push_back(variable + "=" + value);
        m_process = std::make_unique<ChildProcess>("/usr/bin/env", command, set,
                                                   (m_directory / "out").string());
    }
    const fs::path& directory() const { return m_directory; }
    Outcome finish() {
        const ProcessResult result = m_process->finish(120000);
        Outcome outcome;
        outcome.exitCode = result.exitCode;
        outcome.directory = m_directory;
        std::istringstream out(result.out);
        for (std::string line; std::getline(out, line);)
            outcome.lines.push_back(line);
        return outcome;
    }

    static const fs::path& root() {
        static const TempDirectory directory("orbisk-process");
        return directory.path();
    }

private:
    fs::path m_directory;
    std::unique_ptr<ChildProcess> m_process;
};

class OrbiskProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Everything that waits real seconds starts at once.
        auto start = [](const std::string& name, const std::string& machine,
                        std::vector<std::string> arguments,
                        std::map<std::string, std::string> extra = {}, bool logBlocked = false) {
            s_runs.emplace(name,
                           std::make_unique<Orbisk>(name, machine, arguments, extra, logBlocked));
        };
        start("list", "orbisk-machine.json", {"list"});
        start("list-down", "orbisk-down.json", {"list"});
        start("clean", "orbisk-machine.json", {"run", "-d", "0", "-t", "0"}, {{"DIAGLOG", "0"}});
        start("small-swap", "orbisk-small-swap.json", {"run"});
        start("faulty", "orbisk-faulty-modules.json", {"run"});
        start("test-mode", "orbisk-machine.json", {"run"}, {{"ERRSTR", "1"}});
        start("stopped", "orbisk-machine.json", {"run", "--stop-after-polls", "1"});
        start("log-blocked", "orbisk-machine.json", {"run"}, {{"DIAGLOG", "0"}}, true);
    }
    static void TearDownTestSuite() { s_runs.clear(); }

    static Outcome outcome(const std::string& name) {
        auto& run = s_runs.at(name);
        if (!s_outcomes.count(name))
            s_outcomes[name] = run->finish();
        return s_outcomes[name];
    }

    static std::map<std::string, std::unique_ptr<Orbisk>> s_runs;
    static std::map<std::string, Outcome> s_outcomes;
};

std::map<std::string, std::unique_ptr<Orbisk>> OrbiskProcess::s_runs;
std::map<std::string, Outcome> OrbiskProcess::s_outcomes;

TEST_F(OrbiskProcess, ListRegistersTheMemoryDevice) {
    const Outcome run = outcome("list");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_THAT(run.lines,
                ElementsAre("enumerate: 0",
                            "device 0: type \"MEMORY\" number 0 name \"Physical Memory\" location "
                            "\"65536:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2\" description \"System "
                            "Memory\" size 65536 KB",
                            "device 0: fru \"placeholder\" \"placeholder\" \"placeholder\" "
                            "\"placeholder\" \"placeholder\" \"placeholder\"",
                            "device 0: info \"VarnDeviceDNAstr\" \"65536:04:DIMM A1:DIMM A2:DIMM "
                            "B1:DIMM B2\" \"Information needed to recreate the device within the "
                            "framework\"",
                            "device 0: tests \"*\"", "devices: 1"));
}

TEST_F(OrbiskProcess, ListWithTheDataManagerDown) {
    const Outcome run = outcome("list-down");
    EXPECT_EQ(run.exitCode, 9) << describe(run);
    EXPECT_TRUE(run.has("Tamsel is not running...")) << describe(run);
    EXPECT_TRUE(run.has("devices: 0")) << describe(run);
}

TEST_F(OrbiskProcess, CleanMachinePasses) {
    const Outcome run = outcome("clean");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(run.has("progress: 100")) << describe(run);
    EXPECT_TRUE(run.has("result: 0")) << describe(run);
    EXPECT_TRUE(run.starting("error:").empty()) << describe(run);
    const std::string log = run.file("Orbisknostic.log");
    EXPECT_THAT(log, HasSubstr("******************** "));
    EXPECT_THAT(log, HasSubstr("Orbisk::MemoryPatternVerifyTest::run() Status= 0"));
    EXPECT_THAT(log, HasSubstr("Orbisk::MemoryPatternVerifyTest::run Completed."));
    EXPECT_THAT(run.file("OrbiskApp.log"), HasSubstr("allocMemory succeeded"));
    EXPECT_TRUE(fs::exists(run.directory / "OrbiskProg.log"));
}

TEST_F(OrbiskProcess, SmallPageFileIsUnusual) {
    const Outcome run = outcome("small-swap");
    EXPECT_EQ(run.exitCode, 6) << describe(run);
    EXPECT_THAT(run.starting("warning:"), ElementsAre("warning: 4 \" \"")) << describe(run);
}

TEST_F(OrbiskProcess, ModuleEventsNameTheirModule) {
    // Module 0 cannot be read; module 1 (DIMM A2) reports every fault bit
    // while ECC logging is off.
    const Outcome run = outcome("faulty");
    EXPECT_EQ(run.exitCode, 2) << describe(run);
    EXPECT_THAT(run.starting("warning:"),
                ElementsAre("warning: 14 \"DIMM A2\"", "warning: 15 \"DIMM A2\"",
                            "warning: 16 \"DIMM A2\"", "warning: 17 \"DIMM A2\"",
                            "warning: 18 \"DIMM A2\""))
        << describe(run);
    EXPECT_THAT(run.starting("error:"), ElementsAre("error: 9 \" \"")) << describe(run);
}

TEST_F(OrbiskProcess, TestModeReportsItsEvent) {
    const Outcome run = outcome("test-mode");
    EXPECT_EQ(run.exitCode, 2) << describe(run);
    EXPECT_TRUE(run.has("warning: 7 \"TESTING EVENT DIMM\"")) << describe(run);
    EXPECT_THAT(run.starting("error:"), ElementsAre(::testing::StartsWith("error: 7 ")))
        << describe(run);
}

TEST_F(OrbiskProcess, HostStopAbortsTheRun) {
    const Outcome run = outcome("stopped");
    EXPECT_EQ(run.exitCode, 8) << describe(run);
    EXPECT_TRUE(run.has("stop: after 1 polls")) << describe(run);
}

TEST_F(OrbiskProcess, UnopenableDiagnosticLogNeverPasses) {
    const Outcome run = outcome("log-blocked");
    EXPECT_EQ(run.exitCode, 2) << describe(run);
    EXPECT_THAT(run.starting("error:"), ElementsAre(::testing::StartsWith("error: 94 ")))
        << describe(run);
}

// A data manager file that was named but cannot be used ends Orbisk with
// the stand-in's configuration error and the file's name, before any device
// is reported: a data manager without objects would look like a real answer.
TEST(OrbiskConfiguration, UnusableDataManagerFileIsAnErrorNamingTheFile) {
    const TempDirectory dir("orbisk-config");
    std::ofstream(dir.path() / "not-json.json") << "{\"objects\": [";
    std::ofstream(dir.path() / "field-outside.json")
        << R"({"objects": [{"oid": 10, "type": 292, "size": 20, "fields": [{"at": 40, "u32": 1}]}]})";
    std::ofstream(dir.path() / "negative-u32.json")
        << R"({"objects": [{"oid": 10, "type": 292, "fields": [{"at": 16, "u32": -1}]}]})";
    std::ofstream(dir.path() / "no-parent.json")
        << R"({"objects": [{"oid": 10, "type": 292, "parents": [9]}]})";
    fs::create_directory(dir.path() / "a-directory");
    struct Problem {
        const char* file;
        const char* reason;
    };
    const Problem problems[] = {
        {"missing.json", "No such file or directory"},
        {"a-directory", "not a regular file"},
        {"not-json.json", "parse error"},
        {"field-outside.json", "/objects/0/fields/0: the field ends at byte 44, beyond the "
                               "object's size 20"},
        {"negative-u32.json", "/objects/0/fields/0/u32: -1 is outside 0..4294967295"},
        {"no-parent.json", "/objects/0/parents/0: no object 9"},
    };
    for (const Problem& p : problems) {
        SCOPED_TRACE(p.file);
        const std::string path = (dir.path() / p.file).string();
        const ProcessResult r =
            runProcess("/usr/bin/env",
                       {"-u", "DAPI2_OPTIONS", "-u", "TEST_DEV", "-u", "DIAGLOG",
                        "SMIL_STANDIN_FILE=" + path, ORBISK_PATH, "list"},
                       {}, dir.path().string());
        EXPECT_EQ(r.exitCode, 78) << r.out << r.err;
        EXPECT_THAT(r.err, HasSubstr("smil stand-in: configuration " + path + ": "));
        EXPECT_THAT(r.err, HasSubstr(p.reason));
        EXPECT_EQ(r.out.find("devices:"), std::string::npos) << r.out;
    }
}

} // namespace
