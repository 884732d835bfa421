// Drive operations, SMART changes and defect lists against the simulated drives.
#include "DeviceFixture.h"
#include "ScsiCommands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

using fsatest::drive;

class DeviceOps : public fsatest::DeviceTest {
protected:
    std::vector<qorsim::Task> tasksOn(std::uint32_t id) const {
        std::vector<qorsim::Task> out;
        for (const qorsim::Task& t : sim.snapshot(0).tasks)
            if (t.objectId == id)
                out.push_back(t);
        return out;
    }
};

TEST_F(DeviceOps, ScsiCarrierAndIds) {
    std::uint8_t data[457] = {};
    EXPECT_EQ(SCSI_sendfib(ctx(), 0, 5, data, 457, 0), FSA_STS_SCSI_TOO_LARGE);
    EXPECT_EQ(SCSI_sendfib(ctx(), 0, 9, data, 456, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(SCSI_sendfib(ctx(), 1234, 5, data, 108, 0), FSA_STS_SCSI_BAD_STATUS);
    EXPECT_THROW(SCSI_sendfib(ctx(), 1234, 5, data, 108, 1), FSA_STATUS);

    FSA_STORAGE_DEVICE d = drive(1, 2, 3);
    EXPECT_EQ(SCSI_GetInternalID(ctx(), &d), 178);
    d = drive(0, 16);
    EXPECT_EQ(SCSI_GetInternalID(ctx(), &d), -1);

    // The owner of the drive's disk set names the adapter the drive belongs to.
    FSA_STORAGE_DEVICE out;
    SCSI_GetStandardID(ctx(), &out, 128);
    EXPECT_EQ(out.scsi.bus, 1);
    EXPECT_EQ(out.scsi.adapterSerial, 999u);
    SCSI_GetStandardID(ctx(), &out, 178);
    EXPECT_EQ(out.scsi.target, 2);
    EXPECT_EQ(out.scsi.lun, 3);
    EXPECT_EQ(out.scsi.adapterSerial, 4660u);
}

TEST_F(DeviceOps, VerifyAndZeroStartTasks) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    std::uint32_t arg[8] = {};
    ASSERT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_VERIFY, arg), FSA_STS_SUCCESS);
    ASSERT_EQ(tasksOn(0).size(), 1u);
    EXPECT_EQ(tasksOn(0)[0].jobCode, 2u);
    // A running task refuses the next one.
    EXPECT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_VERIFY_REPAIR, arg), FSA_STATUS(270));

    const FSA_STORAGE_DEVICE refusing = drive(1, 0);
    EXPECT_EQ(FsaStorageDevice(handle, &refusing, FSA_SDO_VERIFY, arg), FSA_STATUS(518));
    EXPECT_EQ(FsaStorageDevice(handle, &refusing, FSA_SDO_ZERO_FORCE, arg),
              FSA_STS_SCSI_BAD_STATUS);
    const FSA_STORAGE_DEVICE dos = drive(0, 2);
    EXPECT_EQ(FsaStorageDevice(handle, &dos, FSA_SDO_ZERO_UNLESS_DOS, arg), FSA_STATUS(20));
    EXPECT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_ZERO_UNLESS_MBR, arg), FSA_STATUS(20));
    ASSERT_EQ(FsaStorageDevice(handle, &dos, FSA_SDO_ZERO_UNLESS_MBR, arg), FSA_STS_SUCCESS);
    ASSERT_EQ(tasksOn(2).size(), 1u);
    EXPECT_EQ(tasksOn(2)[0].jobCode, 4u);
    EXPECT_EQ(FsaStorageDevice(handle, &refusing, FSA_SDO_ZERO, arg), FSA_STS_SCSI_BAD_STATUS);
}

