// The memory device, its enumerator, the plug and the registration with
// the diagnostic host.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "Diag/ProgramPlug.h"
#include "MemoryDevice.h"
#include "MemoryDeviceEnumerator.h"
#include "MemoryRegistration.h"
#include "StandinFixture.h"
#include "dapi2.h"
#include "dapi2_control.h"

namespace orbisk_test {
namespace {

using ::testing::ElementsAre;
using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::MemoryDevices::MemoryDevice;

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) { setenv(name, value, 1); }
    ~ScopedEnv() { unsetenv(m_name); }

private:
    const char* m_name;
};

Machine machineWithModes(std::vector<std::uint32_t> modes, std::uint32_t pageFile = 4194304) {
    Machine machine;
    machine.arrays.emplace_back();
    for (std::size_t i = 0; i < modes.size(); ++i)
        machine.arrays[0].push_back({"DIMM", std::to_string(i), 65536, modes[i]});
    machine.pageFileKB = pageFile;
    return machine;
}

using DeviceTest = StandinTest;

TEST_F(DeviceTest, FieldsFromTheParameterList) {
    load(twoByTwo());
    MemoryDevice device(std::string("524288:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2"));
    EXPECT_TRUE(device.isDeviceReferenceValid());
    EXPECT_STREQ(device.getDeviceName(), "Physical Memory");
    EXPECT_STREQ(device.getDeviceDescription(), "System Memory");
    EXPECT_STREQ(device.getDeviceDescriptor(), "524288:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2");
    EXPECT_STREQ(device.getDeviceLocation(), "512 MB");
    EXPECT_EQ(device.getDeviceType(), 99u);
    EXPECT_EQ(device.getMemSize(), 524288u);
    EXPECT_EQ(device.getTestedMemoryKB(), 524288u);
    EXPECT_EQ(device.getNumProcessors(), 2);
    ASSERT_EQ(device.getNumDimms(), 4);
    EXPECT_STREQ(device.getDimmName(0), "DIMM A1");
    EXPECT_STREQ(device.getDimmName(3), "DIMM B2");
    EXPECT_STREQ(device.getDimmName(4), "");
    EXPECT_STREQ(device.getDimmName(-1), "");
    EXPECT_STREQ(device.getDimmNameFailed(), "");
    EXPECT_EQ(device.getProgress(), 0);
    EXPECT_EQ(device.getStatus(), 0);
}

TEST_F(DeviceTest, LargeMemoryIsCappedButReportedWhole) {
    load(twoByTwo());
    MemoryDevice device("4194304:01:X");
    EXPECT_EQ(device.getTestedMemoryKB(), 2097151u);
    EXPECT_STREQ(device.getDeviceLocation(), "4096 MB");
    EXPECT_EQ(device.getMemSize(), 4194304u);
}

TEST_F(DeviceTest, NoProcessorsMeansOne) {
    Machine machine = twoByTwo();
    machine.processors = 0;
    load(machine);
    EXPECT_EQ(MemoryDevice("1024:01:X").getNumProcessors(), 1);
}

TEST_F(DeviceTest, EmptyAndBadDevices) {
    load(twoByTwo());
    MemoryDevice empty;
    EXPECT_FALSE(empty.isDeviceReferenceValid());
    EXPECT_STREQ(empty.getDeviceDescriptor(), "Default EMPTY Memory Device.");
    EXPECT_STREQ(empty.getDeviceDescription(), "Default EMPTY Memory Device.");
    EXPECT_STREQ(empty.getDeviceLocation(), "Default Empty System Chassis");
    for (const char* bad : {"", "no colon", "1024", "x:01:A", "1024:y:A"}) {
        SCOPED_TRACE(bad);
        std::unique_ptr<VarnDiags::DeviceEnum::IDevice> clone(empty.clone(bad));
        auto* device = dynamic_cast<MemoryDevice*>(clone.get());
        ASSERT_NE(device, nullptr);
        EXPECT_FALSE(device->isDeviceReferenceValid());
        EXPECT_EQ(device->getNumDimms(), 0);
        EXPECT_STREQ(device->getDeviceLocation(), "Default Empty System Chassis");
    }
}

