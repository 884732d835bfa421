// The storage-device record: the controller's list, the field-by-field
// comparison and its log, SMART data, and the device's tasks.
#include "ScsiDevice.h"
#include "DeviceTestsFixture.h"
#include "FsaDevices.h"
#include "MorvaneRaidCtrlDiag.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

using VarnDiags::MorvaneRaidDiag::ScsiDevice;

FSA_STORAGE_DEVICE_INFO diskRecord() {
    FSA_STORAGE_DEVICE_INFO r{};
    r.deviceLocation.scsi = {0, 1, 0, 0, 4660};
    r.scsiStandardDeviceType = 0;
    r.blockCount = 1000;
    r.bytesPerBlock = 512;
    std::memcpy(r.vendorID, "QORSIM  ", 8);
    std::memcpy(r.productID, "DISK-A          ", 16);
    std::memcpy(r.productRev, "1.00", 4);
    return r;
}

class ScsiDeviceRecord : public raidtest::DiskControllerTest {
protected:
    void SetUp() override {
        DiskControllerTest::SetUp();
        compareLog.open("compare.log");
        VarnDiags::MorvaneRaidDiag::pCtrlLogFile = &compareLog;
    }
    void TearDown() override {
        VarnDiags::MorvaneRaidDiag::pCtrlLogFile = nullptr;
        DiskControllerTest::TearDown();
    }
    std::vector<std::string> compareLines() {
        compareLog.flush();
        std::vector<std::string> lines;
        std::istringstream in(fileText("compare.log"));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        compareLog.close();
        compareLog.open("compare.log", std::ios::trunc);
        return lines;
    }
    std::ofstream compareLog;
};

TEST_F(ScsiDeviceRecord, TheListHoldsTheDisksBehindAnEnclosure) {
    const std::vector<ScsiDevice> devices = ctrl->getDeviceVector();
    ASSERT_EQ(devices.size(), 3u);
    const std::pair<unsigned, unsigned> where[] = {{0, 1}, {0, 2}, {1, 3}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(devices[i].getDeviceClass(), FSA_SDC_CONTAINER_COMPATIBLE);
        EXPECT_EQ(devices[i].getDeviceLocation().bus, where[i].first);
        EXPECT_EQ(devices[i].getDeviceLocation().target, where[i].second);
        EXPECT_EQ(devices[i].getDeviceLocation().lun, 0u);
    }
    const ScsiDevice::ScsiInfo info = devices[0].getSCSIinfo();
    EXPECT_EQ(std::string(info.productID, 6), "DISK-A");
    EXPECT_EQ(info.bytesPerBlock, 512u);
    EXPECT_FALSE(devices[0].taskInProgressOnDevice());
    EXPECT_TRUE(devices[2].taskInProgressOnDevice());
}

TEST_F(ScsiDeviceRecord, ComparisonStopsAtTheFirstDifference) {
    const FSA_STORAGE_DEVICE_INFO base = diskRecord();
    const struct {
        const char* line;
        std::function<void(FSA_STORAGE_DEVICE_INFO&)> change;
    } cases[] = {
        {"Unequal sdClass", [](auto& r) { r.sdClass = 3; }},
        {"Unequal deviceLocation.type", [](auto& r) { r.deviceLocation.kind = 1; }},
        {"Unequal busNumber", [](auto& r) { r.deviceLocation.scsi.bus = 1; }},
        {"Unequal scsi id", [](auto& r) { r.deviceLocation.scsi.target = 2; }},
        {"Unequal lun", [](auto& r) { r.deviceLocation.scsi.lun = 1; }},
        {"Unequal adapterSerialNumber", [](auto& r) { r.deviceLocation.scsi.adapterSerial = 1; }},
        {"Unequal scsiStandardDeviceType", [](auto& r) { r.scsiStandardDeviceType = 5; }},
        {"Unequal deviceSubType", [](auto& r) { r.subType = 1; }},
        {"Unequal subType", [](auto& r) { r.blockCount = 2000; }},
        {"Unequal bytesPerBlock", [](auto& r) { r.bytesPerBlock = 4096; }},
        {"Unequal vendorID", [](auto& r) { r.vendorID[7] = 'X'; }},
        {"Unequal productID", [](auto& r) { r.productID[15] = 'X'; }},
        {"Unequal productRev",
         [](auto& r) {
             r.productRev[3] = '1';
             r.bytesPerBlock = 512; // unchanged: only the revision differs
         }},
    };
    const ScsiDevice a(&base, nullptr);
    for (const auto& c : cases) {
        FSA_STORAGE_DEVICE_INFO other = base;
        c.change(other);
        const ScsiDevice b(&other, nullptr);
        EXPECT_FALSE(a == b) << c.line;
        EXPECT_EQ(compareLines(),
                  (std::vector<std::string>{"ScsiDevice::operator==().",
                                            std::string("ScsiDevice::operator==(): ") + c.line}))
            << c.line;
    }
    // Fields the comparison does not read.
    FSA_STORAGE_DEVICE_INFO same = base;
    same.busy = 1;
    same.vendorSpecific[0] = 'Z';
    EXPECT_TRUE(a == ScsiDevice(&same, nullptr));
    EXPECT_EQ(compareLines(), (std::vector<std::string>{"ScsiDevice::operator==().",
                                                        "ScsiDevice::operator==() done."}));
    EXPECT_TRUE(a == a);
    EXPECT_EQ(compareLines(),
              (std::vector<std::string>{"ScsiDevice::operator==().",
                                        "ScsiDevice::operator==(): equal - same object"}));
}

