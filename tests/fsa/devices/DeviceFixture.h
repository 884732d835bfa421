#pragma once

// An adapter with drives of every kind the drive queries tell apart.

#include "ContextFixture.h"
#include "FsaApi.h"

#include <chrono>
#include <thread>

namespace fsatest {

// Bus 0: a disk with the controller's MBR (0,0,0), a disk without a slice
// (0,1,0), a DOS disk (0,2,0), a SAF-TE enclosure (0,3,0), a processor with
// three luns (0,4,0..2), a disk whose slice is of kind 7 (0,5,0), a disk
// whose capacity reads as 0 and that runs a task (0,6,0). Bus 1: a disk that refuses tasks, in a
// disk set of another node (1,0,0), a drive that is not ready (1,5,0).
inline const char* kDrives = R"({"adapters": [{"index": 0, "serial": 4660,
  "drives": [
    {"bus": 0, "target": 0, "vendor": "QORSIM", "product": "DISK-A", "rate": 40,
     "smart": {"mrie": 4, "interval": 100, "reportCount": 3, "counter": 7,
               "changeable": {"flags": 141, "mrie": 15, "interval": 4294967295,
                              "reportCount": 4294967295}},
     "primaryDefects": 31, "grownDefects": 16},
    {"bus": 0, "target": 1, "rate": 100},
    {"bus": 0, "target": 2, "rate": 200, "transferFlags": 1, "wide": false,
     "smart": {"mrie": 6, "changeable": {"flags": 0, "mrie": 0}}},
    {"bus": 0, "target": 3, "type": 3, "vendorSpecific": "ENCL-01 SAF-TE"},
    {"bus": 0, "target": 4, "lun": 0, "type": 14},
    {"bus": 0, "target": 4, "lun": 1, "type": 14},
    {"bus": 0, "target": 4, "lun": 2, "type": 14},
    {"bus": 0, "target": 5, "rate": 20, "transferFlags": 4},
    {"bus": 0, "target": 6, "blocks": 0},
    {"bus": 1, "target": 0, "rate": 160, "refusesTasks": true},
    {"bus": 1, "target": 5, "ready": false}],
  "slices": [{"drive": 0}, {"drive": 2, "type": 3, "mbr": false}, {"drive": 5, "type": 7},
             {"drive": 128}, {"drive": 6}],
  "channels": {"bytes": [7, 9], "states": [1, 5]},
  "tasks": [{"id": 20, "job": 2, "object": 6}],
  "diskSets": [{"number": 77, "creator": 1, "owner": 999, "members": [128]}]
}]})";

inline FSA_STORAGE_DEVICE drive(std::uint8_t bus, std::uint8_t target, std::uint8_t lun = 0) {
    FSA_STORAGE_DEVICE d{};
    d.scsi.bus = bus;
    d.scsi.target = target;
    d.scsi.lun = lun;
    d.scsi.adapterSerial = 4660;
    return d;
}

class DeviceTest : public ContextTest {
protected:
    std::string config() const override { return kDrives; }
    void SetUp() override {
        ContextTest::SetUp();
        // The DOS disk's first block holds a partition table of its own.
        sim.update(0, [](qorsim::Adapter& a) { a.slices[1].data.assign(512, 0); });
    }

    qorsim::Drive simDrive(std::uint32_t id) const {
        qorsim::Adapter a = sim.snapshot(0);
        const qorsim::Drive* d = a.devices.find(id);
        EXPECT_NE(d, nullptr) << id;
        return d ? *d : qorsim::Drive{};
    }

    // Polls `done` for up to five seconds.
    template <class Done> static bool eventually(Done done) {
        for (int i = 0; i < 5000; ++i) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }
};

} // namespace fsatest