TEST_F(DeviceTest, MemDebugTestsLittleMemoryAndPretendsModuleFaults) {
    load(machineWithModes({0, 0}));
    ScopedEnv debug("MEMDEBUG", "1");
    MemoryDevice device("524288:02:A:B");
    EXPECT_EQ(device.getTestedMemoryKB(), 20000u);
    EXPECT_STREQ(device.getDeviceLocation(), "512 MB");
    // Only two of the three pretended modes fit.
    int modes[3] = {0, 0, -1};
    EXPECT_EQ(device.dimmsStatusOk(modes, 2), MemoryDevice::CRITICAL_MODULE_FAULT);
    EXPECT_THAT(modes, ElementsAre(5, 0, -1));
}

struct ModesCase {
    std::vector<std::uint32_t> modes;
    int expected;
};

TEST_F(DeviceTest, ModuleStatusFromTheFailureModes) {
    const ModesCase cases[] = {{{0, 1, 0}, 8}, {{1, 2, 1}, 9}, {{0, 0}, 0}, {{2}, 9}, {{}, 0}};
    for (const ModesCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.modes));
        load(machineWithModes(c.modes));
        MemoryDevice device("1024:01:X");
        std::vector<int> modes(c.modes.size(), 0);
        EXPECT_EQ(device.dimmsStatusOk(modes.data(), modes.size()), c.expected);
        EXPECT_EQ(smil_standin::liveObjects(), 0u);
    }
}

struct CheckCase {
    const char* name;
    Machine machine;
    int swap, ecc, failover, modules;
};

TEST_F(DeviceTest, PreTestChecks) {
    Machine exactly90 = machineWithModes({0}, 9000);
    Machine below90 = machineWithModes({0}, 8999);
    Machine noSizes = machineWithModes({0});
    noSizes.pageFileKB.reset();
    Machine loggingOff = machineWithModes({0});
    loggingOff.eccLogging = 0;
    Machine failover = machineWithModes({0});
    failover.config = std::vector<int>{0, 0, 1};
    Machine down = machineWithModes({0});
    down.ready = false;
    const CheckCase cases[] = {
        {"PageFileExactly90Percent", exactly90, 0, 0, 0, 0},
        {"PageFileBelow90Percent", below90, 2, 0, 0, 0},
        {"NoSizesObject", noSizes, 7, 0, 0, 0},
        {"EccLoggingOff", loggingOff, 0, 5, 0, 0},
        {"FailoverActive", failover, 0, 0, 6, 0},
        {"DataManagerDown", down, 7, 7, 7, 7},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        load(c.machine);
        MemoryDevice device("10000:01:X");
        int mode = 0;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(device.validSwapSpace(), c.swap);
        EXPECT_EQ(device.eccLogState(), c.ecc);
        EXPECT_EQ(device.failOverState(), c.failover);
        EXPECT_EQ(device.dimmsStatusOk(&mode, 1), c.modules);
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(smil_standin::liveObjects(), 0u);
    }
}

TEST_F(DeviceTest, EnumeratorMakesOneMemoryDevice) {
    load(twoByTwo());
    std::unique_ptr<VarnDiags::DeviceEnum::IDeviceEnumerator> enumerator(
        GetVarnDiagsDeviceEnumeratorObject());
    std::unique_ptr<std::vector<VirtualDevice>> devices(enumerator->getDeviceVector());
    ASSERT_EQ(devices->size(), 1u);
    auto* device = dynamic_cast<MemoryDevice*>(devices->front().getDevice());
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->getDeviceDescriptor(), "524288:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2");
    EXPECT_EQ(device->getMemSize(), 524288u);

    Machine tiny = twoByTwo();
    for (auto& array : tiny.arrays)
        for (auto& module : array)
            module.sizeKB = 1024;
    load(tiny);
    devices.reset(enumerator->getDeviceVector());
    EXPECT_TRUE(devices->empty());
}

