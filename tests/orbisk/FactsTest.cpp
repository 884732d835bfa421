// The memory facts read from the data manager, and the system device built
// from them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "MemoryParameterList.h"
#include "StandinFixture.h"
#include "SystemDevice.h"
#include "SystemDeviceEnumerator.h"
#include "TamselInformationExtractor.h"

namespace orbisk_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using VarnDiags::DeviceEnum::TamselInformationExtractor;
using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::SystemDevices::SystemDevice;

// The parameter list of the device the machine yields, or "" for none.
std::string parameterListOf(std::vector<VirtualDevice>* devices) {
    std::unique_ptr<std::vector<VirtualDevice>> owned(devices);
    if (owned->empty())
        return "";
    EXPECT_EQ(owned->size(), 1u);
    auto* device = dynamic_cast<SystemDevice*>(owned->front().getDevice());
    EXPECT_NE(device, nullptr);
    EXPECT_TRUE(device->isSystemMemoryDevice());
    EXPECT_EQ(std::string(device->getDeviceDescriptor()),
              "0:" + std::string(device->getParamList()));
    return device->getParamList();
}

struct DeviceCase {
    const char* name;
    Machine machine;
    const char* parameterList; // "" when no device
};

Machine withArrays(std::vector<std::vector<Module>> arrays) {
    Machine machine;
    machine.arrays = std::move(arrays);
    return machine;
}

class DeviceVectorTest : public StandinTest, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(DeviceVectorTest, ParameterList) {
    load(GetParam().machine);
    EXPECT_EQ(parameterListOf(TamselInformationExtractor().getSystemDevicesVector()),
              GetParam().parameterList);
}

Machine redundantMachine() {
    Machine machine = twoByTwo();
    machine.config = std::vector<int>{1, 1, 0};
    machine.redundantObjects = 3;
    machine.arraysUnderRedundant = 1;
    return machine;
}

Machine downMachine() {
    Machine machine = twoByTwo();
    machine.ready = false;
    return machine;
}

