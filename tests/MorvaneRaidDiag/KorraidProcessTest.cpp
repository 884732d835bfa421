// The unmodified korraid, through libdapi2.so and with the simulated
// controller preloaded. The runs are started together, each in its own
// working directory and on adapters of its own (read-write opens of one
// adapter exclude each other between processes), and checked when all end.
#include "process_runner.h"
#include "qorsim/Wire.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct KorraidRun {
    std::string dir;
    std::unique_ptr<ChildProcess> child;
    ProcessResult result;

    std::string file(const std::string& name) const { return readFile(dir + "/" + name); }
    // The container commands of the run's journal, in order.
    std::vector<int> ctCommands() const {
        std::vector<int> commands;
        std::istringstream lines(file("journal.txt"));
        for (std::string line; std::getline(lines, line);)
            if (const auto at = line.find(" ct "); at != std::string::npos)
                commands.push_back(std::atoi(line.c_str() + at + 4));
        return commands;
    }
    // Device nodes and event channels opened (successfully) minus closed.
    std::pair<int, int> leftOpen() const {
        std::ostringstream openChannel, closeChannel;
        openChannel << " request 0x" << std::hex << qorsim::kOpenGetAdapterFib;
        closeChannel << " request 0x" << std::hex << qorsim::kCloseGetAdapterFib;
        int nodes = 0;
        int channels = 0;
        std::istringstream lines(file("journal.txt"));
        for (std::string line; std::getline(lines, line);) {
            if (line.find(" error ") != std::string::npos)
                continue;
            nodes += line.rfind("open /dev/qor", 0) == 0;
            nodes -= line.rfind("close node", 0) == 0;
            channels += line.find(openChannel.str()) != std::string::npos;
            channels -= line.find(closeChannel.str()) != std::string::npos;
        }
        return {nodes, channels};
    }
};

struct Case {
    const char* name;
    const char* config;
    std::vector<std::string> args;
    std::vector<std::string> env;
    std::function<void(const std::string& dir)> prepare;
    int exitCode;
    std::function<void(const KorraidRun& run)> check;
};

