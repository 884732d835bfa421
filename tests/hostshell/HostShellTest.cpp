#include <gtest/gtest.h>

#include <algorithm>

#include <string>

#include "HostDapi2/DescriptorStore.h"
#include "HostFixture.h"
#include "PCIDevices/PCIDevice.h"

using namespace VarnDiags::HostDapi2;

namespace {

// A PCI description that makes the device's descriptor exactly `length` long.
std::string descriptionForLength(std::size_t length) {
    VarnDiags::PCIDevices::PCIDevice probe(0, 3, 0, "");
    std::size_t base = std::string(probe.getDeviceDescriptor()).size();
    EXPECT_GE(length, base);
    return std::string(length - base, 'd');
}

void expectOnlyError(unsigned int code) {
    auto errors = dapi2_control::errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, code);
}

} // namespace

using DescriptorStoreTest = HostFixture;

TEST_F(DescriptorStoreTest, SplitsAtEightyAndReadsBackExactly) {
    struct Case {
        std::size_t length;
        std::size_t firstPart;
    };
    const Case cases[] = {{0, 0},   {1, 1},    {79, 79},  {80, 80},
                          {81, 80}, {160, 80}, {161, 80}, {400, 80}};
    for (const Case& c : cases) {
        dapi2_control::reset();
        tag_DapiDiagDevice* device = nullptr;
        Dapi2_CreateDevicePCI("PCI", 0, "n", "l", "d", 0, 0, 0, &device);
        ASSERT_NE(device, nullptr);
        std::string descriptor;
        for (std::size_t k = 0; k < c.length; ++k)
            descriptor += static_cast<char>('a' + k % 26);
        storeDescriptor(device, descriptor);
        Dapi2_AddDevice(device);

        auto info = dapi2_control::devices().at(0).info;
        ASSERT_EQ(info.size(), c.length > 80 ? 2u : 1u) << c.length;
        EXPECT_EQ(info[0].key, "VarnDeviceDNAstr");
        EXPECT_EQ(info[0].description,
                  "Information needed to recreate the device within the framework");
        EXPECT_EQ(info[0].value.size(), c.firstPart);
        if (c.length > 80) {
            EXPECT_EQ(info[1].key, "VarnDeviceDNAstr2");
            EXPECT_EQ(info[1].value.size(), c.length - 80);
        }
        EXPECT_EQ(readDescriptor(device), descriptor) << c.length;
    }
}

TEST_F(DescriptorStoreTest, MissingOrMisorderedPartsGiveNothing) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> entries;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{{"Other", "x"}}, std::nullopt},
        {{{"VarnDeviceDNAstr2", "tail"}, {"VarnDeviceDNAstr", "head"}}, std::nullopt},
        {{{"Other", "x"}, {"VarnDeviceDNAstr", "head"}, {"VarnDeviceDNAstr2", "tail"}},
         std::string("headtail")},
    };
    for (const Case& c : cases) {
        tag_DapiDiagDevice* device = nullptr;
        Dapi2_CreateDevicePCI("PCI", 0, "n", "l", "d", 0, 0, 0, &device);
        ASSERT_NE(device, nullptr);
        for (auto [key, value] : c.entries)
            Dapi2_AddFruAdditionalInfoToDevice(device, key, "", value);
        EXPECT_EQ(readDescriptor(device), c.expected);
    }
    EXPECT_EQ(readDescriptor(nullptr), std::nullopt);
}

using EnumerateCallbackTest = HostFixture;

TEST_F(EnumerateCallbackTest, RegistersEveryDeviceWithItsDescriptor) {
    setenv("TESTDIAG_DEVICES", "0,3,0,First;1,4,2,Second", 1);
    EXPECT_EQ(dapi2_control::invokeEnumerate(), 0);
    auto devices = dapi2_control::devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1].type, "PCI");
    EXPECT_EQ(devices[1].name, "PCI Device");
    EXPECT_EQ(devices[1].description, "Second");
    EXPECT_EQ(devices[1].location, "PCI Bus1:Device4:Function0,Function1");
    EXPECT_EQ(devices[1].bus, 1);
    EXPECT_EQ(devices[1].device, 4);
    EXPECT_EQ(devices[1].function, 2);
    EXPECT_EQ(devices[1].fru, std::vector<std::string>(6, "placeholder"));
    EXPECT_EQ(devices[1].tests, "*");
    const std::string descriptor =
        "PCI Device|Second|1|4|2|-1|ffffffff|ffffffff|ffffffff|ffffffff|921||ffffffff|ffffffff|";
    ASSERT_EQ(devices[1].info.size(), 2u);
    EXPECT_EQ(devices[1].info[0].value, descriptor.substr(0, 80));
    EXPECT_EQ(devices[1].info[1].value, descriptor.substr(80));
    EXPECT_EQ(devices[0].number + 1, devices[1].number);
}