TEST_F(DeviceTest, PlugRebuildsMemoryDevices) {
    load(twoByTwo());
    EXPECT_EQ(GetNumberOfTests(), 0);
    VirtualDevice* handle = nullptr;
    GetVarnVirtualDevice("65536:02:A:B", &handle);
    std::unique_ptr<VirtualDevice> owned(handle);
    ASSERT_NE(owned, nullptr);
    auto* device = dynamic_cast<MemoryDevice*>(owned->getDevice());
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->isDeviceReferenceValid());
    EXPECT_STREQ(device->getDimmName(1), "B");

    std::unique_ptr<VarnDiags::Diag::IDiagnostics> diagnostic(GetVarnDiagsTestObject());
    ASSERT_NE(diagnostic, nullptr);
    std::unique_ptr<VarnDiags::Diag::IDiagnostics> clone(diagnostic->clone());
    EXPECT_NE(clone, nullptr);
}

class RegistrationTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        dapi2_control::reset();
    }
    // Registers and offers the device; the host's record or nothing.
    std::optional<dapi2_control::Device> registered(VarnDiags::DeviceEnum::IDevice* device) {
        tag_DapiDiagDevice* hostDevice = nullptr;
        const int result = VarnDiags::Orbisk::CreateDapi2DeviceFromVarnDevice(device, &hostDevice);
        if (result != 0) {
            EXPECT_EQ(hostDevice, nullptr);
            return std::nullopt;
        }
        EXPECT_EQ(Dapi2_AddDevice(hostDevice), 0);
        return dapi2_control::devices().back();
    }
};

TEST_F(RegistrationTest, MemoryDeviceWithItsDescriptor) {
    load(twoByTwo());
    MemoryDevice device(std::string("4194304:02:DIMM A1:DIMM A2"));
    const auto record = registered(&device);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->memory);
    EXPECT_EQ(record->type, "MEMORY");
    EXPECT_EQ(record->number, 0);
    EXPECT_EQ(record->name, "Physical Memory");
    EXPECT_EQ(record->location, "4194304:02:DIMM A1:DIMM A2");
    EXPECT_EQ(record->description, "System Memory");
    EXPECT_EQ(record->sizeKB, 4194304u); // before the test cap
    EXPECT_THAT(record->fru, ElementsAre("placeholder", "placeholder", "placeholder", "placeholder",
                                         "placeholder", "placeholder"));
    ASSERT_EQ(record->info.size(), 1u);
    EXPECT_EQ(record->info[0].key, "VarnDeviceDNAstr");
    EXPECT_EQ(record->info[0].value, "4194304:02:DIMM A1:DIMM A2");
    EXPECT_EQ(record->tests, "*");
}

TEST_F(RegistrationTest, LongDescriptorIsSplitAtEighty) {
    load(twoByTwo());
    const std::string list = "65536:02:" + std::string(35, 'a') + ":" + std::string(36, 'b');
    ASSERT_EQ(list.size(), 81u);
    MemoryDevice device(list);
    const auto record = registered(&device);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->info.size(), 2u);
    EXPECT_EQ(record->info[0].value, list.substr(0, 80));
    EXPECT_EQ(record->info[1].key, "VarnDeviceDNAstr2");
    EXPECT_EQ(record->info[1].value, "b");
}

TEST_F(RegistrationTest, RefusedDevices) {
    load(twoByTwo());
    MemoryDevice device(std::string("65536:01:X"));
    dapi2_control::Injections refuse;
    refuse.refuseCreation = 1;
    dapi2_control::setInjections(refuse);
    EXPECT_FALSE(registered(&device));

    class OtherDevice : public VarnDiags::DeviceEnum::IDevice {
        IDevice* clone(const char*) override { return nullptr; }
        int open(AccessMode) override { return 0; }
        void close() override {}
    } other;
    EXPECT_FALSE(registered(&other));
    tag_DapiDiagDevice** nowhere = nullptr;
    EXPECT_EQ(VarnDiags::Orbisk::CreateDapi2DeviceFromVarnDevice(&device, nowhere), -1);
}

} // namespace
} // namespace orbisk_test
