// The SDM library's binding, each case in a process of its own: the library
// missing, each of its eight calls missing, and the whole library.

#include <gtest/gtest.h>

#include "ProcessHelpers.h"

using namespace korfiber_test;

namespace {

struct Probe {
    std::string entryPoints;
    int devices = -1;
    int open = 99;
};

Probe probe(const std::string& libraryPath, const TempDirectory& directory, Outcome& outcome) {
    outcome = run(
        PROBE_PATH, {},
        {{"LD_LIBRARY_PATH", libraryPath}, {"DIAGLOG", "0"}, {"QLSDM_STANDIN_FILE", SDM_EXAMPLE}},
        directory.path());
    Probe result;
    for (const std::string& line : outcome.lines) {
        if (line.rfind("entry points: ", 0) == 0)
            result.entryPoints = line.substr(14);
        else if (line.rfind("devices: ", 0) == 0)
            result.devices = std::stoi(line.substr(9));
        else if (line.rfind("open: ", 0) == 0)
            result.open = std::stoi(line.substr(6));
    }
    return result;
}

const char* const LOOKUP_ERROR = "QLogicHBAEnumerator::initDLL() GetProcAddressbyOS error\n";

} // namespace

TEST(SdmBinding, LibraryMissingLeavesNothingBound) {
    TempDirectory directory, empty;
    Outcome outcome;
    Probe result = probe(empty.path().string(), directory, outcome);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.text();
    EXPECT_EQ(result.entryPoints, "none");
    EXPECT_EQ(result.devices, 0);
    EXPECT_EQ(result.open, -1);
    const std::string log = directory.read("probeApp.log");
    // Once for the enumeration, once for the open.
    EXPECT_EQ(occurrences(log, "QLogicHBAEnumerator::initDLL() dlopen error\n"), 2u) << log;
    EXPECT_EQ(occurrences(log, "initialized DLL"), 0u) << log;
}

TEST(SdmBinding, OneCallMissingBindsNone) {
    struct Case {
        const char* missing;
        const char* line;
        std::size_t perBinding;
    };
    const Case cases[] = {
        {"SDOpenDevice", LOOKUP_ERROR, 1},
        {"SDCloseDevice", LOOKUP_ERROR, 1},
        {"SDVerifyHbaNVRam", "QLogicHBAEnumerator::initDLL() error\n", 1},
        {"SDVerifyHbaState", LOOKUP_ERROR, 1},
        {"SDGetHbaDeviceNodeProperty", LOOKUP_ERROR, 1},
        {"SDGetHbaDevicePortProperty", LOOKUP_ERROR, 1},
        {"SDGetHbaDeviceChipProperty", LOOKUP_ERROR, 1},
        {"SDGetErrorString", LOOKUP_ERROR, 2}, // and once more for the text lookup itself
    };
    for (const Case& c : cases) {
        TempDirectory directory;
        Outcome outcome;
        Probe result =
            probe(std::string(SDM_VARIANTS) + "/without-" + c.missing, directory, outcome);
        EXPECT_EQ(outcome.exitCode, 0) << c.missing << "\n" << outcome.text();
        EXPECT_EQ(result.entryPoints, "none") << c.missing;
        EXPECT_EQ(result.devices, 0) << c.missing;
        EXPECT_EQ(result.open, -1) << c.missing;
        const std::string log = directory.read("probeApp.log");
        EXPECT_EQ(occurrences(log, c.line), 2 * c.perBinding) << c.missing << "\n" << log;
        EXPECT_EQ(occurrences(log, "dlopen error"), 0u) << c.missing;
        EXPECT_EQ(outcome.err.find("still open"), std::string::npos) << outcome.err;
    }
}

TEST(SdmBinding, WholeLibraryBindsOnce) {
    TempDirectory directory;
    Outcome outcome;
    Probe result = probe(SDM_DIRECTORY, directory, outcome);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.text();
    EXPECT_EQ(result.entryPoints, "bound");
    EXPECT_EQ(result.devices, 2);
    EXPECT_EQ(result.open, 0);
    const std::string log = directory.read("probeApp.log");
    EXPECT_EQ(occurrences(log, "initDLL()"), 0u) << log;
    EXPECT_EQ(outcome.err.find("still open"), std::string::npos) << outcome.err;
}
