#pragma once
// A controller with an enclosure in front of three disks, opened for tests
// as the diagnostic engine opens it.

#include "MorvaneRaidCtrl.h"
#include "RaidFixture.h"

#include <fstream>
#include <memory>

namespace raidtest {

// Bus 0: an enclosure (0,0), disks (0,1) and (0,2); bus 1: a disk (1,3)
// that runs a verify task (id 20, internal id 131).
inline const char* kDiskController = R"({"adapters": [{"index": 0, "serial": 4660,
  "io": {"secondMs": 20},
  "drives": [
    {"bus": 0, "target": 0, "type": 3, "vendorSpecific": "ENCL-01 SAF-TE"},
    {"bus": 0, "target": 1, "vendor": "QORSIM", "product": "DISK-A",
     "smart": {"mrie": 4, "interval": 100, "reportCount": 3, "counter": 7}},
    {"bus": 0, "target": 2, "product": "DISK-B"},
    {"bus": 1, "target": 3, "product": "DISK-C"}],
  "slices": [{"drive": 1}, {"drive": 2}, {"drive": 131}],
  "channels": {"bytes": [15, 15], "states": [1, 1]},
  "tasks": [{"id": 20, "job": 2, "object": 131}]
}]})";

class DiskControllerTest : public RaidTest {
protected:
    std::string config() const override { return kDiskController; }
    void SetUp() override {
        RaidTest::SetUp();
        ctrl = std::make_unique<VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl>("qor0");
        ASSERT_EQ(ctrl->open(VarnDiags::DeviceEnum::IDevice::OPEN_TEST), 0);
        sim.clearJournal();
    }
    void TearDown() override {
        ctrl.reset();
        RaidTest::TearDown();
    }
    std::size_t countOf(const std::vector<int>& v, int x) const {
        return static_cast<std::size_t>(std::count(v.begin(), v.end(), x));
    }
    std::unique_ptr<VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl> ctrl;
};

} // namespace raidtest
