// Drives of the cluster partner: answered by the partner's adapter and
// translated back to the local bus numbering.
#include "PartnerFixture.h"

#include <gtest/gtest.h>

namespace {

using fsatest::drive;
using fsatest::Partner;

TEST_F(Partner, DriveOfThePartnerIsAnsweredThere) {
    FSA_STORAGE_DEVICE d = drive(0, 3);
    d.scsi.adapterSerial = 8738;
    FSA_STORAGE_DEVICE_INFO info;
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(std::string(info.productID, 7), "PARTNER");
    EXPECT_EQ(info.deviceLocation.scsi.bus, 0);
    EXPECT_EQ(info.deviceLocation.scsi.adapterSerial, 8738u);

    FSA_SMART_DATA smart;
    ASSERT_EQ(FsaGetSmartDeviceInfo(handle, 0, &d, &smart), FSA_STS_SUCCESS);
    EXPECT_EQ(smart.device.scsi.bus, 0);
}

TEST_F(Partner, DiskOfThePartnersDiskSet) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    FSA_STORAGE_DEVICE_INFO info;
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.inDiskSet, 1u);
    EXPECT_EQ(info.deviceLocation.scsi.bus, 0);
    EXPECT_EQ(info.deviceLocation.scsi.adapterSerial, 8738u);
    EXPECT_EQ(info.initState, 1u); // the partner's view of the disk
    EXPECT_EQ(info.busy, 1u);      // a task runs there

    // Without the partner's answer the disk is of unknown class.
    failNext(On::Scsi, 5, 1, 1);
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &d, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.sdClass, 3u);
    EXPECT_EQ(info.initState, 0u);
}

} // namespace