TEST_F(EnumerateCallbackTest, ResultCodes) {
    struct Case {
        const char* devices;
        const char* testDev;
        int injectRefusal;
        int expected;
        std::size_t offered;
    };
    const Case cases[] = {
        {"none", nullptr, 0, 9, 0},
        {"", nullptr, 0, 9, 0},
        {"0,1,0;0,2,0;0,3,0", "1", 0, 0, 1},
        {"0,1,0;0,2,0;0,3,0", "7", 0, 9, 0},
        {"0,1,0;0,2,0,x,o;0,3,0", nullptr, 0, 31, 1}, // second does not open
        {"0,1,0;0,2,0,x,i;0,3,0", nullptr, 0, 31, 1}, // second not valid
        {"0,1,0;0,2,0,x,x;0,3,0", nullptr, 0, 31, 1}, // second not a PCI device
        {"0,1,0;0,2,0;0,3,0", nullptr, 2, 31, 1},     // host refuses the second
        {"0,1,0;0,2,0;0,3,0", "2", 1, 31, 0},         // host refuses the selected one
    };
    for (const Case& c : cases) {
        dapi2_control::reset();
        dapi2_control::Injections injections;
        injections.refuseCreation = c.injectRefusal;
        dapi2_control::setInjections(injections);
        setenv("TESTDIAG_DEVICES", c.devices, 1);
        if (c.testDev != nullptr)
            setenv("TEST_DEV", c.testDev, 1);
        else
            unsetenv("TEST_DEV");
        EXPECT_EQ(dapi2_control::invokeEnumerate(), c.expected)
            << c.devices << " TEST_DEV=" << c.testDev;
        EXPECT_EQ(dapi2_control::devices().size(), c.offered) << c.devices;
    }
}

TEST_F(EnumerateCallbackTest, TestDevPicksTheIndexedDevice) {
    setenv("TESTDIAG_DEVICES", "0,1,0,zero;0,2,0,one;0,3,0,two", 1);
    setenv("TEST_DEV", "1", 1);
    EXPECT_EQ(dapi2_control::invokeEnumerate(), 0);
    ASSERT_EQ(dapi2_control::devices().size(), 1u);
    EXPECT_EQ(dapi2_control::devices()[0].description, "one");
}

using RunCallbackTest = HostFixture;

TEST_F(RunCallbackTest, RebuildsTheDeviceFromASplitDescriptor) {
    for (std::size_t length : {80u, 81u}) {
        dapi2_control::reset();
        setenv("TESTDIAG_DEVICES", ("0,3,0," + descriptionForLength(length)).c_str(), 1);
        setenv("TESTDIAG_TESTS", "P+d7", 1);
        ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
        ASSERT_EQ(dapi2_control::devices().at(0).info.size(), length == 80 ? 1u : 2u);
        EXPECT_EQ(dapi2_control::invokeRun(0, 0), 0);
        // The test saw the rebuilt device: its descriptor came back whole,
        // but for its unknown codes (ffffffff), which read back saturated. The
        // progress thread relays the event (code 7) before the summary is
        // reported, so the summary never carries it.
        const std::string descriptor =
            dapi2_control::devices()[0].info[0].value +
            (length > 80 ? dapi2_control::devices()[0].info[1].value : "");
        EXPECT_EQ(descriptor.size(), length);
        std::string rebuilt = descriptor;
        for (std::size_t at; (at = rebuilt.find("|ffffffff|")) != std::string::npos;)
            rebuilt.replace(at + 1, 8, "7fffffff");
        const auto warnings = dapi2_control::warnings();
        const auto carrying = std::find_if(warnings.begin(), warnings.end(),
                                           [&](const auto& w) { return w.text == rebuilt; });
        ASSERT_NE(carrying, warnings.end()) << "no warning carried the rebuilt descriptor";
        EXPECT_EQ(carrying->code, 7u);
        EXPECT_EQ(std::count_if(warnings.begin(), warnings.end(),
                                [&](const auto& w) { return w.text == rebuilt; }),
                  1)
            << "the descriptor was reported twice";
    }
}