// The drive's task list decides whether it may be zeroed or verified; a
// damaged list must not read as "no tasks" and start a busy drive.
TEST_F(DeviceOps, DamagedTaskListRefusesTheDrive) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    std::uint32_t arg[8] = {};
    ASSERT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_VERIFY, arg), FSA_STS_SUCCESS);
    const auto cutTo = [](std::size_t size) {
        return [size](std::uint8_t* fib) {
            qorsim::put16(fib, qorsim::kSize, static_cast<std::uint16_t>(size));
            std::memset(fib + size, 0, qorsim::kFibBytes - size);
        };
    };
    struct Case {
        const char* name;
        std::function<void(std::uint8_t*)> damage;
        FSA_STATUS expected;
    };
    const Case cases[] = {
        {"intact", nullptr, FSA_STATUS(270)},
        {"cut into the status words", cutTo(qorsim::kFibHeader + 4), FSA_STS_FAILURE},
        {"cut inside the record", cutTo(qorsim::kFibHeader + 20), FSA_STS_FAILURE},
        {"failure status", [](std::uint8_t* f) { qorsim::put32(f, qorsim::kFibHeader, 1); },
         FSA_STS_FAILURE},
    };
    for (const std::uint32_t op : {FSA_SDO_ZERO, FSA_SDO_ZERO_FORCE, FSA_SDO_VERIFY_REPAIR}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", operation " + std::to_string(op));
            if (c.damage) {
                qorsim::Fault fault;
                fault.aifRequest = 102;
                fault.mutateReply = c.damage;
                sim.inject(fault);
            }
            EXPECT_EQ(FsaStorageDevice(handle, &d, op, arg), c.expected);
            ASSERT_EQ(tasksOn(0).size(), 1u); // only the verify started above
            EXPECT_EQ(tasksOn(0)[0].jobCode, 2u);
        }
    }
}

// A slice number the adapter does not have is a damaged answer: the drive
// is left alone rather than worked on through a slice that does not exist.
TEST_F(DeviceOps, SliceOutsideTheAdapterRefusesTheDrive) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    std::uint32_t arg[8] = {};
    for (const std::uint32_t op : {FSA_SDO_ZERO, FSA_SDO_ZERO_UNLESS_DOS, FSA_SDO_VERIFY}) {
        SCOPED_TRACE("operation " + std::to_string(op));
        qorsim::Fault fault;
        fault.ctCommand = 154;
        fault.mutateReply = [](std::uint8_t* fib) {
            qorsim::put32(fib, qorsim::kFibHeader + 8, 219);
        };
        sim.inject(fault);
        EXPECT_EQ(FsaStorageDevice(handle, &d, op, arg), FSA_STS_FAILURE);
        EXPECT_TRUE(tasksOn(0).empty());
    }
}

TEST_F(DeviceOps, OperationRefusals) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    const FSA_STORAGE_DEVICE noSlice = drive(0, 1);
    std::uint32_t arg[8] = {};
    EXPECT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_RESERVED, arg), FSA_STS_NOT_IMPLEMENTED);
    EXPECT_EQ(FsaStorageDevice(handle, &d, 9, arg), FSA_STS_BAD_OPERATION);
    EXPECT_EQ(FsaStorageDevice(handle, &noSlice, FSA_SDO_VERIFY, arg), FSA_STATUS(12));
    EXPECT_EQ(FsaStorageDevice(handle, nullptr, FSA_SDO_VERIFY, arg), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_BLINK, nullptr), FSA_STS_BAD_ARGUMENTS);

    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaStorageDevice(readOnly, &d, FSA_SDO_VERIFY, arg), FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);

    ctx()->paused = 1;
    EXPECT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_VERIFY, arg), FSA_STS_ADAPTER_PAUSED);
    ctx()->paused = 0;
    EXPECT_TRUE(tasksOn(0).empty());
}

TEST_F(DeviceOps, DeadPartitionsOfTheDrive) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    std::uint32_t arg[8] = {};
    const auto reconfigs = [&] {
        std::size_t n = 0;
        for (const auto& e : sim.journal())
            n += e.ctCommand == 34;
        return n;
    };
    const std::size_t before = reconfigs();
    EXPECT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_REMOVE_DEAD_PARTITIONS, arg), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaStorageDevice(handle, &d, FSA_SDO_REMOVE_DEAD_PARTITIONS, nullptr),
              FSA_STS_SUCCESS);
    EXPECT_EQ(reconfigs(), before + 2); // the controller reconfigures after each
}

