// Drive addresses the internal id cannot encode: every call that addresses
// a single drive answers 12 and sends nothing to any drive (bus 64 and lun 8
// would otherwise alias the drive at 0:0:0).
#include "DeviceFixture.h"
#include "DriveCalls.h"
#include "FsaContainerInfo.h"
#include "FsaContainerOps.h"
#include "ParamChecks.h"
#include "ScsiCommands.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force);

namespace {

using fsatest::drive;

struct Address {
    const char* name;
    FSA_STORAGE_DEVICE device;
};

const Address kUnencodable[] = {
    {"bus 64", drive(64, 0)},
    {"lun 8", drive(0, 0, 8)},
    {"target 16", drive(0, 16)},
};

// A request that reaches a drive: a SCSI sub-operation other than the bus
// information (which the other drives of a request may need), a disk-set
// query or the lookup of a drive's slice.
bool reachesADrive(const qorsim::JournalEntry& e) {
    return (e.scsiOperation >= 0 && e.scsiOperation != 9) || e.fibCommand == 550 ||
           e.ctCommand == 154;
}

using fsatest::DriveCall;

FSA_STORAGE_DEVICE_SPACE spaceOn(const FSA_STORAGE_DEVICE& d) {
    return {d, 64 * 1024, 1024 * 1024};
}

const tag_FSA_CONTAINER kVolume{0, 0, 4660};

std::vector<DriveCall> rows() {
    std::vector<DriveCall> all = fsatest::partnerRoutedDriveCalls();
    const DriveCall more[] = {
        {"walk from it",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             FSA_STORAGE_DEVICE_INFO info;
             return FsaGetStorageDeviceInfo(h, 1, &d, &info);
         }},
        {"task list",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             FSA_TASK_DESCRIPTOR tasks[4];
             unsigned int count = 0;
             return FsaGetTaskList(h, &d, nullptr, tasks, &count, sizeof tasks);
         }},
        {"prepare for containers",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             return FsaInitStorageDeviceForFsa(h, 1, &d, 1);
         }},
        {"disk search",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             FSA_STORAGE_DEVICE disks[2] = {drive(0, 0), d};
             tag_FSA_CONTAINER del[4], degraded[4];
             unsigned int nDel = 0, nDegraded = 0;
             return FsaFindContainersToDeleteByDisk(h, disks, 2, del, &nDel, sizeof del, degraded,
                                                    &nDegraded, sizeof degraded);
         }},
        {"primary creation",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             const FSA_STORAGE_DEVICE_SPACE spaces[2] = {spaceOn(drive(0, 0)), spaceOn(d)};
             tag_FSA_CONTAINER made{};
             return FsaCreatePrimaryContainer(h, &made, 2, "x", 2, spaces, 65536, nullptr);
         }},
        {"volume growth",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             const FSA_STORAGE_DEVICE_SPACE space = spaceOn(d);
             return FsaGrowPrimaryVolumeSet(h, &kVolume, &space, 0);
         }},
        {"mirror creation",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             tag_FSA_CONTAINER volume = kVolume;
             return FsaCreateMirrorFromVolume(h, &volume, 1, &d);
         }},
        {"reconfiguration",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             const FSA_STORAGE_DEVICE disks[2] = {drive(0, 0), d};
             return FsaMorphContainer(h, &kVolume, 2, 2, disks, 0, 0, 1);
         }},
        {"partition info",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             const FSA_PARTITION partition{d, 0, 0};
             FSA_PARTITION_INFO info;
             return FsaGetFsaPartitionInfo(h, 0, &partition, &info);
         }},
    };
    all.insert(all.end(), std::begin(more), std::end(more));
    return all;
}

class Addressing : public fsatest::DeviceTest {
protected:
    std::string config() const override {
        // A volume on the disk at 0:0:0, for the calls that change one.
        std::string c = fsatest::kDrives;
        const std::string slices = R"("slices": [)";
        c.replace(c.find(slices), slices.size(),
                  R"("containers": {"count": 4, "list": [{"number": 0, "type": 1, "members": [1]}]},
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 2048, "serial": 4660, "slice": 0, "l0Type": 1, "l0Number": 0,
     "l0Members": 1, "flags": 1}],
  "slices": [)");
        return c;
    }
};

TEST_F(Addressing, InternalIdRefusesWhatItCannotEncodeBeforeAsking) {
    for (const Address& a : kUnencodable) {
        sim.clearJournal();
        EXPECT_EQ(SCSI_GetInternalID(ctx(), &a.device), -1) << a.name;
        EXPECT_TRUE(sim.journal().empty()) << a.name;
        EXPECT_EQ(thrown([&] { SCSI_DriveId(ctx(), &a.device); }), 12u) << a.name;
    }
    FSA_STORAGE_DEVICE notScsi = drive(0, 0);
    notScsi.kind = 1;
    EXPECT_EQ(SCSI_GetInternalID(ctx(), &notScsi), -1);
    // The edges of the ranges still name drives.
    const FSA_STORAGE_DEVICE last = drive(63, 15, 7);
    EXPECT_EQ(SCSI_GetInternalID(ctx(), &last), 63 << 7 | 7 << 4 | 15);
    // A target above the highest the adapter reports is refused as before.
    sim.update(0, [](qorsim::Adapter& a) { a.maxTarget = 7; });
    const FSA_STORAGE_DEVICE high = drive(0, 8);
    EXPECT_EQ(SCSI_GetInternalID(ctx(), &high), -1);
}

TEST_F(Addressing, EverySingleDriveCallAnswersDriveNotFound) {
    const qorsim::Adapter before = sim.snapshot(0);
    for (const DriveCall& row : rows()) {
        for (const Address& a : kUnencodable) {
            sim.clearJournal();
            EXPECT_EQ(row.call(handle, a.device), FSA_STATUS(12)) << row.name << ", " << a.name;
            for (const qorsim::JournalEntry& e : sim.journal())
                EXPECT_FALSE(reachesADrive(e))
                    << row.name << ", " << a.name << ": " << e.ctCommand << "/" << e.scsiOperation;
        }
    }
    const qorsim::Adapter after = sim.snapshot(0);
    EXPECT_EQ(after.tasks.size(), before.tasks.size());
    EXPECT_EQ(after.containers.size(), before.containers.size());
    EXPECT_EQ(after.slices[0].data, before.slices[0].data);
}

TEST_F(Addressing, AddressesInsideTheRangesKeepTheirAnswers) {
    const FSA_STORAGE_DEVICE disk = drive(0, 0), noSlice = drive(0, 1);
    FSA_STORAGE_DEVICE_INFO info;
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 0, &disk, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.deviceLocation.scsi.bus, 0);
    EXPECT_EQ(FsaGetStorageDeviceInfo(handle, 0, &noSlice, &info), FSA_STATUS(12));
    ASSERT_EQ(FsaGetStorageDeviceInfo(handle, 1, &disk, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.deviceLocation.scsi.target, 2); // 0:1 has no slice and is skipped
    std::uint32_t count = 0;
    EXPECT_EQ(FsaGetDiskDefects(handle, &disk, 0, &count, nullptr, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(count, 31u);
}

} // namespace