INSTANTIATE_TEST_SUITE_P(
    Machines, DeviceVectorTest,
    ::testing::Values(
        DeviceCase{"TwoArraysOfTwo", twoByTwo(), "524288:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2"},
        DeviceCase{"EmptyFirstString", withArrays({{{"", "Bank 0", 65536}}}), "65536:01:Bank 0"},
        DeviceCase{"ExactlyTheFloor", withArrays({{{"D", "1", 32768}}}), ""},
        DeviceCase{"JustAboveTheFloor", withArrays({{{"D", "1", 32769}}}), "32769:01:D 1"},
        DeviceCase{"LastArrayEmpty", withArrays({{{"D", "1", 65536}}, {}}), ""},
        DeviceCase{"EmptyArrayBetween", withArrays({{{"D", "1", 65536}}, {}, {{"D", "2", 65536}}}),
                   "131072:02:D 1:D 2"},
        DeviceCase{"NoArrays", withArrays({}), ""},
        DeviceCase{"UnreadableModuleKeepsItsSlot",
                   withArrays({{{"D", "1", 65536, 0, true}, {"D", "2", 65536}}}), "65536:02::D 2"},
        DeviceCase{"BrokenStringOffsetsReadAsEmpty",
                   withArrays({{{"", "", 65536, 0, false, true}, {"D", "2", 65536}}}),
                   "131072:02::D 2"},
        DeviceCase{"ColonInsideANameIsReplaced", withArrays({{{"CPU1:DIMM", "A:1", 65536}}}),
                   "65536:01:CPU1_DIMM A_1"},
        DeviceCase{"ArraysUnderTheRedundancyParent", redundantMachine(),
                   "524288:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2"},
        DeviceCase{"DataManagerDown", downMachine(), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StandinTest, ManyModulesMakeOneLongDescriptor) {
    Machine machine;
    machine.arrays.resize(4);
    for (int i = 0; i < 200; ++i)
        machine.arrays[static_cast<std::size_t>(i % 4)].push_back(
            {"Processor " + std::to_string(i / 8) + " memory module slot", std::to_string(i),
             1024});
    load(machine);
    const std::string list = parameterListOf(TamselInformationExtractor().getSystemDevicesVector());
    ASSERT_GT(list.size(), 2000u);
    const auto parameters = VarnDiags::DeviceEnum::parseMemoryParameters(list.c_str());
    ASSERT_TRUE(parameters);
    EXPECT_EQ(parameters->totalKB, 204800u);
    ASSERT_EQ(parameters->names.size(), 200u);
    EXPECT_EQ(parameters->names[1], "Processor 0 memory module slot 4");
}

TEST_F(StandinTest, DataManagerDownIsToldOnStandardOutput) {
    load(downMachine());
    TamselInformationExtractor tamsel;
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(tamsel.isTamselRunning());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

    int modes[2] = {-5, -5};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(tamsel.getEccLoggingState(), -1);
    EXPECT_EQ(tamsel.getFailoverState(), -1);
    EXPECT_EQ(tamsel.getEccMemoryRedundancyObjID(), 0u);
    EXPECT_FALSE(tamsel.getEccMemoryStatus(modes, 2));
    EXPECT_EQ(tamsel.getTotalPageFileSize(), 0u);
    EXPECT_EQ(tamsel.getNumProcessors(), 0);
    std::unique_ptr<std::vector<VirtualDevice>> devices(tamsel.getSystemDevicesVector());
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_THAT(modes, ElementsAre(-5, -5));
    EXPECT_TRUE(devices->empty());
    std::string expected;
    for (int i = 0; i < 7; ++i)
        expected += "Tamsel is not running...\n";
    EXPECT_EQ(out, expected);
}

struct FactCase {
    const char* name;
    Machine machine;
    int eccLogging;
    int failover;
    std::uint32_t redundancyParentIndex; // 0: the root, k: the k-th redundant object
    unsigned long pageFile;
};

class FactsTest : public StandinTest, public ::testing::WithParamInterface<FactCase> {};

TEST_P(FactsTest, Read) {
    load(GetParam().machine);
    TamselInformationExtractor tamsel;
    EXPECT_EQ(tamsel.getEccLoggingState(), GetParam().eccLogging);
    EXPECT_EQ(tamsel.getFailoverState(), GetParam().failover);
    const std::uint32_t expectedParent =
        GetParam().redundancyParentIndex == 0 ? 2u : 999u + GetParam().redundancyParentIndex;
    EXPECT_EQ(tamsel.getEccMemoryRedundancyObjID(), expectedParent);
    EXPECT_EQ(tamsel.getTotalPageFileSize(), GetParam().pageFile);
}

Machine factMachine(std::optional<int> ecc, std::optional<std::vector<int>> config,
                    int redundantObjects = 0, std::optional<int> under = std::nullopt,
                    std::optional<std::uint32_t> page = 4194304) {
    Machine machine = twoByTwo();
    machine.eccLogging = ecc;
    machine.config = std::move(config);
    machine.redundantObjects = redundantObjects;
    machine.arraysUnderRedundant = under;
    machine.pageFileKB = page;
    return machine;
}

INSTANTIATE_TEST_SUITE_P(
    Machines, FactsTest,
    ::testing::Values(FactCase{"NoLoggingOrConfigObjects", factMachine(std::nullopt, std::nullopt),
                               1, 0, 0, 4194304},
                      FactCase{"LoggingOffFailoverOn", factMachine(0, std::vector<int>{0, 0, 3}), 0,
                               3, 0, 4194304},
                      FactCase{"RedundancyNeedsBothBytes",
                               factMachine(1, std::vector<int>{1, 0, 0}, 2, 1), 1, 0, 0, 4194304},
                      FactCase{"SecondRedundantObjectHoldsTheArrays",
                               factMachine(1, std::vector<int>{2, 4, 1}, 3, 1), 1, 1, 2, 4194304},
                      FactCase{"NoRedundantObjectHoldsArrays",
                               factMachine(1, std::vector<int>{2, 4, 1}, 2), 1, 1, 0, 4194304},
                      FactCase{"NoSizesObject",
                               factMachine(1, std::nullopt, 0, std::nullopt, std::nullopt), 1, 0, 0,
                               0}),
    [](const auto& info) { return std::string(info.param.name); });

class ProcessorCountTest : public StandinTest,
                           public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(ProcessorCountTest, CountedUpToSixteen) {
    Machine machine = twoByTwo();
    machine.processors = GetParam().first;
    load(machine);
    EXPECT_EQ(TamselInformationExtractor().getNumProcessors(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Counts, ProcessorCountTest,
                         ::testing::Values(std::pair{0, 0}, std::pair{1, 1}, std::pair{16, 16},
                                           std::pair{17, 16}));

TEST_F(StandinTest, FailureModesLineUpWithTheModules) {
    Machine machine = withArrays({{{"D", "1", 65536, 4, true}, {"D", "2", 65536, 2}},
                                  {},
                                  {{"D", "3", 65536, 1}, {"D", "4", 65536, 16}}});
    load(machine);
    TamselInformationExtractor tamsel;
    int modes[5] = {-1, -1, -1, -1, -1};
    ASSERT_TRUE(tamsel.getEccMemoryStatus(modes, 4));
    // The unreadable first module keeps slot 0 with mode 0; slot 4 is
    // beyond the capacity and stays untouched.
    EXPECT_THAT(modes, ElementsAre(0, 2, 1, 16, -1));

    int fewer[2] = {-1, -1};
    ASSERT_TRUE(tamsel.getEccMemoryStatus(fewer, 1));
    EXPECT_THAT(fewer, ElementsAre(0, -1));
}

TEST_F(StandinTest, FailureModesComeFromTheRedundancyParent) {
    Machine machine = redundantMachine();
    machine.arrays[1][1].mode = 8;
    load(machine);
    int modes[4] = {};
    ASSERT_TRUE(TamselInformationExtractor().getEccMemoryStatus(modes, 4));
    EXPECT_THAT(modes, ElementsAre(0, 0, 0, 8));
}

TEST_F(StandinTest, EnumeratorUsesTheDataManagerUnlessAskedOtherwise) {
    load(twoByTwo());
    VarnDiags::SystemDevices::SystemDeviceEnumerator enumerator;
    EXPECT_EQ(parameterListOf(enumerator.getDeviceVector()),
              "524288:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2");
    enumerator.setAlternateSource(VarnDiags::SystemDevices::SystemDeviceEnumerator::OS_STORE);
    EXPECT_EQ(enumerator.getDeviceVector(), nullptr);
}

TEST(SystemDeviceTest, RebuiltFromItsDescriptor) {
    SystemDevice device("0:1024:01:X");
    EXPECT_TRUE(device.isDeviceReferenceValid());
    EXPECT_TRUE(device.isSystemMemoryDevice());
    EXPECT_STREQ(device.getParamList(), "1024:01:X");
    EXPECT_EQ(device.getMemSize(), 1024u);
    EXPECT_STREQ(device.getDeviceName(), "System Device");
    EXPECT_STREQ(device.getDeviceDescription(), "Unknown System Device Description");
    EXPECT_STREQ(device.getDeviceLocation(), "System Device Location");
    EXPECT_EQ(device.getDeviceType(), 98u);

    std::unique_ptr<VarnDiags::DeviceEnum::IDevice> clone(device.clone("7:abc"));
    auto* other = dynamic_cast<SystemDevice*>(clone.get());
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->isSystemMemoryDevice());
    EXPECT_EQ(other->getMemSize(), 0u);
}

TEST(SystemDeviceTest, BadDescriptorsLeaveTheEmptyDevice) {
    for (const char* bad : {"", "0", "12345:1:01:X", "x:1024:01:X", ":1024"}) {
        SCOPED_TRACE(bad);
        SystemDevice device(bad);
        EXPECT_FALSE(device.isDeviceReferenceValid());
        EXPECT_EQ(device.getDeviceTypeCode(), SystemDevice::EMPTY_DEVICE);
        EXPECT_EQ(device.getParamList(), nullptr);
        EXPECT_STREQ(device.getDeviceName(), "Default EMPTY System Device Created by framework.");
        EXPECT_STREQ(device.getDeviceDescriptor(), "Unknown System Device Description");
    }
}

struct ListCase {
    const char* text;
    bool valid;
    unsigned long total;
    std::vector<std::string> names;
};

TEST(MemoryParameterListTest, ParsedFieldByField) {
    const ListCase cases[] = {
        {"524288:04:A:B:C:D", true, 524288, {"A", "B", "C", "D"}},
        {"1024:01:X", true, 1024, {"X"}},
        {"1024:01:X:Y", true, 1024, {"X:Y"}}, // the last name takes the rest
        {"1024:03:X", true, 1024, {"X", "", ""}},
        {"1024:02::Y", true, 1024, {"", "Y"}},
        {"1024:00:", true, 1024, {}},
        {"1024", false, 0, {}},
        {"1024:01", false, 0, {}},
        {"-1:01:X", false, 0, {}},
        {"1024:x:X", false, 0, {}},
        {"1024:99999:X", false, 0, {}},
        {":01:X", false, 0, {}},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = VarnDiags::DeviceEnum::parseMemoryParameters(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid);
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->totalKB, c.total);
        EXPECT_EQ(parsed->names, c.names);
    }
    EXPECT_FALSE(VarnDiags::DeviceEnum::parseMemoryParameters(nullptr));
}

TEST(MemoryParameterListTest, FormatsAtLeastTwoDigitsOfCount) {
    using VarnDiags::DeviceEnum::formatMemoryParameters;
    EXPECT_EQ(formatMemoryParameters({524288, {"A", "B"}}), "524288:02:A:B");
    std::vector<std::string> many(123, "m");
    EXPECT_THAT(formatMemoryParameters({1, many}), HasSubstr("1:123:m:m"));
}

} // namespace
} // namespace orbisk_test
