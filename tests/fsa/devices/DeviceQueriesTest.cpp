// Drive information, SMART settings and channels as the queries report them.
#include "DeviceFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using fsatest::drive;

struct Expected {
    std::uint8_t bus, target, lun;
    std::uint32_t sdClass, initState, type, subType, transferMode, busy;
};

class DeviceQueries : public fsatest::DeviceTest {};

TEST_F(DeviceQueries, EnumerationReportsEveryDriveKind) {
    const Expected expected[] = {
        {0, 0, 0, 0, 1, 0, 0, 7, 0},  // controller MBR: 40 MB/s wide
        {0, 2, 0, 0, 2, 0, 0, 9, 0},  // DOS disk; the disk without slice is skipped
        {0, 3, 0, 2, 0, 3, 1, 0, 0},  // SAF-TE enclosure
        {0, 4, 0, 2, 0, 3, 3, 0, 0},  // processor lun 0; luns 1 and 2 are skipped
        {0, 5, 0, 3, 5, 0, 0, 4, 0},  // slice of kind 7; slow, flag bit 2, wide
        {0, 6, 0, 0, 1, 0, 0, 7, 1},  // a task runs on it
        {1, 0, 0, 3, 4, 0, 0, 10, 0}, // disk set of another node
        {1, 5, 0, 2, 0, 0, 0, 0, 0},  // not ready
    };
    FSA_STORAGE_DEVICE_INFO info;
    const FSA_STORAGE_DEVICE* previous = nullptr;
    FSA_STORAGE_DEVICE at{};
    for (const Expected& e : expected) {
        ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 1, previous, &info), FSA_STS_SUCCESS);
        const FSA_STORAGE_DEVICE& d = info.deviceLocation;
        const std::string where = std::to_string(e.bus) + "," + std::to_string(e.target);
        EXPECT_EQ(d.scsi.bus, e.bus) << where;
        EXPECT_EQ(d.scsi.target, e.target) << where;
        EXPECT_EQ(d.scsi.lun, e.lun) << where;
        EXPECT_EQ(d.scsi.adapterSerial, 4660u) << where;
        EXPECT_EQ(info.sdClass, e.sdClass) << where;
        EXPECT_EQ(info.initState, e.initState) << where;
        EXPECT_EQ(info.scsiStandardDeviceType, e.type) << where;
        EXPECT_EQ(info.subType, e.subType) << where;
        EXPECT_EQ(info.transferMode, e.transferMode) << where;
        EXPECT_EQ(info.busy, e.busy) << where;
        at = d;
        previous = &at;
    }
    EXPECT_EQ(FsaGetStorageDeviceInfo(handle, 1, previous, &info), FSA_STATUS(10));
}

TEST_F(DeviceQueries, OneDriveRecord) {
    FSA_STORAGE_DEVICE_INFO info;
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(std::string(info.vendorID, 8), "QORSIM  ");
    EXPECT_EQ(std::string(info.productID, 16), "DISK-A          ");
    EXPECT_EQ(info.ready, 1u);
    EXPECT_EQ(info.blockCount, 0x100000u);
    EXPECT_EQ(info.bytesPerBlock, 512u);
    EXPECT_EQ(info.transferRate, 80u);
    EXPECT_EQ(info.sliceValue1, 0x100000u - 128);
    EXPECT_EQ(info.blinking, 0u);
    EXPECT_EQ(info.inDiskSet, 0u);

    const FSA_STORAGE_DEVICE inSet = drive(1, 0);
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &inSet, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.inDiskSet, 1u);
    EXPECT_EQ(info.diskSetInfo.words[0], 77u);
}

TEST_F(DeviceQueries, Refusals) {
    FSA_STORAGE_DEVICE_INFO info;
    const FSA_STORAGE_DEVICE noSlice = drive(0, 1);
    EXPECT_EQ(FsaGetStorageDeviceInfo(handle, 0, nullptr, &info), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaGetStorageDeviceInfo(handle, 0, &noSlice, &info), FSA_STATUS(12));
    EXPECT_EQ(FsaGetStorageDeviceInfo(handle, 0, &noSlice, nullptr), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaGetStorageDeviceInfo(nullptr, 1, nullptr, &info), FSA_STS_INVALID_HANDLE);

    // A failed device-data request is returned; a failed capacity marks the drive.
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    failNext(On::Scsi, 5);
    EXPECT_NE(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    failNext(On::Scsi, 6);
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.initState, 3u);
    EXPECT_EQ(info.sdClass, 2u);
    EXPECT_EQ(info.blockCount, 0u);
    // A partition table that cannot be read makes the disk unusable.
    sim.update(0, [](qorsim::Adapter& a) { a.slices[0].hasMbr = false; });
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.initState, 3u);
    EXPECT_EQ(info.sdClass, 2u);
    EXPECT_EQ(info.transferRate, 0u);
    // The first drive cannot be found.
    failNext(On::Scsi, 1);
    EXPECT_EQ(FsaGetStorageDeviceInfo(handle, 1, nullptr, &info), FSA_STATUS(10));
}

TEST_F(DeviceQueries, FailoverCountComesFromTheSlice) {
    // Block 2 of the slice records three failover assignments.
    sim.update(0, [](qorsim::Adapter& a) {
        std::vector<std::uint8_t>& data = a.slices[4].data;
        data.assign(1536, 0);
        const std::uint32_t tags[] = {0x1FA11FA1u, 0x00092755u, 0x12345678u, 0x1FA11FA1u};
        for (std::size_t i = 0; i < std::size(tags); ++i)
            std::memcpy(data.data() + 1024 + 8 * i, &tags[i], 4);
    });
    FSA_STORAGE_DEVICE_INFO info;
    const FSA_STORAGE_DEVICE d = drive(0, 6);
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.failoverCount, 3u);
}

