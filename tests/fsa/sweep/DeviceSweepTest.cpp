// Storage-device operations, preparation and NVRAM writes under a failure
// at every FIB.
#include "SweepConfig.h"

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force);

namespace fsasweep {
namespace {

Row deviceOperation(const char* name, std::uint8_t target, std::uint32_t op,
                    std::vector<std::string> touches) {
    return row(
        name, kBase,
        [target, op](void* h) {
            const FSA_STORAGE_DEVICE d = drive(target);
            std::uint32_t argument = 0;
            return FsaStorageDevice(h, &d, op, &argument);
        },
        std::move(touches));
}

// FsaInitStorageDeviceForFsa on a bus-0 disk, with the override flag.
Row prepare(const char* name, std::uint8_t target, int force, std::vector<std::string> touches) {
    return row(
        name, kBase,
        [target, force](void* h) {
            const FSA_STORAGE_DEVICE d = drive(target);
            return FsaInitStorageDeviceForFsa(h, 1, &d, force);
        },
        std::move(touches));
}

Row nvram(const char* name, FSA_NVRAM_OPERATION op) {
    return row(name, kBase,
               [op](void* h) {
                   FSA_NVRAM_INFO info{};
                   return FsaNvram(h, op, &info);
               },
               {"nvram", "cache slot *"});
}

// Left out: blinking (operation 7) starts a worker thread that sends its
// own FIBs while the call has long returned, so the count of a run is not
// the call's. Flash writes have a table of their own.
std::vector<Row> rows() {
    std::vector<Row> out;
    // Verify and zero start a task on the drive; nothing else may change.
    out.push_back(deviceOperation("verify free drive", 4, FSA_SDO_VERIFY, {"task *"}));
    out.push_back(deviceOperation("zero free drive", 4, FSA_SDO_ZERO, {"task *", "slice 4"}));
    out.push_back(deviceOperation("zero forced", 4, FSA_SDO_ZERO_FORCE, {"task *", "slice 4"}));
    // Drive 1 holds container 2: zeroing it unforced is refused (137), and
    // no damaged answer may make the drive look free.
    Row busy = deviceOperation("zero drive holding a container", 1, FSA_SDO_ZERO, {});
    busy.cleanStatus = FSA_STATUS(137);
    out.push_back(busy);
    // The second half of mirror 3 (partition 4 on disk 3) is dead while the
    // mirror lives on: its entry goes, nothing of the first half may.
    // No argument: every dead partition of the disk.
    Row dead = row("remove dead partitions", kBase,
                   [](void* h) {
                       const FSA_STORAGE_DEVICE d = drive(3);
                       return FsaStorageDevice(h, &d, FSA_SDO_REMOVE_DEAD_PARTITIONS, nullptr);
                   },
                   {"partition 4", "container 3"});
    dead.setup = [](qorsim::Adapter& a) { qorsim::put32(a.partitions.at(4).data(), 64, 1u << 1); };
    out.push_back(dead);
    out.push_back(prepare("prepare free drive", 4, 0, {"slice 4"}));
    // Forced: the drive's container (container 2 on disk 1) goes with its
    // host disk, or a running task on it is ended first.
    // A refused read of a container's record stops the deletion before
    // anything is destroyed: never success with a record left.
    Row forced = prepare("prepare forced a drive holding a container", 1, 1,
                         {"container 2", "host disk 2", "partition 2", "slice 1"});
    forced.notServed = kRecordReads;
    out.push_back(forced);
    Row task = prepare("prepare forced a drive with a running task", 4, 1, {"task *", "slice 4"});
    task.setup = [](qorsim::Adapter& a) {
        qorsim::Task t;
        t.id = 7;
        t.jobCode = 3; // a device job
        t.objectId = 4;
        a.tasks.push_back(t);
    };
    task.callerFibsOnly = true;
    out.push_back(task);
    out.push_back(nvram("nvram release orphans", FSA_NVRAM_RELEASE_ORPHANS));
    out.push_back(nvram("nvram recondition", FSA_NVRAM_RECONDITION));
    out.push_back(nvram("nvram new battery", FSA_NVRAM_NEW_BATTERY));
    return out;
}

class DeviceSweep : public SweepTest {};
TEST_P(DeviceSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, DeviceSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