TEST_F(ScsiDeviceRecord, NonStorageDevicesAtOneAddressAreEqual) {
    for (std::uint32_t cls : {2u, 3u}) {
        FSA_STORAGE_DEVICE_INFO x = diskRecord(), y = diskRecord();
        x.sdClass = y.sdClass = cls;
        y.scsiStandardDeviceType = 3;
        std::memcpy(y.productID, "OTHER", 5);
        EXPECT_TRUE(ScsiDevice(&x, nullptr) == ScsiDevice(&y, nullptr)) << cls;
        EXPECT_EQ(compareLines().back(),
                  "ScsiDevice::operator==(): Equal - Device type is NON_STORAGE or UNKNOWN");
    }
}

TEST_F(ScsiDeviceRecord, CopiesOwnTheirRecord) {
    FSA_STORAGE_DEVICE_INFO r = diskRecord();
    ScsiDevice a(&r, nullptr);
    r.bytesPerBlock = 1; // the device keeps its own copy
    ScsiDevice copy(a);
    ScsiDevice assigned;
    assigned = copy;
    assigned = assigned;
    EXPECT_EQ(assigned.getSCSIinfo().bytesPerBlock, 512u);
    EXPECT_TRUE(a == assigned);
    ScsiDevice empty;
    EXPECT_EQ(empty.getDeviceClass(), 0u);
    EXPECT_FALSE(empty == a);
}

TEST_F(ScsiDeviceRecord, SmartData) {
    const std::vector<ScsiDevice> devices = ctrl->getDeviceVector();
    ASSERT_EQ(devices.size(), 3u);
    const auto smart = devices[0].getSmartInfo();
    ASSERT_TRUE(smart);
    EXPECT_EQ(smart->reportingMethod, 4u);
    EXPECT_EQ(smart->intervalTimer, 100u);
    EXPECT_EQ(smart->reportCount, 3u);
    EXPECT_EQ(smart->smartCounter, 7u);
    sim.update(0, [](qorsim::Adapter& a) { a.devices.drives[1].smart.readable = false; });
    EXPECT_FALSE(devices[0].getSmartInfo());
}

TEST_F(ScsiDeviceRecord, TasksOfTheDevice) {
    std::vector<ScsiDevice> devices = ctrl->getDeviceVector();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_TRUE(devices[0].getTaskVector().empty());
    const auto busy = devices[2].getTaskVector();
    ASSERT_EQ(busy.size(), 1u);
    EXPECT_EQ(busy[0].getTaskId(), 20u);

    EXPECT_TRUE(devices[0].startVerifyTask());
    const auto started = devices[0].getTaskVector();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].getTaskState(), VarnDiags::MorvaneRaidDiag::Task::RUNNING);
    // A drive with a task running takes no second verify.
    EXPECT_FALSE(devices[0].startVerifyTask());
    EXPECT_TRUE(devices[1].startBlinkingTask(2));

    sim.update(0, [](qorsim::Adapter& a) { a.devices.drives[2].refusesTasks = true; });
    EXPECT_FALSE(devices[1].startVerifyTask());
}

TEST_F(ScsiDeviceRecord, ReadOnlyHandlesStartNothing) {
    ctrl->close();
    ASSERT_EQ(ctrl->open(VarnDiags::DeviceEnum::IDevice::OPEN_QUERY), 0);
    std::vector<ScsiDevice> devices = ctrl->getDeviceVector();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_FALSE(devices[0].startVerifyTask());
    EXPECT_FALSE(devices[0].startBlinkingTask(2));
}

} // namespace
