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
    std::ofstream(base + "/port-5999.json") << R"({"port": 5999})";
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
         "cardsim: configuration " + base +
             "/bad-fault.json: /fault: unknown fault name: sometimes\n"},
        {{"--config", base + "/not-json.json"},
         78,
         false,
         "cardsim: configuration " + base +
             "/not-json.json: not JSON: [json.exception.parse_error"},
        // not an address of this machine
        {{"--address", "10.9.9.9"}, 1, false, "cardsim: "},
        // later options override the file, and the file overrides earlier ones
        {{"--config", base + "/port-5999.json", "--address", "10.9.9.9"},
         1,
         false,
         "cardsim: cannot listen on 10.9.9.9:5999: "},
        {{"--port", "6000", "--config", base + "/port-5999.json", "--address", "10.9.9.9"},
         1,
         false,
         "cardsim: cannot listen on 10.9.9.9:5999: "},
        {{"--config", base + "/port-5999.json", "--port", "6001", "--address", "10.9.9.9"},
         1,
         false,
         "cardsim: cannot listen on 10.9.9.9:6001: "},
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

// A configuration file that would not describe a card the simulator can be
// ends cardsim with the configuration error, naming the file and the key, and
// no port is ever opened: a card that quietly dropped a misspelt key, wrapped
// a port or died at its first login would stand for some other card.
TEST(CardsimConfiguration, BadFilesAreRefusedNamingFileAndKey) {
    const TempDirectory dir("cardsim-bad");
    const std::string object = R"({"group": 16, "object": 6, "value": "racuser"})";
    struct Case {
        const char* name;
        std::string json;
        const char* key;    // where the message points
        const char* reason; // a piece of what it says about it
    };
    const Case cases[] = {
        {"misspelt key", R"({"prot": 5861})", "/prot", "unknown key"},
        {"misspelt object key",
         R"({"objects": [{"group": 1, "object": 2, "value": "v", "idx": 1}]})", "/objects/0/idx",
         "unknown key"},
        {"port as text", R"({"port": "5860"})", "/port", "\"5860\""},
        {"port above 65535", R"({"port": 70000})", "/port", "70000"},
        {"port below 0", R"({"loginPort": -1})", "/loginPort", "-1"},
        {"negative challenge", R"({"challengeSize": -5})", "/challengeSize", "-5"},
        {"empty challenge", R"({"challengeSize": 0})", "/challengeSize", "0"},
        {"challenge beyond its size byte", R"({"challengeSize": 256})", "/challengeSize", "256"},
        {"reply beyond its length word", R"({"longPayload": 65527})", "/longPayload", "65527"},
        {"reply type beyond a byte", R"({"replyType": 256})", "/replyType", "256"},
        {"negative status", R"({"missingStatus": -1})", "/missingStatus", "-1"},
        {"fault as a number", R"({"fault": 3})", "/fault", "3"},
        {"unknown fault", R"({"loginFault": "often"})", "/loginFault", "unknown fault name: often"},
        {"address that is none", R"({"address": "192.168.234.300"})", "/address",
         "not an IPv4 address"},
        {"objects not a list", R"({"objects": {}})", "/objects", "{}"},
        {"object without its number", R"({"objects": [{"group": 1, "value": "v"}]})", "/objects/0",
         "\"object\""},
        {"value as a number", R"({"objects": [{"group": 1, "object": 2, "value": 7}]})",
         "/objects/0/value", "7"},
        {"group beyond 7 bits", R"({"objects": [{"group": 128, "object": 2, "value": "v"}]})",
         "/objects/0/group", "128"},
        {"object beyond a byte", R"({"objects": [{"group": 1, "object": 256, "value": "v"}]})",
         "/objects/0/object", "256"},
        {"index beyond a byte",
         R"({"objects": [{"group": 1, "object": 2, "index": -1, "value": "v"}]})",
         "/objects/0/index", "-1"},
        {"value beyond a reply",
         R"({"objects": [{"group": 1, "object": 2, "value": ")" + std::string(65526, 'v') +
             R"("}]})",
         "/objects/0/value", "65526 characters"},
        {"object twice", R"({"objects": [)" + object + ", " + object + "]}", "/objects/1",
         "group 16 object 6 index 0 is described twice"},
        {"command of two words", R"({"commands": [{"name": "get sysinfo"}]})", "/commands/0/name",
         "not one word"},
        {"command status beyond a byte", R"({"commands": [{"name": "getsysinfo", "status": 256}]})",
         "/commands/0/status", "256"},
        {"command twice", R"({"commands": [{"name": "setgmt"}, {"name": "setgmt", "status": 1}]})",
         "/commands/1/name", "\"setgmt\" is described twice"},
        {"user without password", R"({"users": [{"user": "admin"}]})", "/users/0", "\"password\""},
        {"user name beyond a login",
         R"({"users": [{"user": ")" + std::string(256, 'u') + R"(", "password": "p"}]})",
         "/users/0/user", "256 characters"},
        {"user twice",
         R"({"users": [{"user": "admin", "password": "a"}, {"user": "admin", "password": "b"}]})",
         "/users/1/user", "\"admin\" is described twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.path().string() + "/card.json";
        std::ofstream(path, std::ios::trunc) << c.json;
        // A card that took the file would serve until stopped.
        const ProcessResult r =
            ChildProcess(CARDSIM, {"--config", path}, {}, dir.path().string()).finish(10000);
        EXPECT_EQ(r.exitCode, 78) << r.out << r.err;
        const std::string named = "cardsim: configuration " + path + ": " + c.key + ": ";
        EXPECT_EQ(r.err.find(named), 0u) << r.err;
        EXPECT_NE(r.err.find(c.reason, named.size()), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("cardsim: ready"), std::string::npos) << r.out;
    }
}

} // namespace
