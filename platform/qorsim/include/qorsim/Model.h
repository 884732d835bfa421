// The simulated controllers' configuration records. Later handlers add their
// own records here (drives, partitions, containers, disk sets) and load them
// from the adapter's JSON object through a section loader.
#pragma once

#include "qorsim/CacheModel.h"
#include "qorsim/DeviceModel.h"
#include "qorsim/MaintenanceModel.h"
#include "qorsim/SoftErrors.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qorsim {

struct Revision {
    std::uint32_t external = 0;
    std::uint32_t build = 0;
};

// One controller task (job). Job status 102 running, 101 suspended; 99 or
// less means ended (1/2 finished, 3 aborted, 4 failed).
struct Task {
    std::uint32_t id = 0;
    std::uint32_t jobCode = 0;
    std::uint32_t objectId = 0;
    std::uint32_t status = 102;
    std::uint32_t total = 1000;
    std::uint32_t current = 0;
    std::uint32_t step = 0; // progress per clock tick while running
    std::uint32_t word7 = 0;
    std::uint32_t word8 = 0;
    bool ignoresTerminate = false; // accepts a terminate request and runs on
    bool ended() const { return status <= 99; }
};

// What the host's disk layer reports for one container.
struct HostDisk {
    std::int32_t instance = 0;
    std::int32_t bus = 0;
    std::int32_t target = 0;
    std::int32_t lun = 0;
    bool valid = true;
    bool locked = false;
    bool deleted = false;
    bool unmapped = false;
    std::string name;
    // Taken out of the host's SCSI layer (/proc/scsi/scsi), which the
    // driver's records above do not show.
    bool removedFromHost = false;
};

// One physical disk as the controller numbers it.
struct Slice {
    std::uint32_t sizeBlocks = 0x100000;
    std::uint32_t driveId = 0;      // internal SCSI id of the disk
    std::uint32_t type = 6;         // 3: a DOS partition, 6: a disk the controller lays out
    bool hasMbr = true;             // carries the controller's MBR
    bool mbrReadable = true;        // false: reading its MBR fails
    std::vector<std::uint8_t> data; // the first bytes of the disk
    // Entries of the disk's own partition table that the in-memory table
    // does not hold (the in-memory entries naming this slice are on it too).
    std::vector<std::array<std::uint8_t, 160>> diskOnly;
};

// A container the controller holds loaded.
struct ContainerRecord {
    std::uint32_t type = 1;             // 5, 6: snapshot kinds
    std::vector<std::uint32_t> members; // partition-table entries
    std::uint16_t userFlags = 0;
    std::uint32_t uid = 0; // 0: derived from the number
    std::array<char, 16> label{};
    std::uint32_t delay = 0;
    std::uint32_t stateFlags = 0;                   // record word 3
    std::array<std::uint32_t, 3> snapshotLinks{};   // record words 135-137
    std::map<std::uint32_t, std::uint32_t> words{}; // further record words by index
    // A snapshot's usage figures as GET_SNAPSHOT_INFO answers them (words
    // s0..s16; s1 non-zero for a snapshot the controller has set up).
    std::array<std::uint32_t, 17> snapshotInfo{};
    bool drained = false; // lock-drained: no further I/O accepted
    bool offline = false;
    bool readOnly = false; // write-protected (MAKE_READ_ONLY)
};

constexpr std::size_t kPartitionBytes = 160;
using PartitionEntry = std::array<std::uint8_t, kPartitionBytes>;

struct Adapter {
    unsigned index = 0;
    bool accessDenied = false; // the device node refuses to open (EACCES)
    bool paused = false;
    // FIB 701: compatible flag and the controller software's revision.
    bool firmwareCompatible = true;
    Revision firmware{0x02070401, 4944};
    // Driver revision request: compatible flag and the driver's revision.
    bool driverCompatible = true;
    Revision driver{0x02070401, 4944};
    // FIB 703 reply words 0..21.
    std::array<std::uint32_t, 22> info{};
    std::uint32_t pciBus = 0;
    std::uint32_t pciSlot = 0;
    std::uint32_t scsiMethod = 0;
    std::uint32_t busCount = 2;
    std::uint32_t maxTarget = 15;
    std::array<std::uint32_t, 72> containerParams{};
    std::array<std::uint32_t, 10> miscStatus{};
    std::uint32_t containerCount = 0;
    std::uint32_t firstHiddenContainer = 0;
    std::uint32_t partitionCapacity = 256; // entries the partition table can take
    bool olderCreateLayout = false;        // refuses CREATE_CONTAINER, takes command 124
    std::vector<Slice> slices;
    std::vector<PartitionEntry> partitions; // the in-memory partition table
    std::map<std::uint32_t, ContainerRecord> containers;
    std::uint32_t configAge = 1;
    std::uint32_t lastDrive = 0;
    std::uint32_t coreDumpBytes = 0;
    std::uint32_t dumpContainer = 0xFFFFFFFF;
    std::array<std::uint8_t, 8> serialNumber{};
    std::vector<std::uint8_t> nvram = std::vector<std::uint8_t>(65536);
    std::vector<Task> tasks;
    std::uint32_t nextTaskId = 1;
    std::map<std::uint32_t, HostDisk> hostDisks; // by container number
    bool eventsOpenedReadWrite = false;          // container sub-command 155 seen
    Maintenance maint;                           // disk sets, NVRAM, battery, flash
    // PAUSE_IO / RELEASE_IO: the CT status each is answered with (0: the
    // controller's normal answer), the length of one second of pause time
    // (shorter in tests), and a paused event that arrives only after the
    // release (out of order).
    struct IoPause {
        std::uint32_t pauseReply = 0;
        std::uint32_t releaseReply = 0;
        std::uint32_t secondMs = 1000;
        bool latePausedEvent = false;
        std::uint64_t generation = 0; // ends an older pause's resume timer
    } io;
    Devices devices; // drives and channels
    SoftErrors softErrors;
    CacheModel cache;

    Task* findTask(std::uint32_t id);
};

struct Model {
    std::map<unsigned, Adapter> adapters; // by device index 0..15
};

} // namespace qorsim
