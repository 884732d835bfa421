// Enumeration: one device per adapter whose firmware, drivers and library
// are recent enough, its texts, and the device rebuilt from its descriptor.
#include "MorvaneRaidCtrl.h"
#include "MorvaneRaidEnumerator.h"
#include "RaidFixture.h"

#include <memory>

namespace {

using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl;
using VarnDiags::MorvaneRaidDiag::MorvaneRaidEnumerator;

class Enumeration : public raidtest::RaidTest {
protected:
    // Firmware and driver revisions as major.minor in the record's last two
    // bytes; adapter 7 sits on PCI bus 16.
    std::string config() const override {
        return R"({"adapters": [
          {"index": 0, "pci": {"bus": 3, "slot": 4}},
          {"index": 1, "firmware": {"external": 33882113}},
          {"index": 2, "firmware": {"external": 33947649}},
          {"index": 3, "firmware": {"external": 50332673}},
          {"index": 4, "driver": {"external": 16778241}},
          {"index": 5, "driver": {"external": 16843777}},
          {"index": 6, "driver": {"external": 33555457}},
          {"index": 7, "pci": {"bus": 16, "slot": 9}},
          {"index": 8, "paused": true}
        ]})";
    }
};

TEST_F(Enumeration, KeepsAdaptersWithRecentFirmwareAndDrivers) {
    // firmware 2.5 (qor1) and driver 1.0 (qor4) are refused; a paused
    // adapter (qor8) does not open.
    std::unique_ptr<std::vector<VirtualDevice>> devices(MorvaneRaidEnumerator().getDeviceVector());
    std::vector<std::string> names;
    for (auto& d : *devices)
        names.push_back(d.getDevice()->getDeviceDescriptor());
    EXPECT_EQ(names, (std::vector<std::string>{"qor0", "qor2", "qor3", "qor5", "qor6", "qor7"}));
}

TEST_F(Enumeration, DeviceTextsAndPciAddress) {
    MorvaneRaidCtrl ctrl("qor0");
    ASSERT_TRUE(ctrl.isDeviceReferenceValid());
    EXPECT_STREQ(ctrl.getDeviceName(), "QR-4400 RAID Controller");
    EXPECT_STREQ(ctrl.getDeviceLocation(), "QR-4400, Bus:3:Dev4:Func0");
    EXPECT_STREQ(ctrl.getDeviceDescription(), "Morvane SCSI RAID Controller");
    EXPECT_EQ(ctrl.getBusNum(), 3);
    EXPECT_EQ(ctrl.getDeviceNum(), 4);
    EXPECT_EQ(ctrl.getFuncNum(), 0);
    EXPECT_EQ(ctrl.getDeviceType(), 1u);

    // Beyond bus 15 the adapter name is the location and its last digit the bus.
    MorvaneRaidCtrl high("qor7");
    ASSERT_TRUE(high.isDeviceReferenceValid());
    EXPECT_STREQ(high.getDeviceLocation(), "qor7");
    EXPECT_EQ(high.getBusNum(), 7);
    EXPECT_EQ(high.getDeviceNum(), 0);
}

TEST_F(Enumeration, RevisionBoundaries) {
    const struct {
        const char* adapter;
        bool firmware;
        bool driver;
    } cases[] = {{"qor1", false, true}, {"qor2", true, true}, {"qor3", true, true},
                 {"qor4", true, false}, {"qor5", true, true}, {"qor6", true, true}};
    for (const auto& c : cases) {
        MorvaneRaidCtrl ctrl(c.adapter);
        ASSERT_TRUE(ctrl.isDeviceReferenceValid()) << c.adapter;
        EXPECT_EQ(ctrl.isFirmwareValid(), c.firmware) << c.adapter;
        EXPECT_EQ(ctrl.isDriverValid(), c.driver) << c.adapter;
        EXPECT_EQ(ctrl.isFilterDriverValid(), c.driver) << c.adapter;
        EXPECT_TRUE(ctrl.isDLLValid()) << c.adapter;
    }
}

TEST_F(Enumeration, MissingOrPausedAdapterGivesAnInvalidDevice) {
    for (const char* name : {"qor9", "qor8", ""}) {
        std::unique_ptr<VarnDiags::DeviceEnum::IDevice> device(MorvaneRaidCtrl().clone(name));
        EXPECT_FALSE(device->isDeviceReferenceValid()) << name;
        EXPECT_STREQ(device->getDeviceDescriptor(), name);
        EXPECT_NE(device->open(VarnDiags::DeviceEnum::IDevice::OPEN_TEST), 0) << name;
    }
}

TEST_F(Enumeration, EndMarkAndNullRecordAddNothing) {
    std::vector<VirtualDevice> devices;
    EXPECT_EQ(VarnDiags::MorvaneRaidDiag::AdapterEnumCallback(FSA_STATUS(4), nullptr, &devices),
              FSA_STS_SUCCESS);
    EXPECT_EQ(VarnDiags::MorvaneRaidDiag::AdapterEnumCallback(FSA_STS_SUCCESS, nullptr, &devices),
              FSA_STS_SUCCESS);
    EXPECT_TRUE(devices.empty());
}

TEST_F(Enumeration, AdapterNameIsTerminatedWhateverTheRecordHolds) {
    // A device name that fills its whole field, with no terminating unit.
    _tagFSA_ADAPTER_ENUM_INFO info{};
    for (auto& unit : info.deviceName)
        unit = U'q';
    std::vector<VirtualDevice> devices;
    EXPECT_EQ(VarnDiags::MorvaneRaidDiag::AdapterEnumCallback(FSA_STS_SUCCESS, &info, &devices),
              FSA_STS_SUCCESS);
    EXPECT_TRUE(devices.empty()); // no such adapter, and nothing read past the field
}

} // namespace
