// The entry point that puts the simulator under a program: its usage line
// for a command line it cannot use, --help, and the library paths the
// loader cannot take.
#include "process_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
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

// A relative library path is checked as the loader will get it, made
// absolute from the folder the program starts in: one holding ':' would
// split the loader's search path, and the program would run without the
// simulator under it.
TEST(QorsimRun, ARelativeLibraryPathIsCheckedFromTheFolderItStartsIn) {
    namespace fs = std::filesystem;
    const TempDirectory dir("qorsim-run");
    const struct {
        std::string folder;
        int exitCode;
        std::string out;
        std::string refusal;
    } cases[] = {
        {"checkout:1", 64, "",
         "qorsim-run: the loader cannot find a library in a directory whose path holds ':' or "
         "';': " +
             (dir.path() / "checkout:1/build").string() + "\n"},
        {"checkout;1", 64, "",
         "qorsim-run: the loader cannot find a library in a directory whose path holds ':' or "
         "';': " +
             (dir.path() / "checkout;1/build").string() + "\n"},
        {"checkout 1", 0, "ran\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const fs::path folder = dir.path() / c.folder;
        fs::create_directories(folder / "build");
        fs::copy_file(QORSIM_LIB, folder / "build/libqorsim_preload.so");
        const ProcessResult r =
            runProcess("/usr/bin/env",
                       {"-C", folder.string(), QORSIM_RUN, "build/libqorsim_preload.so",
                        "config.json", "/bin/echo", "ran"},
                       {}, dir.path().string());
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.out, c.out);
        if (!c.refusal.empty()) {
            EXPECT_EQ(r.err, c.refusal);
        }
    }
}

} // namespace
