// The structural comparison of two adapter models: what it reports, by
// object, and the request history it leaves out.
#include "qorsim/ModelDiff.h"
#include "qorsim/Simulator.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const char* kAdapter = R"({"adapters": [{"index": 0, "serial": 9,
  "drives": [{"bus": 0, "target": 1}],
  "slices": [{"size": 4000, "drive": 1}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 200, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 1, "flags": 1}],
  "containers": {"count": 32, "list": [{"number": 1, "type": 1, "members": [1]}]},
  "hostDisks": [{"container": 1, "target": 1, "name": "sdb"}],
  "diskSets": [{"number": 100, "creator": 9, "label": "kept", "owner": 9, "members": [1]}],
  "tasks": [{"id": 7, "job": 101, "object": 1}]}]})";

TEST(ModelDiff, ReportsEachChangedObjectAndLeavesOutRequestHistory) {
    struct Case {
        const char* what;
        std::function<void(qorsim::Adapter&)> change;
        std::string expected; // the description, empty when nothing counts
    } cases[] = {
        {"nothing", [](qorsim::Adapter&) {}, ""},
        {"container type", [](qorsim::Adapter& a) { a.containers.at(1).type = 3; },
         "container 1: type 1 -> 3\n"},
        {"container gone", [](qorsim::Adapter& a) { a.containers.erase(1); },
         "container 1: present -> absent\n"},
        {"partition word", [](qorsim::Adapter& a) { a.partitions.at(1)[28] = 0; },
         "partition 1: byte 28 0xc8 -> 0\n"},
        {"host disk", [](qorsim::Adapter& a) { a.hostDisks.at(1).deleted = true; },
         "host disk 1: deleted false -> true\n"},
        {"host disk taken from the host",
         [](qorsim::Adapter& a) { a.hostDisks.at(1).removedFromHost = true; },
         "host disk 1: removed from the host false -> true\n"},
        {"container drained", [](qorsim::Adapter& a) { a.containers.at(1).drained = true; },
         "container 1: drained false -> true\n"},
        {"container offline", [](qorsim::Adapter& a) { a.containers.at(1).offline = true; },
         "container 1: offline false -> true\n"},
        {"disk set label", [](qorsim::Adapter& a) { a.maint.diskSets.at(0).label[0] = 'K'; },
         "disk set 100/9: label \"kept\" -> \"Kept\"\n"},
        {"task ended", [](qorsim::Adapter& a) { a.tasks.at(0).status = 3; },
         "task 7: status 0x66 -> 3\n"},
        {"drive readiness", [](qorsim::Adapter& a) { a.devices.drives.at(0).ready = false; },
         "drive 0:1:0: ready true -> false\n"},
        {"nvram byte", [](qorsim::Adapter& a) { a.nvram[100] = 1; },
         "nvram: contents 65536 bytes -> 65536 bytes, 1 differ from byte 100\n"},
        {"a new disk set",
         [](qorsim::Adapter& a) {
             qorsim::DiskSet s;
             s.number = 12345; // clock-derived: not compared
             a.maint.diskSets.push_back(s);
         },
         "disk set new: absent -> present\n"},
        {"request history",
         [](qorsim::Adapter& a) {
             a.maint.rescans.push_back(1);
             a.maint.claims.push_back({100, 1});
             a.maint.busResets.push_back(0);
             a.devices.drives.at(0).blockReads = 9;
             a.devices.drives.at(0).smart.selects = 2;
             a.maint.flash.completed = 4;
             a.maint.newBatteryWrites.push_back(1);
             a.configAge = 77;
             a.nextTaskId = 99;
             a.maint.hostInfo = "node";
         },
         ""},
    };
    qorsim::Simulator sim;
    sim.load(kAdapter);
    const qorsim::Adapter before = sim.snapshot(0);
    for (const Case& c : cases) {
        qorsim::Adapter after = before;
        c.change(after);
        const auto differences = qorsim::compareModels(before, after);
        EXPECT_EQ(qorsim::describeDifferences(differences), c.expected) << c.what;
    }
}

TEST(ModelDiff, RestoringASnapshotUndoesEveryChange) {
    qorsim::Simulator sim;
    sim.load(kAdapter);
    const qorsim::Adapter before = sim.snapshot(0);
    sim.update(0, [](qorsim::Adapter& a) {
        a.containers.clear();
        a.partitions.clear();
        a.maint.diskSets.clear();
    });
    EXPECT_FALSE(qorsim::compareModels(before, sim.snapshot(0)).empty());
    qorsim::restoreSnapshot(sim, before);
    EXPECT_TRUE(qorsim::compareModels(before, sim.snapshot(0)).empty());
}

} // namespace
