// The host stand-in in-process: registration, device records, the FRU walk, reports, stop
// rules, injections and the transcript, driven through its C interface and control API.
#include "dapi2.h"
#include "dapi2_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

namespace ctl = dapi2_control;

namespace {

// The module's behaviour for the current test; the callbacks are plain functions.
std::function<int()> g_enumerate;
std::function<int(int, tag_DapiDiagDevice*)> g_run;

int enumerateThunk() {
    return g_enumerate ? g_enumerate() : 0;
}
int runThunk(int test, tag_DapiDiagDevice* device) {
    return g_run ? g_run(test, device) : 0;
}

tag_DapiDiagDevice* createPci(int number, const char* name = "Fake") {
    tag_DapiDiagDevice* device = nullptr;
    Dapi2_CreateDevicePCI("PCI", number, name, "loc", "desc", 4, 5, 1, &device);
    return device;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctl::reset();
        reg_ = Dapi2_CreateRegistrationStructure();
        ASSERT_NE(reg_, nullptr);
        ASSERT_EQ(
            Dapi2_AddRegistrationStructureCallback(
                reg_, DAPI2_CALLBACK_ENUMERATE, reinterpret_cast<Dapi2Callback>(&enumerateThunk)),
            0);
        ASSERT_EQ(Dapi2_AddRegistrationStructureCallback(
                      reg_, DAPI2_CALLBACK_RUN, reinterpret_cast<Dapi2Callback>(&runThunk)),
                  0);
    }
    void TearDown() override {
        Dapi2_FreeRegistrationStructure(reg_);
        g_enumerate = nullptr;
        g_run = nullptr;
        ctl::reset();
    }

    // Offers count PCI devices, each with one additional-info entry "value<i>".
    void offerDevices(int count) {
        g_enumerate = [count] {
            for (int i = 0; i < count; ++i) {
                tag_DapiDiagDevice* device = createPci(i);
                const std::string value = "value" + std::to_string(i);
                Dapi2_AddFruAdditionalInfoToDevice(device, "key", "d", value.c_str());
                Dapi2_AddDevice(device);
            }
            return 0;
        };
        ASSERT_EQ(ctl::invokeEnumerate(), 0);
    }

    tag_DapiRegistration* reg_ = nullptr;
};

TEST_F(HostTest, RegistrationRefusesBadArgumentsAndLatestLiveStructureServes) {
    EXPECT_EQ(Dapi2_AddRegistrationStructureCallback(
                  reg_, 2, reinterpret_cast<Dapi2Callback>(&enumerateThunk)),
              -1);
    EXPECT_EQ(Dapi2_AddRegistrationStructureCallback(reg_, DAPI2_CALLBACK_RUN, nullptr), -1);
    EXPECT_EQ(Dapi2_AddRegistrationStructureCallback(nullptr, DAPI2_CALLBACK_RUN,
                                                     reinterpret_cast<Dapi2Callback>(&runThunk)),
              -1);
    EXPECT_EQ(Dapi2_Version(1, 1, 0), 0);
    EXPECT_EQ(Dapi2_Version(2, 0, 0), -1);

    g_enumerate = [] { return 31; };
    EXPECT_EQ(ctl::invokeEnumerate(), 31);

    // A newer structure without callbacks takes over; freeing it brings back the first.
    tag_DapiRegistration* second = Dapi2_CreateRegistrationStructure();
    EXPECT_EQ(ctl::invokeEnumerate(), -1);
    EXPECT_EQ(ctl::invokeRun(0, 0), -1);
    Dapi2_FreeRegistrationStructure(second);
    Dapi2_FreeRegistrationStructure(second); // a second free of the same pointer is ignored
    EXPECT_EQ(ctl::invokeEnumerate(), 31);
}

TEST_F(HostTest, RegistrationFailureInjectionGivesNull) {
    ctl::Injections injections;
    injections.failRegistration = true;
    ctl::setInjections(injections);
    EXPECT_EQ(Dapi2_CreateRegistrationStructure(), nullptr);
    Dapi2_FreeRegistrationStructure(nullptr);
    const auto lines = ctl::transcript();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "t1 Dapi2_CreateRegistrationStructure() = NULL");
    EXPECT_EQ(lines.back(), "t1 Dapi2_FreeRegistrationStructure(NULL)");
}

