// The process list under wine: on the NT family it reads the performance
// data (where wine has no process object); with the program's Windows
// version set outside the NT family it walks the Toolhelp snapshot.
#include "child_process.h"
#include "perf_data.h"
#include "perf_data_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

struct ProbeResult {
    long exitCode;
    std::string header;
    std::string status;
    std::string refresh;
    std::string error;
    std::vector<std::string> names;
};

ProbeResult runProbe(const std::string& version, const std::string& asked) {
    wintest::TempDir dir;
    // A name of its own, so that the version setting touches no other program.
    std::string exeName = "probe" + std::to_string(GetCurrentProcessId()) + version + ".exe";
    std::string exe = dir.path() + "\\" + exeName;
    if (!CopyFileA((wintest::binDir() + "\\process_list_probe.exe").c_str(), exe.c_str(), FALSE))
        throw std::runtime_error("cannot copy the probe");
    wintest::setWineVersionFor(exeName, version);
    ProbeResult result;
    std::string output;
    result.exitCode = wintest::runCapture("\"" + exe + "\" " + asked, output);
    wintest::setWineVersionFor(exeName, "");
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("init=", 0) == 0)
            result.header = line;
        else if (line.rfind("status=", 0) == 0)
            result.status = line;
        else if (line.rfind("refresh=", 0) == 0)
            result.refresh = line;
        else if (line.rfind("error=", 0) == 0)
            result.error = line.substr(6);
        else if (line.rfind("name=", 0) == 0)
            result.names.push_back(line.substr(5));
    }
    return result;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(ProcessList, PerformanceDataWithoutProcessObjectFailsAndListsNothing) {
    ProbeResult r = runProbe("win7", "services");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.header, "init=1 error=");
    EXPECT_EQ(r.status.substr(0, 18), "status=0 running=0"); // answer left alone
    EXPECT_EQ(r.refresh, "refresh=0 count=0");
    EXPECT_TRUE(r.names.empty());
    std::cout << "performance-data walk under wine: " << r.error << "\n";
    EXPECT_FALSE(r.error.empty());
}

TEST(ProcessList, ToolhelpNamesAreStrippedCutAndLowerCased) {
    wintest::TempDir dir;
    std::string sleeperName = "Probe.Sleeper" + std::to_string(GetCurrentProcessId());
    std::string sleeper = dir.path() + "\\" + sleeperName + ".EXE";
    ASSERT_TRUE(
        CopyFileA((wintest::binDir() + "\\kor_sleeper.exe").c_str(), sleeper.c_str(), FALSE));
    wintest::Child child("\"" + sleeper + "\" 60");
    ASSERT_TRUE(child.started());

    std::string lower = "probe.sleeper" + std::to_string(GetCurrentProcessId());
    // The caller's name is lower-cased before the exact comparison.
    ProbeResult r = runProbe("win98", "PROBE.Sleeper" + std::to_string(GetCurrentProcessId()));
    EXPECT_EQ(r.header, "init=1 error=");
    EXPECT_EQ(r.status, "status=1 running=1 asked=" + lower);
    EXPECT_TRUE(contains(r.names, lower));
    EXPECT_TRUE(contains(r.names, "services"));
    EXPECT_EQ(r.refresh, "refresh=1 count=" + std::to_string(r.names.size()));
    for (const auto& name : r.names) {
        EXPECT_EQ(name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ\\"), std::string::npos) << name;
        EXPECT_EQ(name.find(".exe"), std::string::npos) << name;
    }

    ProbeResult absent = runProbe("win98", "nosuchprocess");
    EXPECT_EQ(absent.status, "status=1 running=0 asked=nosuchprocess");
}

} // namespace

namespace {

TEST(PerformanceData, FetchesWinesBlockAndCounterNames) {
    // Wine answers every query with a header and no object at all, and its
    // counter names end after the first pair: the walk fails cleanly.
    std::vector<uint8_t> block;
    std::string error;
    ASSERT_TRUE(kor::perf::readPerformanceData("Global", block, error)) << error;
    ASSERT_GE(block.size(), 32u);
    std::vector<kor::perf::Instance> instances;
    kor::perf::ObjectQuery query;
    query.objectIndex = 230;
    query.maxInstances = 256;
    EXPECT_EQ(kor::perf::parseObjectInstances(block.data(), block.size(), query, instances),
              kor::perf::ParseStatus::NoObject);

    std::vector<char> names;
    ASSERT_TRUE(kor::perf::readCounterNames(names, error)) << error;
    EXPECT_TRUE(kor::perf::findCounterIndex(names.data(), names.size(), "1847"));
    EXPECT_FALSE(kor::perf::findCounterIndex(names.data(), names.size(), "process"));
}

// A system whose performance data takes `needed` bytes: a smaller block is
// answered ERROR_MORE_DATA with `answered(capacity)` as its size.
struct GrowthCase {
    const char* label;
    DWORD needed;
    std::function<DWORD(DWORD capacity)> answered;
    std::vector<DWORD> capacities; // offered, call by call
    const char* error;             // empty when the block is read
};

TEST(PerformanceData, BlockGrowsToTheAnsweredSizePlusAStep) {
    const GrowthCase cases[] = {
        {"the size needed", 200000, [](DWORD) { return 200000ul; }, {51200, 225600}, ""},
        {"more than needed", 60000, [](DWORD) { return 70000ul; }, {51200, 95600}, ""},
        // The size is not defined for this key: a block too small for the
        // answer grows by a step at least.
        {"the block's own size",
         110000,
         [](DWORD c) { return c; },
         {51200, 76800, 102400, 128000},
         ""},
        {"nothing", 60000, [](DWORD) { return 0ul; }, {51200, 76800}, ""},
        {"more than any process list",
         0xffffff00,
         [](DWORD) { return 0xffffff00ul; },
         {51200},
         "Out of Memory"},
    };
    for (const GrowthCase& c : cases) {
        std::vector<DWORD> offered;
        auto query = [&](const char* name, uint8_t* data, DWORD* size) -> LONG {
            EXPECT_STREQ(name, "230");
            offered.push_back(*size);
            if (*size < c.needed) {
                *size = c.answered(*size);
                return ERROR_MORE_DATA;
            }
            std::memcpy(data, L"PERF", 8);
            *size = c.needed;
            return ERROR_SUCCESS;
        };
        std::vector<uint8_t> block;
        std::string error;
        EXPECT_EQ(kor::perf::readPerformanceData("230", block, error, query), *c.error == '\0')
            << c.label;
        EXPECT_EQ(error, c.error) << c.label;
        EXPECT_EQ(offered, c.capacities) << c.label;
        if (*c.error == '\0') {
            EXPECT_EQ(block.size(), c.needed) << c.label;
        }
    }
}

} // namespace