std::string makeDir() {
    char dir[] = "/tmp/korraid.XXXXXX";
    return ::mkdtemp(dir) ? dir : "";
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Pause and release, once each, and in this order.
std::vector<int> pauseCommands(const KorraidRun& run) {
    std::vector<int> pause;
    for (int c : run.ctCommands())
        if (c == 65 || c == 66)
            pause.push_back(c);
    return pause;
}

// Holds the read-write lock of an adapter the way another process's
// controller library would.
class LockHolder {
public:
    explicit LockHolder(const char* path) : m_fd(::open(path, O_RDWR | O_CREAT, 0644)) {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;
        m_locked = m_fd >= 0 && ::fcntl(m_fd, F_SETLK, &fl) == 0;
    }
    ~LockHolder() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool locked() const { return m_locked; }

private:
    int m_fd;
    bool m_locked = false;
};

TEST(Korraid, ListsRunsAndFails) {
    const std::vector<Case> cases = {
        {"list",
         R"({"adapters": [{"index": 0, "pci": {"bus": 3, "slot": 4}},
                          {"index": 1, "firmware": {"external": 33882113}},
                          {"index": 2, "pci": {"bus": 5, "slot": 1}},
                          {"index": 3, "driver": {"external": 16778241}}]})",
         {"list"},
         {},
         nullptr,
         0,
         [](const KorraidRun& r) {
             const std::string& out = r.result.out;
             EXPECT_TRUE(contains(out, "device 0: type \"PCI\" number 0 name \"QR-4400 RAID "
                                       "Controller\" location \"QR-4400, Bus:3:Dev4:Func0\" "
                                       "description \"Morvane SCSI RAID Controller\" bus 3 "
                                       "device 4 function 0"))
                 << out;
             EXPECT_TRUE(contains(out, "device 0: info \"VarnDeviceDNAstr\" \"qor0\""));
             EXPECT_TRUE(contains(out, "location \"QR-4400, Bus:5:Dev1:Func0\""));
             EXPECT_TRUE(contains(out, "device 1: info \"VarnDeviceDNAstr\" \"qor2\""));
             EXPECT_TRUE(contains(out, "device 0: tests \"*\""));
             EXPECT_TRUE(contains(out, "devices: 2\n")); // old firmware, old driver left out
         }},
        {"held read-write elsewhere",
         R"({"adapters": [{"index": 4}]})",
         {"list"},
         {},
         nullptr,
         31,
         nullptr},
        {"passes",
         R"({"adapters": [{"index": 5}]})",
         {"run"},
         {},
         nullptr,
         0,
         [](const KorraidRun& r) {
             EXPECT_EQ(pauseCommands(r), (std::vector<int>{65, 66}));
             const auto last = r.result.out.rfind("progress: ");
             ASSERT_NE(last, std::string::npos);
             EXPECT_EQ(r.result.out.substr(last, 14), "progress: 100\n");
             EXPECT_TRUE(contains(r.result.out, "result: 0\n"));
         }},
        {"logs with DIAGLOG=5",
         R"({"adapters": [{"index": 6}]})",
         {"run"},
         {"DIAGLOG=5"},
         nullptr,
         0,
         [](const KorraidRun& r) {
             const std::string app = r.file("korraidApp.log");
             EXPECT_TRUE(contains(app, "Inside int VarnFrameworkEnumFunction()")) << app;
             EXPECT_TRUE(contains(app, "FRU found. ->qor6"));
             EXPECT_TRUE(contains(app, "Call to Dapi2_main() returned : 0"));
             const std::string prog = r.file("korraidProg.log");
             EXPECT_TRUE(contains(prog, "Inside UpdateDiagProgress()")) << prog;
             EXPECT_TRUE(contains(prog, "PERCENT DONE : 100"));
             const std::string diag = r.file("MorvaneRaidCtrlDiag.log");
             EXPECT_TRUE(contains(diag, "******************** ")) << diag;
             EXPECT_TRUE(contains(diag, "PauseResumeIoTest::PauseResumeIoTest()\n"));
             EXPECT_TRUE(contains(diag, "MorvaneRaidDiag::PauseResumeIoTest::run()\n"));
             EXPECT_TRUE(contains(diag, "MorvaneRaidDiag::PauseResumeIoTest::pResult: PASSED "
                                        "TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT\n"));
             EXPECT_TRUE(contains(diag, "MorvaneRaidCtrlDiag::~MorvaneRaidCtrlDiag()\n"
                                        "MorvaneRaidCtrlDiag::staticCleanup()\n"));
         }},
        {"pause refused",
         R"({"adapters": [{"index": 7, "io": {"pauseReply": 185}}]})",
         {"run"},
         {},
         nullptr,
         6,
         [](const KorraidRun& r) {
             EXPECT_TRUE(contains(r.result.out, "error: 10 ")) << r.result.out;
             EXPECT_EQ(pauseCommands(r), (std::vector<int>{65}));
         }},
        {"release refused",
         R"({"adapters": [{"index": 8, "io": {"releaseReply": 184}}]})",
         {"run"},
         {},
         nullptr,
         6,
         [](const KorraidRun& r) {
             EXPECT_TRUE(contains(r.result.out, "error: 11 ")) << r.result.out;
         }},
        {"adapter gone at the run's open",
         R"({"adapters": [{"index": 9}],
             "faults": [{"call": "open", "path": "/dev/qor9", "skip": 4, "times": -1, "error": 2}]})",
         {"run"},
         {},
         nullptr,
         6,
         [](const KorraidRun& r) {
             EXPECT_TRUE(contains(r.result.out, "error: 99 ")) << r.result.out;
             EXPECT_TRUE(pauseCommands(r).empty());
         }},
        {"adapter paused at the run's open",
         R"({"adapters": [{"index": 10}],
             "faults": [{"fib": 704, "adapter": 10, "skip": 3, "times": -1, "replyWords": {"0": 1}}]})",
         {"run"},
         {},
         nullptr,
         6,
         [](const KorraidRun& r) {
             EXPECT_TRUE(contains(r.result.out, "error: 99 ")) << r.result.out;
             EXPECT_TRUE(pauseCommands(r).empty());
         }},
        {"stopped by the host",
         R"({"adapters": [{"index": 11}]})",
         {"run", "--stop-after-polls", "1"},
         {},
         nullptr,
         8,
         nullptr},
        {"diagnostic log unwritable",
         R"({"adapters": [{"index": 12}]})",
         {"run"},
         {"DIAGLOG=1"},
         [](const std::string& dir) {
             ASSERT_EQ(::mkdir((dir + "/MorvaneRaidCtrlDiag.log").c_str(), 0755), 0);
         },
         2,
         [](const KorraidRun& r) {
             EXPECT_FALSE(contains(r.result.out, "result: 0")) << r.result.out;
             EXPECT_TRUE(pauseCommands(r).empty());
         }},
    };

    LockHolder held("/tmp/.qor4lock");
    ASSERT_TRUE(held.locked());

    std::vector<KorraidRun> runs(cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        KorraidRun& run = runs[i];
        run.dir = makeDir();
        ASSERT_FALSE(run.dir.empty());
        std::ofstream(run.dir + "/config.json") << c.config;
        if (c.prepare)
            c.prepare(run.dir);
        // The runner does not change directories: env does.
        std::vector<std::string> args = {"-C",       run.dir,       QORSIM_RUN,
                                         QORSIM_LIB, "config.json", KORRAID};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<std::string> env = c.env;
        env.push_back("QORSIM_JOURNAL=" + run.dir + "/journal.txt");
        run.child = std::make_unique<ChildProcess>("/usr/bin/env", args, env, run.dir);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        KorraidRun& run = runs[i];
        run.result = run.child->finish(120000);
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(run.result.exitCode, cases[i].exitCode) << run.result.out << run.result.err;
        EXPECT_EQ(run.leftOpen(), std::make_pair(0, 0));
        EXPECT_FALSE(contains(run.result.err, "Sanitizer")) << run.result.err;
        if (cases[i].check)
            cases[i].check(run);
    }
}

} // namespace