TEST_F(HostTest, DevicesAreOfferedInOrderWithTheirTexts) {
    g_enumerate = [] {
        tag_DapiDiagDevice* pci = createPci(7, "Adapter");
        Dapi2_AddFruToDevice(pci, "m", "mo", "s", "p", "r", nullptr);
        Dapi2_AddFruAdditionalInfoToDevice(pci, "VarnDeviceDNAstr", "why", "first");
        Dapi2_AddFruAdditionalInfoToDevice(pci, "VarnDeviceDNAstr2", "why", "second");
        Dapi2_AddTestsToDevice(pci, "*");
        tag_DapiDiagDevice* memory = nullptr;
        EXPECT_EQ(Dapi2_CreateDeviceMemory("MEMORY", 0, "Memory", "0:1024:01:X", "System memory",
                                           1024, &memory),
                  0);
        // Offered in the order of Dapi2_AddDevice, not of creation.
        EXPECT_EQ(Dapi2_AddDevice(memory), 0);
        EXPECT_EQ(Dapi2_AddDevice(pci), 0);
        EXPECT_EQ(Dapi2_AddDevice(pci), -1);
        EXPECT_EQ(Dapi2_AddDevice(nullptr), -1);
        return 0;
    };
    ASSERT_EQ(ctl::invokeEnumerate(), 0);
    const auto devices = ctl::devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_TRUE(devices[0].memory);
    EXPECT_EQ(devices[0].location, "0:1024:01:X");
    EXPECT_EQ(devices[0].sizeKB, 1024u);
    const ctl::Device& pci = devices[1];
    EXPECT_EQ(pci.type, "PCI");
    EXPECT_EQ(pci.number, 7);
    EXPECT_EQ(pci.name, "Adapter");
    EXPECT_EQ(pci.bus, 4);
    EXPECT_EQ(pci.device, 5);
    EXPECT_EQ(pci.function, 1);
    EXPECT_EQ(pci.fru, (std::vector<std::string>{"m", "mo", "s", "p", "r", ""}));
    ASSERT_EQ(pci.info.size(), 2u);
    EXPECT_EQ(pci.info[0].key, "VarnDeviceDNAstr");
    EXPECT_EQ(pci.info[0].value, "first");
    EXPECT_EQ(pci.info[1].value, "second");
    EXPECT_EQ(pci.tests, "*");

    // A new enumeration starts from no offered device.
    g_enumerate = [] { return 9; };
    EXPECT_EQ(ctl::invokeEnumerate(), 9);
    EXPECT_TRUE(ctl::devices().empty());
}

TEST_F(HostTest, CallsOnUnknownOrNullRecordsFailWithoutTouchingThem) {
    int notADevice = 0;
    auto* foreign = reinterpret_cast<tag_DapiDiagDevice*>(&notADevice);
    EXPECT_EQ(Dapi2_AddDevice(foreign), -1);
    EXPECT_EQ(Dapi2_AddFruToDevice(foreign, "a", "b", "c", "d", "e", "f"), -1);
    EXPECT_EQ(Dapi2_AddFruAdditionalInfoToDevice(foreign, "k", "d", "v"), -1);
    EXPECT_EQ(Dapi2_AddTestsToDevice(nullptr, "*"), -1);
    EXPECT_EQ(Dapi2_GetDeviceFruInfo(foreign), nullptr);
    EXPECT_EQ(Dapi2_GetFirstFruAdditionalInfo(nullptr), nullptr);
    EXPECT_EQ(Dapi2_GetNextFruAdditionalInfo(nullptr), nullptr);
    EXPECT_EQ(Dapi2_GetFruAdditionalInfoField(nullptr), nullptr);
    EXPECT_EQ(Dapi2_GetFruAdditionalInfoValue(nullptr), nullptr);
    EXPECT_EQ(notADevice, 0);
    tag_DapiDiagDevice* device = createPci(0);
    EXPECT_EQ(Dapi2_AddFruAdditionalInfoToDevice(device, nullptr, "d", "v"), -1);
    EXPECT_EQ(Dapi2_CreateDevicePCI("PCI", 0, "n", "l", "d", 0, 0, 0, nullptr), -1);
    EXPECT_EQ(ctl::transcript().back(),
              "t1 Dapi2_CreateDevicePCI(\"PCI\", 0, \"n\", \"l\", \"d\", 0, 0, 0, NULL) = -1 NULL");
}