TEST_F(DeviceOps, SetSmart) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    FSA_SMART_DATA want;
    ASSERT_EQ(FsaGetSmartDeviceInfo(handle, 0, &d, &want), FSA_STS_SUCCESS);
    // Unchanged: the pages are still written, twice.
    ASSERT_EQ(FsaSetSmartDeviceInfo(handle, 0, &d, &want), FSA_STS_SUCCESS);
    EXPECT_EQ(simDrive(0).smart.selects, 2u);

    want.mrie = 6;
    want.perf = 1;
    want.dexcpt = 1;
    want.intervalTimer = 0x01020304;
    want.reportCount = 9;
    ASSERT_EQ(FsaSetSmartDeviceInfo(handle, 0, &d, &want), FSA_STS_SUCCESS);
    const qorsim::IePage page = simDrive(0).smart.current;
    EXPECT_EQ(page[2], 0x88);
    EXPECT_EQ(page[3], 6);
    EXPECT_EQ(page[4], 1);
    EXPECT_EQ(page[7], 4);
    EXPECT_EQ(page[11], 9);

    FSA_SMART_DATA bad = want;
    bad.mrie = 1;
    EXPECT_EQ(FsaSetSmartDeviceInfo(handle, 0, &d, &bad), FSA_STATUS(337));
    bad.mrie = 7;
    EXPECT_EQ(FsaSetSmartDeviceInfo(handle, 0, &d, &bad), FSA_STATUS(337));

    sim.update(0, [](qorsim::Adapter& a) { a.devices.find(0)->smart.selectIgnored = true; });
    want.mrie = 2;
    EXPECT_EQ(FsaSetSmartDeviceInfo(handle, 0, &d, &want), FSA_STATUS(384));
}

TEST_F(DeviceOps, SetSmartFieldsThatCannotChange) {
    const FSA_STORAGE_DEVICE fixed = drive(0, 2);
    FSA_SMART_DATA cur;
    ASSERT_EQ(FsaGetSmartDeviceInfo(handle, 0, &fixed, &cur), FSA_STS_SUCCESS);
    struct Case {
        std::uint32_t FSA_SMART_DATA::*field;
        std::uint32_t value;
        std::uint32_t status;
    } cases[] = {
        {&FSA_SMART_DATA::mrie, 5, 377},          {&FSA_SMART_DATA::dexcpt, 1, 378},
        {&FSA_SMART_DATA::logErr, 1, 379},        {&FSA_SMART_DATA::perf, 1, 380},
        {&FSA_SMART_DATA::intervalTimer, 5, 381}, {&FSA_SMART_DATA::test, 1, 382},
        {&FSA_SMART_DATA::reportCount, 5, 387},
    };
    for (const Case& c : cases) {
        FSA_SMART_DATA want = cur;
        want.*c.field = c.value;
        EXPECT_EQ(FsaSetSmartDeviceInfo(handle, 0, &fixed, &want), FSA_STATUS(c.status));
    }
    EXPECT_EQ(simDrive(2).smart.selects, 0u);

    FSA_SMART_DATA want = cur;
    const FSA_STORAGE_DEVICE noSlice = drive(0, 1);
    sim.update(0, [](qorsim::Adapter& a) { a.devices.find(2)->ready = false; });
    EXPECT_EQ(FsaSetSmartDeviceInfo(handle, 0, &fixed, &want), FSA_STATUS(383));
    EXPECT_EQ(want.smartSupported, 0u);
    EXPECT_EQ(FsaSetSmartDeviceInfo(handle, 0, &noSlice, &want), FSA_STATUS(12));
    EXPECT_EQ(FsaSetSmartDeviceInfo(handle, 0, nullptr, &want), FSA_STS_BAD_ARGUMENTS);
    // next: the first drive.
    want = cur;
    ASSERT_EQ(FsaSetSmartDeviceInfo(handle, 1, nullptr, &want), FSA_STS_SUCCESS);
    EXPECT_EQ(want.device.scsi.target, 0);
}