namespace {

// A configuration the simulator cannot use ends korraid with the
// simulator's configuration error and the file's name, before any adapter
// is reported: a run on "no adapters" would look like a real answer.
TEST(Korraid, UnusableSimulatorConfigurationIsAnErrorNamingTheFile) {
    const TempDirectory dir("korraid-config");
    const std::string base = dir.path().string();
    std::ofstream(base + "/not-json.json") << "{\"adapters\": [";
    std::ofstream(base + "/bad-index.json") << R"({"adapters": [{"index": 16}]})";
    std::ofstream(base + "/twice.json") << R"({"adapters": [{"index": 1}, {"index": 1}]})";
    std::ofstream(base + "/unknown-key.json") << R"({"adapters": [{"index": 1, "bus": 2}]})";
    ASSERT_EQ(::mkdir((base + "/a-directory").c_str(), 0755), 0);
    struct Problem {
        const char* file;
        const char* reason;
    };
    const std::vector<Problem> problems = {
        {"missing.json", "No such file or directory"},
        {"a-directory", "not a regular file"},
        {"not-json.json", "parse error"},
        {"bad-index.json", "/adapters/0/index: 16 is outside 0..15"},
        {"twice.json", "/adapters/1/index: adapter 1 is described twice"},
        {"unknown-key.json", "/adapters/0/bus: unknown key"},
    };
    for (const Problem& p : problems) {
        SCOPED_TRACE(p.file);
        const std::string path = base + "/" + p.file;
        const ProcessResult r =
            runProcess(QORSIM_RUN, {QORSIM_LIB, path, KORRAID, "list"}, {}, base);
        EXPECT_EQ(r.exitCode, 78) << r.out << r.err;
        EXPECT_TRUE(contains(r.err, "qorsim: configuration " + path + ": ")) << r.err;
        EXPECT_TRUE(contains(r.err, p.reason)) << r.err;
        EXPECT_FALSE(contains(r.out, "devices:")) << r.out;
    }
}

// A journal that was asked for and cannot be kept is an error naming the
// file: a run whose requests went unrecorded would pass for one that made none.
TEST(Korraid, AJournalThatCannotBeWrittenIsAnErrorNamingTheFile) {
    const TempDirectory dir("korraid-journal");
    const std::string base = dir.path().string();
    std::ofstream(base + "/one.json") << R"({"adapters": [{"index": 0}]})";
    ASSERT_EQ(::mkdir((base + "/a-directory").c_str(), 0755), 0);
    struct Problem {
        std::string journal;
        int exitCode;
        const char* reason;
    };
    const std::vector<Problem> problems = {
        {base + "/no-such-directory/journal.txt", 78, "No such file or directory"},
        {base + "/a-directory", 78, "Is a directory"},
        {"/dev/full", 74, "No space left on device"}, // made, but full at the end
    };
    for (const Problem& p : problems) {
        SCOPED_TRACE(p.journal);
        const ProcessResult r =
            runProcess(QORSIM_RUN, {QORSIM_LIB, base + "/one.json", KORRAID, "list"},
                       {"QORSIM_JOURNAL=" + p.journal}, base);
        EXPECT_EQ(r.exitCode, p.exitCode) << r.out << r.err;
        EXPECT_TRUE(contains(r.err, "qorsim: journal " + p.journal + ": " + p.reason)) << r.err;
    }
}

TEST(Korraid, UsageNamesTheProgramAndHelpExitsZero) {
    const TempDirectory dir("korraid-usage");
    const std::string config = dir.path().string() + "/config.json";
    std::ofstream(config) << R"({"adapters": []})";
    const auto korraid = [&](const std::string& word) {
        return runProcess(QORSIM_RUN, {QORSIM_LIB, config, KORRAID, word}, {}, dir.path().string());
    };
    const ProcessResult help = korraid("--help");
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_TRUE(contains(help.out, "usage: korraid list [options]\n")) << help.out;
    const ProcessResult bad = korraid("lst");
    EXPECT_EQ(bad.exitCode, 64);
    EXPECT_TRUE(contains(bad.err, "usage: korraid list [options]\n")) << bad.err;
}

} // namespace
