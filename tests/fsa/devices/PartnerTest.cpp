// Drives of the cluster partner: answered by the partner's adapter and
// translated back to the local bus numbering; refused, with nothing sent to
// the partner, when the cluster does not map their bus.
#include "DriveCalls.h"
#include "PartnerFixture.h"

#include <gtest/gtest.h>

#include <string>

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

// Local bus 1 is not shared: the cluster maps it to no bus of the partner.
// Sent unmapped, local drive 1:3 would name the partner's own drive 1:3.
class UnmappedBus : public Partner {
protected:
    std::string config() const override {
        std::string c = fsatest::kCluster;
        const std::string shared = R"("busMap": [1, 0])";
        c.replace(c.find(shared), shared.size(), R"("busMap": [1, 255])");
        return c;
    }
};

TEST_F(UnmappedBus, EveryPartnerRoutedDriveCallIsRefusedWithNothingSentThere) {
    FSA_STORAGE_DEVICE unshared = drive(1, 3);
    unshared.scsi.adapterSerial = 8738;
    const qorsim::Adapter before = sim.snapshot(2);
    for (const fsatest::DriveCall& row : fsatest::partnerRoutedDriveCalls()) {
        sim.clearJournal();
        EXPECT_EQ(row.call(handle, unshared), FSA_STATUS(433)) << row.name;
        for (const qorsim::JournalEntry& e : sim.journal())
            EXPECT_NE(e.adapter, 2)
                << row.name << ": FIB " << e.fibCommand << " reached the partner";
    }
    const qorsim::Adapter after = sim.snapshot(2);
    EXPECT_EQ(after.tasks.size(), before.tasks.size()) << "a task started on the partner";
    EXPECT_EQ(after.slices[1].data, before.slices[1].data);
}

} // namespace
