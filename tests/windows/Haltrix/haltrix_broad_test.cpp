// Patterns that match every process. Run alone in a wine prefix of its own:
// everything there but this test and the terminator ends, wine's own
// services included.
#include "child_process.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(HaltrixBroadPattern, StarEndsEverythingButItselfAndItsParent) {
    wintest::TempDir dir;
    std::vector<std::unique_ptr<wintest::Child>> sleepers;
    for (const char* name : {"first", "second", "Third.Dotted"}) {
        std::string exe = dir.path() + "\\" + name + ".exe";
        ASSERT_TRUE(
            CopyFileA((wintest::binDir() + "\\kor_sleeper.exe").c_str(), exe.c_str(), FALSE));
        sleepers.push_back(std::make_unique<wintest::Child>("\"" + exe + "\" 60"));
        ASSERT_TRUE(sleepers.back()->started());
    }
    // By its bare name, found in this program's directory: what follows the
    // command line's first blank is the pattern, and that path may hold one.
    EXPECT_EQ(wintest::runToEnd("HaltrixToolhelp.exe *"), 0);
    for (const auto& sleeper : sleepers)
        EXPECT_EQ(sleeper->waitExit(5000), 1);
    // Reaching this line at all shows that the parent (this test) was spared.
}

} // namespace
