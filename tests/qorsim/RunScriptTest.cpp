// The entry point that puts the simulator under a program: its usage line
// for a command line it cannot use, and --help.
#include "process_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kUsage = "usage: qorsim-run PRELOAD_LIBRARY CONFIG_JSON PROGRAM [ARG]...\n";

TEST(QorsimRun, MissingArgumentsGiveTheUsageLineAndHelpExitsZero) {
    const TempDirectory dir("qorsim-run");
    const ProcessResult help = runProcess(QORSIM_RUN, {"--help"}, {}, dir.path().string());
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_EQ(help.out, kUsage);

    const std::vector<std::vector<std::string>> incomplete = {
        {}, {"libqorsim_preload.so"}, {"libqorsim_preload.so", "config.json"}};
    for (const auto& args : incomplete) {
        SCOPED_TRACE(args.size());
        const ProcessResult bad = runProcess(QORSIM_RUN, args, {}, dir.path().string());
        EXPECT_EQ(bad.exitCode, 64) << bad.err;
        EXPECT_EQ(bad.err, kUsage);
        EXPECT_EQ(bad.out, "");
    }
}

} // namespace
