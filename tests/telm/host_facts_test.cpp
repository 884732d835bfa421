// Host facts read from the system.
#include "telm/telm.h"

#include <ctime>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(HostFacts, ReadTheSystem) {
    utsname names;
    ASSERT_EQ(uname(&names), 0);
    char buffer[255];
    ASSERT_EQ(tymGetOsHostname(buffer), 0);
    EXPECT_EQ(std::string(buffer), std::string(names.nodename).substr(0, 254));
    ASSERT_EQ(tymGetOsName(buffer), 0);
    EXPECT_EQ(std::string(buffer), std::string(names.sysname) + " " + names.release);
    int type = 0;
    ASSERT_EQ(tymGetOsType(&type), 0);
    EXPECT_EQ(type, 2);
    int seconds = 0, offset = 1;
    ASSERT_EQ(tymGetOsTime(&seconds, &offset), 0);
    EXPECT_LE(std::labs(static_cast<long>(seconds) - static_cast<long>(time(nullptr))), 2);
    tzset();
    EXPECT_EQ(offset, -timezone);
}

// Linux node names stop at 64 characters, below the 254 the call keeps; the
// longest one comes back whole. Set in a child's own UTS namespace (needs root).
TEST(HostFacts, LongestNodeNameComesBackWhole) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string name(64, 'n');
        if (unshare(CLONE_NEWUTS) != 0 || sethostname(name.data(), name.size()) != 0)
            _exit(2);
        char buffer[255];
        _exit(tymGetOsHostname(buffer) == 0 && std::string(buffer) == name ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "needs root for a private UTS namespace";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(HostFacts, RefuseNullPointersAndPlaceholdersDoNothing) {
    int value;
    EXPECT_EQ(tymGetOsHostname(nullptr), -1);
    EXPECT_EQ(tymGetOsName(nullptr), -1);
    EXPECT_EQ(tymGetOsType(nullptr), -1);
    EXPECT_EQ(tymGetOsTime(nullptr, &value), -1);
    EXPECT_EQ(tymGetOsTime(&value, nullptr), -1);
    EXPECT_EQ(tymcFwUpdate(), 0);
    EXPECT_EQ(tymSyncVarnVncPassword(), 0);
    EXPECT_EQ(pl_tymGetFile, nullptr);
    EXPECT_EQ(pl_tymcFwUpdate, nullptr);
}

} // namespace