TEST_F(HostTest, FruWalkGivesEntriesInOrderAndRestarts) {
    tag_DapiDiagDevice* device = createPci(0);
    tag_DapiFruInfo* fru = Dapi2_GetDeviceFruInfo(device);
    ASSERT_NE(fru, nullptr);
    EXPECT_EQ(Dapi2_GetFirstFruAdditionalInfo(fru), nullptr); // no entry yet
    Dapi2_AddFruAdditionalInfoToDevice(device, "a", "d", "1");
    Dapi2_AddFruAdditionalInfoToDevice(device, "b", "d", nullptr);

    for (int pass = 0; pass < 2; ++pass) {
        tag_DapiFruAdditionalInfo* first = Dapi2_GetFirstFruAdditionalInfo(fru);
        ASSERT_NE(first, nullptr);
        EXPECT_STREQ(Dapi2_GetFruAdditionalInfoField(first), "a");
        EXPECT_STREQ(Dapi2_GetFruAdditionalInfoValue(first), "1");
        tag_DapiFruAdditionalInfo* second = Dapi2_GetNextFruAdditionalInfo(fru);
        ASSERT_NE(second, nullptr);
        EXPECT_STREQ(Dapi2_GetFruAdditionalInfoField(second), "b");
        EXPECT_STREQ(Dapi2_GetFruAdditionalInfoValue(second), "");
        EXPECT_EQ(Dapi2_GetNextFruAdditionalInfo(fru), nullptr);
        EXPECT_EQ(Dapi2_GetNextFruAdditionalInfo(fru), nullptr);
    }
}

TEST_F(HostTest, InfoValuesAreKeptWholeUnlessCutIsInjected) {
    const std::string longValue(200, 'x');
    struct Case {
        int cutAt;
        size_t kept;
    };
    for (const Case& c : {Case{-1, 200}, Case{80, 80}, Case{5, 5}, Case{0, 0}, Case{300, 200}}) {
        SCOPED_TRACE(c.cutAt);
        ctl::Injections injections;
        injections.cutInfoAt = c.cutAt;
        ctl::setInjections(injections);
        tag_DapiDiagDevice* device = createPci(0);
        ASSERT_EQ(Dapi2_AddFruAdditionalInfoToDevice(device, "k", "d", longValue.c_str()), 0);
        const char* value = Dapi2_GetFruAdditionalInfoValue(
            Dapi2_GetFirstFruAdditionalInfo(Dapi2_GetDeviceFruInfo(device)));
        EXPECT_EQ(std::string(value), longValue.substr(0, c.kept));
    }
}

TEST_F(HostTest, TheKthCreationIsRefused) {
    ctl::Injections injections;
    injections.refuseCreation = 3;
    ctl::setInjections(injections);
    std::vector<bool> created;
    int sentinel = 0;
    for (int i = 0; i < 4; ++i) {
        auto* device = reinterpret_cast<tag_DapiDiagDevice*>(&sentinel); // must be overwritten
        const int result = i % 2 ? Dapi2_CreateDeviceMemory("MEMORY", 0, "m", "l", "d", 1, &device)
                                 : Dapi2_CreateDevicePCI("PCI", i, "n", "l", "d", 0, 0, 0, &device);
        EXPECT_EQ(result == 0, device != nullptr);
        created.push_back(device != nullptr);
    }
    EXPECT_EQ(created, (std::vector<bool>{true, true, false, true}));
}

