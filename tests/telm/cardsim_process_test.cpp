// The simulated card as a standalone process, as other areas' tests start it.
#include "child_process.h"
#include "fast_clock.h"
#include "telm/telm.h"

#include <csignal>
#include <cstring>
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

TEST_F(CardsimProcess, RefusesBadConfigurations) {
    EXPECT_FALSE(start({"--config", "/nonexistent.json"}));
    int exit = stop();
    EXPECT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 2);
    EXPECT_FALSE(start({"--port"}));
    stop();
    EXPECT_FALSE(start({"--address", "10.9.9.9"})); // not an address of this machine
    exit = stop();
    EXPECT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 1);
}

} // namespace
