// The entry point that puts the simulator under a program: its usage line
// for a command line it cannot use, --help, and the library paths the
// loader cannot take.
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

// The loader's search path is split at colons and semicolons and its preload
// list at blanks and colons: a library it would look for under a wrong name
// is refused before the program starts, and so is a library that is not
// there.
TEST(QorsimRun, LibraryPathsTheLoaderCannotUseAreRefused) {
    const TempDirectory dir("qorsim-run");
    const struct {
        std::string library;
        int exitCode;
        std::string named;
    } cases[] = {
        {"/tmp/build:1/libqorsim_preload.so", 64, "holds ':' or ';': /tmp/build:1\n"},
        {"/tmp/build;1/libqorsim_preload.so", 64, "holds ':' or ';': /tmp/build;1\n"},
        {"/tmp/build/libqorsim preload.so", 64, "a blank or ':': libqorsim preload.so\n"},
        {"/tmp/build/libqorsim:preload.so", 64, "a blank or ':': libqorsim:preload.so\n"},
        {(dir.path() / "libqorsim_preload.so").string(), 66,
         "no preload library " + (dir.path() / "libqorsim_preload.so").string() + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library);
        const ProcessResult refused = runProcess(
            QORSIM_RUN, {c.library, "config.json", "/bin/echo", "ran"}, {}, dir.path().string());
        EXPECT_EQ(refused.exitCode, c.exitCode) << refused.err;
        EXPECT_NE(refused.err.find(c.named), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "");
    }
}

} // namespace
