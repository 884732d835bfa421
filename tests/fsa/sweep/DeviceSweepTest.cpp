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
    out.push_back(deviceOperation("remove dead partitions", 0, FSA_SDO_REMOVE_DEAD_PARTITIONS,
                                  {"partition 1"}));
    out.push_back(row("prepare free drive", kBase,
                      [](void* h) {
                          const FSA_STORAGE_DEVICE d = drive(4);
                          return FsaInitStorageDeviceForFsa(h, 1, &d, 0);
                      },
                      {"slice 4"}));
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