TEST_F(RunCallbackTest, SummaryMapsToHostCodes) {
    struct Case {
        const char* tests;
        int expected;
        bool error; // the summary is reported as an error rather than a warning
    };
    const Case cases[] = {
        {"P,P", 0, false},       {"P,U3", 6, false}, {"U1", 8, false},
        {"P,U5,F7,F9", 2, true}, {"F0", 2, true},
    };
    for (const Case& c : cases) {
        dapi2_control::reset();
        setenv("TESTDIAG_TESTS", c.tests, 1);
        ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
        EXPECT_EQ(dapi2_control::invokeRun(0, 0), c.expected) << c.tests;
        EXPECT_EQ(dapi2_control::errors().empty(), !c.error) << c.tests;
        auto percents = dapi2_control::percents();
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.back(), 100);
    }
}

TEST_F(RunCallbackTest, EmptyQueueGivesABlankMessage) {
    setenv("TESTDIAG_TESTS", "P", 1);
    ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
    EXPECT_EQ(dapi2_control::invokeRun(0, 0), 0);
    auto warnings = dapi2_control::warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].code, 0u);
    EXPECT_EQ(warnings[0].text, " ");
}

TEST_F(RunCallbackTest, TestNumberSelectsOneTestWhenTheProgramCountsThem) {
    setenv("TESTDIAG_TESTS", "P,F7,U3", 1);
    setenv("TESTDIAG_NUMBER_OF_TESTS", "3", 1);
    ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
    EXPECT_EQ(dapi2_control::invokeRun(0, 0), 0);
    EXPECT_EQ(dapi2_control::invokeRun(1, 0), 2);
    EXPECT_EQ(dapi2_control::invokeRun(2, 0), 6);

    for (int outside : {3, -1, 1000}) {
        dapi2_control::reset();
        ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
        EXPECT_EQ(dapi2_control::invokeRun(outside, 0), 2) << outside;
        expectOnlyError(SHELL_BAD_TEST_NUMBER);
        EXPECT_TRUE(dapi2_control::percents().empty()) << "nothing may run";
    }

    setenv("TESTDIAG_NUMBER_OF_TESTS", "0", 1); // every test runs; the number is ignored
    dapi2_control::reset();
    ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
    EXPECT_EQ(dapi2_control::invokeRun(-5, 0), 2);
}

TEST_F(RunCallbackTest, InitFailedIsReportedAndNeverPasses) {
    setenv("TESTDIAG_INIT_FAILED", "1", 1);
    ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
    EXPECT_EQ(dapi2_control::invokeRun(0, 0), 2);
    expectOnlyError(SHELL_INIT_FAILED);
    EXPECT_TRUE(dapi2_control::percents().empty());
    EXPECT_EQ(dapi2_control::stopPolls(), 0) << "no progress thread may run";
}

TEST_F(RunCallbackTest, NoDeviceGivesNine) {
    ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
    dapi2_control::Injections injections;
    injections.nullDevice = true;
    dapi2_control::setInjections(injections);
    EXPECT_EQ(dapi2_control::invokeRun(0, 0), 9);
}

TEST_F(RunCallbackTest, DeviceWithoutDescriptorIsRefused) {
    tag_DapiDiagDevice* device = nullptr;
    Dapi2_CreateDevicePCI("PCI", 0, "n", "l", "d", 0, 0, 0, &device);
    EXPECT_EQ(VarnFrameworkDiagFunction(0, device), 2);
    expectOnlyError(SHELL_NO_DESCRIPTOR);
}

TEST_F(RunCallbackTest, StopMidRunAborts) {
    setenv("TESTDIAG_TESTS", "H,P", 1);
    ASSERT_EQ(dapi2_control::invokeEnumerate(), 0);
    dapi2_control::StopRules rules;
    rules.afterPolls = 2;
    dapi2_control::setStopRules(rules);
    EXPECT_EQ(dapi2_control::invokeRun(0, 0), 8);
    auto warnings = dapi2_control::warnings();
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings[0].code, 1u);
    EXPECT_EQ(warnings[0].text, " ");
}
