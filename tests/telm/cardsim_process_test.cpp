// The simulated card as a standalone process, as other areas' tests start it.
#include "child_process.h"
#include "fast_clock.h"
#include "process_runner.h"
#include "telm/telm.h"

#include <csignal>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

class CardsimProcess : public ::testing::Test {
protected:
    // Starts cardsim with the given arguments; true once it reports ready.
    bool start(std::vector<std::string> args) {
        args.insert(args.begin(), CARDSIM);
        auto started = telmtest::startWithReadyLine(args);
        child = started.pid;
        return started.firstLine == "cardsim: ready\n";
    }
    int stop() { return telmtest::stopChild(child); }
    void TearDown() override { stop(); }

    telmtest::FastClockScope fast;
    pid_t child = -1;
};

TEST_F(CardsimProcess, ServesTheExampleCardAndStopsCleanly) {
    ASSERT_TRUE(start({"--config", CARD_EXAMPLE}));
    char out[64];
    int status = -1;
    ASSERT_EQ(devuzObjIdGet(0x103, 3, 1, 0, out, sizeof out, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_STREQ(out, "fw 1.20");
    ASSERT_EQ(devuzObjName(0x103, "getsysinfo", out, sizeof out, &status), 0);
    EXPECT_EQ(std::string(out).rfind("RAC Information:", 0), 0u);
    ASSERT_EQ(devuzObjIdSet(0x103, 17, 2, 0, "renamed", &status), 0);
    ASSERT_EQ(devuzObjIdGet(0x103, 17, 2, 0, out, sizeof out, &status), 0);
    EXPECT_STREQ(out, "renamed");
    int exit = stop();
    EXPECT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 0);
}

// Each way a start can go wrong ends cardsim at once with its own exit code
// and a message that names the option or the file.
TEST(CardsimCommandLine, ProblemsAreNamedWithTheirExitCode) {
    const TempDirectory dir("cardsim-config");
    const std::string base = dir.path().string();
    std::ofstream(base + "/bad-fault.json") << R"({"fault": "sometimes"})";
    std::ofstream(base + "/not-json.json") << R"({"port": )";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        bool onStandardOutput;
        std::string text;
    };
    const std::string usage = "usage: cardsim [--config FILE.json] [--address A]";
    const Case cases[] = {
        {{"--help"}, 0, true, usage},
        {{"--config", CARD_EXAMPLE, "--help"}, 0, true, usage},
        {{"--bogus"}, 64, false, "cardsim: unknown option --bogus\n" + usage},
        {{"--port"}, 64, false, "cardsim: missing value after --port\n"},
        {{"--port", "58x"},
         64,
         false,
         "cardsim: --port wants a port number (0 to 65535), got \"58x\"\n"},
        {{"--login-port", "70000"},
         64,
         false,
         "cardsim: --login-port wants a port number (0 to 65535), got \"70000\"\n"},
        {{"--config", "/nonexistent.json"},
         78,
         false,
         "cardsim: configuration /nonexistent.json: No such file or directory\n"},
        {{"--config", base},
         78,
         false,
         "cardsim: configuration " + base + ": not a regular file\n"},
        {{"--config", base + "/bad-fault.json"},
         78,
         false,
         "cardsim: configuration " + base + "/bad-fault.json: unknown fault name: sometimes\n"},
        {{"--config", base + "/not-json.json"},
         78,
         false,
         "cardsim: configuration " + base + "/not-json.json: [json.exception.parse_error"},
        // not an address of this machine
        {{"--address", "10.9.9.9"}, 1, false, "cardsim: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args.back() : ""));
        const ProcessResult r = runProcess(CARDSIM, c.args, {}, base);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        const std::string& shown = c.onStandardOutput ? r.out : r.err;
        EXPECT_EQ(shown.find(c.text), 0u) << shown;
        EXPECT_EQ(r.out.find("cardsim: ready"), std::string::npos) << r.out;
    }
}

} // namespace