TEST_F(HostTest, RunGetsTheTestNumberUnchangedAndTheChosenDevice) {
    offerDevices(2);
    int seenTest = 0;
    std::string seenValue;
    g_run = [&](int test, tag_DapiDiagDevice* device) {
        seenTest = test;
        seenValue = device ? Dapi2_GetFruAdditionalInfoValue(
                                 Dapi2_GetFirstFruAdditionalInfo(Dapi2_GetDeviceFruInfo(device)))
                           : "NULL";
        return 6;
    };
    struct Case {
        int test;
        int device;
        const char* value;
    };
    for (const Case& c : {Case{0, 0, "value0"}, Case{3, 1, "value1"}, Case{-1, 0, "value0"},
                          Case{INT_MIN, 1, "value1"}, Case{0, 2, "NULL"}}) {
        SCOPED_TRACE(c.test);
        EXPECT_EQ(ctl::invokeRun(c.test, c.device), 6);
        EXPECT_EQ(seenTest, c.test);
        EXPECT_EQ(seenValue, c.value);
    }
    ctl::Injections injections;
    injections.nullDevice = true;
    ctl::setInjections(injections);
    EXPECT_EQ(ctl::invokeRun(0, 0), 6);
    EXPECT_EQ(seenValue, "NULL");
}

// Polls the host polls times during a run and keeps what it answered.
std::vector<int> pollDuringRun(int polls, const std::vector<int>& percents = {}) {
    std::vector<int> answers;
    g_run = [&](int, tag_DapiDiagDevice*) {
        for (int percent : percents) {
            Dapi2_SetPercentDone(percent);
        }
        for (int i = 0; i < polls; ++i) {
            answers.push_back(Dapi2_CheckForStop());
        }
        return 0;
    };
    ctl::invokeRun(0, 0);
    g_run = nullptr;
    return answers;
}

TEST_F(HostTest, StopRulesDecideWhenCheckForStopAnswers) {
    const std::string stopFile = ::testing::TempDir() + "dapi2_stop_" + std::to_string(getpid());
    std::remove(stopFile.c_str());
    struct Case {
        const char* name;
        ctl::StopRules rules;
        std::vector<int> percents;
        bool createFile;
        std::vector<int> answers;
    };
    const std::vector<Case> cases = {
        {"none", {}, {}, false, {0, 0, 0}},
        {"after 0 polls", {0, -1, ""}, {}, false, {1, 1, 1}},
        {"after 2 polls", {2, -1, ""}, {}, false, {0, 0, 1, 1}},
        {"percent reached", {-1, 50, ""}, {10, 60, 20}, false, {1, 1}},
        {"percent not reached", {-1, 50, ""}, {10, 49}, false, {0, 0}},
        {"file missing", {-1, -1, stopFile}, {}, false, {0, 0}},
        {"file present", {-1, -1, stopFile}, {}, true, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ctl::setStopRules(c.rules);
        if (c.createFile) {
            std::ofstream(stopFile).put('x');
        }
        EXPECT_EQ(pollDuringRun(static_cast<int>(c.answers.size()), c.percents), c.answers);
        EXPECT_EQ(ctl::stopPolls(), static_cast<int>(c.answers.size()));
        std::remove(stopFile.c_str());
    }
}

TEST_F(HostTest, StopStaysDueForTheRunAndANewRunStartsClear) {
    ctl::StopRules rules;
    rules.file = ::testing::TempDir() + "dapi2_sticky_" + std::to_string(getpid());
    ctl::setStopRules(rules);
    std::vector<int> answers;
    g_run = [&](int, tag_DapiDiagDevice*) {
        std::ofstream(rules.file).put('x');
        answers.push_back(Dapi2_CheckForStop());
        std::remove(rules.file.c_str());
        answers.push_back(Dapi2_CheckForStop()); // the file is gone, the stop holds
        return 8;
    };
    EXPECT_EQ(ctl::invokeRun(0, 0), 8);
    EXPECT_EQ(answers, (std::vector<int>{1, 1}));
    EXPECT_EQ(pollDuringRun(1), std::vector<int>{0});

    g_run = [&](int, tag_DapiDiagDevice*) {
        EXPECT_EQ(Dapi2_CheckForStop(), 0);
        ctl::requestStop();
        return Dapi2_CheckForStop();
    };
    EXPECT_EQ(ctl::invokeRun(0, 0), 1);
}

TEST_F(HostTest, ReportsOfARunAreKeptUntilTheNextRun) {
    g_run = [](int, tag_DapiDiagDevice*) {
        Dapi2_SetPercentDone(10);
        Dapi2_Warning(1, " ");
        Dapi2_Error(4000000000u, "bad\n\"thing\"");
        Dapi2_Warning(3, nullptr);
        Dapi2_SetPercentDone(100);
        return 2;
    };
    EXPECT_EQ(ctl::invokeRun(0, 0), 2);
    EXPECT_EQ(ctl::percents(), (std::vector<int>{10, 100}));
    const auto warnings = ctl::warnings();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].code, 1u);
    EXPECT_EQ(warnings[0].text, " ");
    EXPECT_EQ(warnings[1].text, "");
    const auto errors = ctl::errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 4000000000u);
    EXPECT_EQ(errors[0].text, "bad\n\"thing\"");
    // Texts stay on one transcript line.
    const auto lines = ctl::transcript();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "t1 Dapi2_Error(4000000000, \"bad\\n\\\"thing\\\"\") = 0"),
              lines.end());

    g_run = nullptr;
    ctl::invokeRun(0, 0);
    EXPECT_TRUE(ctl::percents().empty());
    EXPECT_TRUE(ctl::warnings().empty());
    EXPECT_TRUE(ctl::errors().empty());
}