TEST_F(DeviceOps, ClearAndUpdateSmart) {
    const FSA_STORAGE_DEVICE d = drive(0, 0), six = drive(0, 2), enclosure = drive(0, 3);
    ASSERT_EQ(FsaClearSmartDevice(handle, &d), FSA_STS_SUCCESS);
    EXPECT_EQ(simDrive(0).smart.counter, 0u);
    EXPECT_EQ(simDrive(0).smart.clears, 1u);
    failNext(On::Scsi, 5);
    EXPECT_NE(FsaClearSmartDevice(handle, &d), FSA_STS_SUCCESS);
    EXPECT_EQ(simDrive(0).smart.clears, 1u);

    EXPECT_EQ(FsaUpdateSmartDevice(handle, &d), FSA_STATUS(468)); // MRIE 4
    EXPECT_EQ(FsaUpdateSmartDevice(handle, &enclosure), FSA_STATUS(383));
    ASSERT_EQ(FsaUpdateSmartDevice(handle, &six), FSA_STS_SUCCESS);
    EXPECT_EQ(simDrive(2).smart.updates, 1u);
    failNext(On::Scsi, 70);
    EXPECT_NE(FsaUpdateSmartDevice(handle, &six), FSA_STS_SUCCESS);
}

TEST_F(DeviceOps, SmartChangeIsAnnounced) {
    // Written by the receive thread of the other client.
    static std::mutex mutex;
    static std::vector<FSA_EVENT_DETAILS> seen;
    seen.clear();
    auto callback = [](void*, std::uint32_t bit, FSA_EVENT_DETAILS* details, void*) {
        if (bit == 0x100000 && details) {
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back(*details);
        }
        return 1;
    };
    // The other clients of the adapter hear of it.
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    ASSERT_EQ(FsaRegisterGeneralCallback(other, 0x100000, callback, nullptr), FSA_STS_SUCCESS);
    const FSA_STORAGE_DEVICE six = drive(0, 2);
    ASSERT_EQ(FsaUpdateSmartDevice(handle, &six), FSA_STS_SUCCESS);
    EXPECT_TRUE(eventually([] {
        std::lock_guard<std::mutex> lock(mutex);
        return seen.size() == 1;
    }));
    FsaCloseAdapter(other);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].words[3], 5u);
    FSA_STORAGE_DEVICE got;
    std::memcpy(&got, seen[0].words, sizeof got);
    EXPECT_EQ(got.scsi.target, 2);
}

TEST_F(DeviceOps, DefectLists) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    std::uint32_t count = 0;
    FSA_DISK_DEFECT entries[40] = {};
    ASSERT_EQ(FsaGetDiskDefects(handle, &d, 0, &count, entries, 40), FSA_STS_SUCCESS);
    EXPECT_EQ(count, 31u);
    using Pieces = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    EXPECT_EQ(simDrive(0).defectPieces, (Pieces{{0, 15}, {15, 15}, {30, 1}}));
    EXPECT_EQ(entries[30].cylinder, 1030u);
    EXPECT_EQ(entries[30].head, 30u % 16);
    EXPECT_EQ(entries[30].sector, 210u);

    ASSERT_EQ(FsaGetDiskDefects(handle, &d, 1, &count, entries, 40), FSA_STS_SUCCESS);
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(simDrive(0).defectPieces.size(), 5u); // 15 and 1 more

    FSA_DISK_DEFECT few[10] = {};
    few[9].cylinder = 0;
    EXPECT_EQ(FsaGetDiskDefects(handle, &d, 0, &count, few, 10), FSA_STS_BUFFER_TOO_SMALL);
    EXPECT_EQ(few[9].cylinder, 1009u);

    EXPECT_EQ(FsaGetDiskDefects(handle, &d, 0, &count, nullptr, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(count, 31u);
    EXPECT_EQ(FsaGetDiskDefects(handle, &d, 2, &count, entries, 40), FSA_STS_BAD_OPERATION);
    failNext(On::Scsi, 66, 1, 1);
    EXPECT_NE(FsaGetDiskDefects(handle, &d, 0, &count, entries, 40), FSA_STS_SUCCESS);
}

} // namespace
