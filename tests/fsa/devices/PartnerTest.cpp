// Drives of the cluster partner: answered by the partner's adapter and
// translated back to the local bus numbering.
#include "DeviceFixture.h"

#include <gtest/gtest.h>

namespace {

using fsatest::drive;

// Local bus 0 is the partner's bus 1. Local disk (0,0,0) belongs to a disk
// set the partner owns; the partner sees it as (1,0,0).
const char* kCluster = R"({"adapters": [
  {"index": 0, "serial": 4660, "cluster": {"id": 5, "busMap": [1, 0]},
   "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 3, "product": "LOCAL"}],
   "slices": [{"drive": 0}],
   "diskSets": [{"number": 77, "creator": 1, "owner": 8738, "members": [0]}]},
  {"index": 2, "serial": 8738, "cluster": {"id": 5, "busMap": [1, 0]},
   "drives": [{"bus": 1, "target": 0, "product": "SEEN-BY-PARTNER"},
              {"bus": 1, "target": 3, "product": "PARTNER"}],
   "slices": [{"drive": 128}, {"drive": 131}],
   "tasks": [{"id": 4, "job": 2, "object": 128}]}
]})";

class Partner : public fsatest::DeviceTest {
protected:
    std::string config() const override { return kCluster; }
    void SetUp() override {
        ContextTest::SetUp();
        partner = open("qor2");
        // What a clustered open records: the partner's handle in the table.
        FSAAPI_CONTEXT* c = ctx();
        c->partnerHandle = UtilValueFromHandle(partner);
        c->adapters[1] = {c->partnerHandle, 8738, 0};
        c->adapterCount = 2;
    }
    void TearDown() override {
        ctx()->partnerHandle = 0;
        ctx()->adapterCount = 1;
        FsaCloseAdapter(partner);
        ContextTest::TearDown();
    }
    void* partner = nullptr;
};

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