TEST_F(HostTest, TranscriptLabelsThreadsAndNamesTheHostsCalls) {
    g_run = [](int, tag_DapiDiagDevice*) {
        std::thread progress([] {
            Dapi2_SetPercentDone(40);
            Dapi2_CheckForStop();
        });
        progress.join();
        return 0;
    };
    ctl::reset(); // labels restart: this thread is t1 again
    offerDevices(1);
    ctl::invokeRun(-2, 0);
    const std::vector<std::string> expected = {
        "t1 call enumerate()",
        "t1 Dapi2_CreateDevicePCI(\"PCI\", 0, \"Fake\", \"loc\", \"desc\", 4, 5, 1, out) = 0 dev1",
        "t1 Dapi2_AddFruAdditionalInfoToDevice(dev1, \"key\", \"d\", \"value0\") = 0",
        "t1 Dapi2_AddDevice(dev1) = 0",
        "t1 return enumerate() = 0",
        "t1 call run(-2, dev1)",
        "t2 Dapi2_SetPercentDone(40) = 0",
        "t2 Dapi2_CheckForStop() = 0",
        "t1 return run(-2, dev1) = 0",
    };
    EXPECT_EQ(ctl::transcript(), expected);
}

TEST_F(HostTest, MainRejectsBadCommandLinesAndMissingRegistrations) {
    struct Case {
        std::vector<const char*> args;
        tag_DapiRegistration* reg;
        int code;
    };
    int foreign = 0;
    const std::vector<Case> cases = {
        {{"prog"}, reg_, 64},
        {{"prog", "frobnicate"}, reg_, 64},
        {{"prog", "list", "list"}, reg_, 64},
        {{"prog", "run", "-d"}, reg_, 64},
        {{"prog", "run", "-d", "-1"}, reg_, 64},
        {{"prog", "run", "-t", "1x"}, reg_, 64},
        {{"prog", "run", "-t", "+1"}, reg_, 64},
        {{"prog", "run", "-t", " 1"}, reg_, 64},
        {{"prog", "run", "-t", "99999999999"}, reg_, 64},
        {{"prog", "list", "--refuse-device", "0"}, reg_, 64},
        {{"prog", "list", "--transcript", "/nonexistent/dir/t"}, reg_, 64},
        {{"prog", "run", "-d", "3"}, reg_, 64}, // no such device
        {{"prog", "list"}, nullptr, 70},
        {{"prog", "list"}, reinterpret_cast<tag_DapiRegistration*>(&foreign), 70},
    };
    g_enumerate = [] { return 0; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "no command");
        std::vector<char*> argv;
        for (const char* arg : c.args) {
            argv.push_back(const_cast<char*>(arg));
        }
        EXPECT_EQ(Dapi2_Main(static_cast<int>(argv.size()), argv.data(), c.reg), c.code);
    }
}

} // namespace
