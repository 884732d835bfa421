#include "child_process.h"

#include <gtest/gtest.h>

namespace {

TEST(Application, StartUpHookDecidesTheExitCode) {
    std::string probe = "\"" + wintest::binDir() + "\\winui_app_probe.exe\"";
    EXPECT_EQ(wintest::runToEnd(probe + " stop"), 0);
    EXPECT_EQ(wintest::runToEnd(probe + " end-self"), 7);
}

} // namespace