TEST_F(DeviceQueries, SmartSettings) {
    FSA_SMART_DATA smart;
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    ASSERT_EQ(FsaGetSmartDeviceInfo(handle, 0, &d, &smart), FSA_STS_SUCCESS);
    EXPECT_EQ(smart.smartSupported, 1u);
    EXPECT_EQ(smart.mrie, 4u);
    EXPECT_EQ(smart.intervalTimer, 100u);
    EXPECT_EQ(smart.reportCount, 3u);
    EXPECT_EQ(smart.smartCounter, 7u);
    EXPECT_EQ(smart.perf + smart.dexcpt + smart.logErr + smart.test, 0u);
    EXPECT_EQ(smart.mrieChangeable, 1u);
    EXPECT_EQ(smart.perfChangeable, 1u);
    EXPECT_EQ(smart.dexcptChangeable, 1u);
    EXPECT_EQ(smart.testChangeable, 1u);
    EXPECT_EQ(smart.logErrChangeable, 1u);
    EXPECT_EQ(smart.intervalTimerChangeable, 1u);
    EXPECT_EQ(smart.reportCountChangeable, 1u);
    EXPECT_EQ(smart.device.scsi.target, 0u);
    EXPECT_EQ(smart.device.scsi.adapterSerial, 0u);

    const FSA_STORAGE_DEVICE fixed = drive(0, 2);
    ASSERT_EQ(FsaGetSmartDeviceInfo(handle, 0, &fixed, &smart), FSA_STS_SUCCESS);
    EXPECT_EQ(smart.mrie, 6u);
    EXPECT_EQ(smart.mrieChangeable + smart.perfChangeable + smart.reportCountChangeable, 0u);
}

TEST_F(DeviceQueries, SmartNotSupported) {
    struct Case {
        const char* what;
        FSA_STORAGE_DEVICE device;
        int failOp;
    } cases[] = {
        {"enclosure", drive(0, 3), -1},
        {"no slice", drive(0, 1), -1},
        {"not ready", drive(1, 5), -1},
        {"counter fails", drive(0, 0), 67},
        {"device data fail (second ask)", drive(0, 0), 5},
    };
    for (const Case& c : cases) {
        if (c.failOp > 0)
            failNext(On::Scsi, c.failOp, 1, c.failOp == 5 ? 1 : 0);
        FSA_SMART_DATA smart;
        EXPECT_EQ(FsaGetSmartDeviceInfo(handle, 0, &c.device, &smart), FSA_STS_SUCCESS) << c.what;
        EXPECT_EQ(smart.smartSupported, 0u) << c.what;
        EXPECT_EQ(smart.mrie, 0u) << c.what;
        EXPECT_EQ(smart.device.scsi.target, c.device.scsi.target) << c.what;
    }
    FSA_SMART_DATA smart;
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    failNext(On::Scsi, 5);
    EXPECT_NE(FsaGetSmartDeviceInfo(handle, 0, &d, &smart), FSA_STS_SUCCESS);
    failNext(On::Scsi, 17);
    EXPECT_NE(FsaGetSmartDeviceInfo(handle, 0, &d, &smart), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaGetSmartDeviceInfo(handle, 0, nullptr, &smart), FSA_STS_BAD_ARGUMENTS);
}

TEST_F(DeviceQueries, SmartEnumeration) {
    FSA_SMART_DATA smart;
    std::vector<int> targets;
    const FSA_STORAGE_DEVICE* previous = nullptr;
    FSA_STORAGE_DEVICE at{};
    FSA_STATUS s;
    while ((s = FsaGetSmartDeviceInfo(handle, 1, previous, &smart)) == FSA_STS_SUCCESS) {
        targets.push_back(smart.device.scsi.bus * 100 + smart.device.scsi.target * 10 +
                          smart.device.scsi.lun);
        at = smart.device;
        previous = &at;
        ASSERT_LT(targets.size(), 20u);
    }
    EXPECT_EQ(s, FSA_STATUS(10));
    EXPECT_EQ(targets, (std::vector<int>{0, 10, 20, 30, 40, 41, 42, 50, 60, 100, 150}));
}

struct Channel {
    std::uint32_t count;
    _tagFSA_CHANNEL_ENUM_INFO info;
};

void collect(std::uint32_t count, const _tagFSA_CHANNEL_ENUM_INFO* info, void* user) {
    static_cast<std::vector<Channel>*>(user)->push_back({count, *info});
}

TEST_F(DeviceQueries, Channels) {
    std::vector<Channel> seen;
    ASSERT_EQ(FsaEnumChannels(handle, &seen, collect), FSA_STS_SUCCESS);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].count, 2u);
    EXPECT_EQ(seen[0].info.channel, 0u);
    EXPECT_EQ(seen[0].info.channelByte, 7);
    EXPECT_EQ(seen[0].info.state, 0u); // 1 -> 0
    EXPECT_EQ(seen[1].info.channelByte, 9);
    EXPECT_EQ(seen[1].info.state, 4u); // unknown code
    EXPECT_EQ(seen[1].info.highestTarget, 15u);

    seen.clear();
    failNext(On::Scsi, 9);
    EXPECT_EQ(FsaEnumChannels(handle, &seen, collect), FSA_STS_NOT_IMPLEMENTED);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(FsaEnumChannels(handle, &seen, nullptr), FSA_STS_BAD_ARGUMENTS);
}

} // namespace
