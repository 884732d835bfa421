// The device scan, SMART and task scheduler tests on a controller with
// disks, and the frame every RAID test shares.
#include "DeviceScanTest.h"
#include "DeviceTestsFixture.h"
#include "PauseResumeIoTest.h"
#include "RunRaidTest.h"
#include "SMARTdeviceTest.h"
#include "ScsiDevice.h"
#include "TaskSchedulerTest.h"

#include <algorithm>
#include <functional>

namespace {

using raidtest::runRaidTest;
using raidtest::TestOutcome;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;
using VarnDiags::Diag::DiagnosticStatus;
using VarnDiags::MorvaneRaidDiag::DeviceScanTest;
using VarnDiags::MorvaneRaidDiag::ScsiDevice;
using VarnDiags::MorvaneRaidDiag::SMARTdeviceTest;
using VarnDiags::MorvaneRaidDiag::TaskSchedulerTest;

const std::string kScan = "MorvaneRaidDiag::DeviceScanTest::run()";

void expectOutcome(const TestOutcome& out, unsigned int code, DiagnosticEvent::EventType type,
                   const std::string& resultLine) {
    EXPECT_EQ(out.result, code ? DiagnosticResult::UNUSUAL_STATUS : DiagnosticResult::PASSED);
    EXPECT_EQ(out.code, code);
    EXPECT_EQ(out.type, type);
    EXPECT_EQ(out.parameter, 0u);
    EXPECT_EQ(out.status.getStatus(), DiagnosticStatus::COMPLETE);
    EXPECT_EQ(out.status.getProgress(), 100u);
    ASSERT_FALSE(out.lines.empty());
    EXPECT_EQ(out.lines.back(), resultLine);
}

using DeviceScan = raidtest::DiskControllerTest;

TEST_F(DeviceScan, UnchangedDevicesPass) {
    const TestOutcome out = runRaidTest<DeviceScanTest>(ctrl.get());
    EXPECT_EQ(out.lines,
              (std::vector<std::string>{
                  "DeviceScanTest::DeviceScanTest()",
                  kScan,
                  kScan + ": Performing Device Rescan.",
                  kScan + ": Device Rescan completed.",
                  kScan + ": Checking for change in device configuration.",
                  kScan + ": No change detected in device configuration.",
                  kScan + ": pResult: PASSED TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT",
              }));
    // Each resume of running I/O is a pause with rescan, then a release;
    // the rescan resumes twice.
    std::vector<int> pauses = ctCommands();
    pauses.erase(
        std::remove_if(pauses.begin(), pauses.end(), [](int c) { return c != 65 && c != 66; }),
        pauses.end());
    EXPECT_EQ(pauses, (std::vector<int>{65, 66, 65, 66}));
}

TEST_F(DeviceScan, ChangesFoundByTheRescan) {
    const struct {
        const char* name;
        std::function<void(qorsim::Adapter&)> change;
        unsigned int code;
        const char* detected;
        const char* words;
    } cases[] = {
        {"added",
         [](qorsim::Adapter& a) {
             qorsim::Drive d;
             d.bus = 1;
             d.target = 5;
             a.devices.drives.push_back(d);
             a.slices.emplace_back();
             a.slices.back().driveId = 133;
         },
         5, "Detected additional SCSI device(s).",
         "UNUSUAL_STATUS FOUND_NEW_SCSI_DEVICES WARNING_EVENT"},
        {"removed",
         [](qorsim::Adapter& a) { a.devices.drives.erase(a.devices.drives.begin() + 2); }, 6,
         "Detected missing SCSI device(s).", "UNUSUAL_STATUS MISSING_SCSI_DEVICES WARNING_EVENT"},
        // Each case changes what the one before left. A disk that moved
        // target is both missing and new: missing wins.
        {"moved",
         [](qorsim::Adapter& a) {
             a.devices.drives.back().target = 6;
             for (auto& s : a.slices)
                 if (s.driveId == 133)
                     s.driveId = 134;
         },
         6, "Detected missing SCSI device(s).",
         "UNUSUAL_STATUS MISSING_SCSI_DEVICES WARNING_EVENT"},
        {"new product", [](qorsim::Adapter& a) { a.devices.drives[1].product = "DISK-Z"; }, 6,
         "Detected missing SCSI device(s).", "UNUSUAL_STATUS MISSING_SCSI_DEVICES WARNING_EVENT"},
    };
    for (const auto& c : cases) {
        atNextSleep([&] { sim.update(0, c.change); });
        const TestOutcome out = runRaidTest<DeviceScanTest>(ctrl.get());
        ASSERT_EQ(out.lines.size(), 7u) << c.name;
        EXPECT_EQ(out.lines[5], kScan + ": " + c.detected) << c.name;
        expectOutcome(out, c.code, DiagnosticEvent::WARNING_EVENT, kScan + ": pResult: " + c.words);
    }
}

TEST_F(DeviceScan, AFailedRescanIsAPauseFailure) {
    sim.update(0, [](qorsim::Adapter& a) { a.io.pauseReply = 185; });
    const TestOutcome out = runRaidTest<DeviceScanTest>(ctrl.get());
    EXPECT_EQ(out.lines,
              (std::vector<std::string>{
                  "DeviceScanTest::DeviceScanTest()",
                  kScan,
                  kScan + ": Performing Device Rescan.",
                  kScan + ": Device Rescan Failed.",
                  kScan + ": Device Rescan completed.",
                  kScan + ": pResult: UNUSUAL_STATUS PAUSE_IO_FUNCTION_FAILED ERROR_EVENT",
              }));
    expectOutcome(out, 10, DiagnosticEvent::ERROR_EVENT, out.lines.back());
}

class EmptyController : public raidtest::RaidTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "io": {"secondMs": 20}}]})";
    }
};

TEST_F(EmptyController, NoDevicesPassEveryDeviceTest) {
    VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl ctrl("qor0");
    ASSERT_EQ(ctrl.open(VarnDiags::DeviceEnum::IDevice::OPEN_TEST), 0);
    EXPECT_TRUE(ctrl.getDeviceVector().empty());
    for (const TestOutcome& out :
         {runRaidTest<DeviceScanTest>(&ctrl), runRaidTest<SMARTdeviceTest>(&ctrl),
          runRaidTest<TaskSchedulerTest>(&ctrl)})
        EXPECT_EQ(out.code, 0u) << out.lines.back();
}

using SmartTest = raidtest::DiskControllerTest;

TEST_F(SmartTest, EveryDiskReadable) {
    expectOutcome(runRaidTest<SMARTdeviceTest>(ctrl.get()), 0, DiagnosticEvent::INFORMATION_EVENT,
                  "MorvaneRaidDiag::SMARTdeviceTest::pResult: PASSED TEST_COMPLETED_SUCCESSFULLY "
                  "INFORMATION_EVENT");
}

TEST_F(SmartTest, StopsAtTheFirstUnreadableDisk) {
    // What reading the first disk's SMART data alone asks of the controller.
    const std::vector<ScsiDevice> devices = ctrl->getDeviceVector();
    ASSERT_EQ(devices.size(), 3u);
    sim.clearJournal();
    ASSERT_TRUE(devices[0].getSmartInfo());
    const std::size_t oneDisk = countOf(scsiOperations(), 17);
    ASSERT_GT(oneDisk, 0u);

    sim.update(0, [](qorsim::Adapter& a) { a.devices.drives[2].smart.readable = false; });
    sim.clearJournal();
    const TestOutcome out = runRaidTest<SMARTdeviceTest>(ctrl.get());
    expectOutcome(out, 17, DiagnosticEvent::ERROR_EVENT,
                  "MorvaneRaidDiag::SMARTdeviceTest::pResult: UNUSUAL_STATUS GET_SMART_INFO_FAILED "
                  "ERROR_EVENT");
    // The first disk read whole, the second tried, the third never.
    EXPECT_LE(countOf(scsiOperations(), 17), 2 * oneDisk);
    EXPECT_GT(countOf(scsiOperations(), 17), oneDisk);
}

using TaskScheduler = raidtest::DiskControllerTest;

const std::string kSchedulerPassed =
    "MorvaneRaidDiag::TaskSchedulerTest::result: PASSED TEST_COMPLETED_SUCCESSFULLY "
    "INFORMATION_EVENT";
const std::string kSchedulerFailed =
    "MorvaneRaidDiag::TaskSchedulerTest::result: UNUSUAL_STATUS TASK_SCHEDULER_FUNCTION_FAILED "
    "ERROR_EVENT";

TEST_F(TaskScheduler, IdleDisksGetTasksThatAreTerminated) {
    const TestOutcome out = runRaidTest<TaskSchedulerTest>(ctrl.get());
    expectOutcome(out, 0, DiagnosticEvent::INFORMATION_EVENT, kSchedulerPassed);
    // A verify on each of the two idle disks, none on the busy one.
    EXPECT_EQ(countOf(scsiOperations(), 48), 2u);
    const qorsim::Adapter model = sim.snapshot(0);
    std::size_t verifies = 0;
    for (const qorsim::Task& t : model.tasks) {
        if (t.id == 20) {
            EXPECT_FALSE(t.ended()); // the busy disk's own task is left alone
            continue;
        }
        ++verifies;
        EXPECT_TRUE(t.ended()) << t.id;
        EXPECT_TRUE(t.objectId == 1 || t.objectId == 2) << t.objectId;
    }
    EXPECT_EQ(verifies, 2u);
}

TEST_F(TaskScheduler, BusyDisksAreLeftAlone) {
    sim.update(0, [](qorsim::Adapter& a) {
        for (std::uint32_t id : {1u, 2u}) {
            qorsim::Task t;
            t.id = a.nextTaskId++;
            t.jobCode = 2;
            t.objectId = id;
            a.tasks.push_back(t);
        }
    });
    sim.clearJournal();
    expectOutcome(runRaidTest<TaskSchedulerTest>(ctrl.get()), 0, DiagnosticEvent::INFORMATION_EVENT,
                  kSchedulerPassed);
    EXPECT_EQ(countOf(scsiOperations(), 48), 0u);
    EXPECT_TRUE(sleeps().empty());
}

TEST_F(TaskScheduler, FailuresEndTheLoop) {
    // The blink of the first idle disk fails (read-only handle): nothing is
    // started anywhere.
    ctrl->close();
    ASSERT_EQ(ctrl->open(VarnDiags::DeviceEnum::IDevice::OPEN_QUERY), 0);
    sim.clearJournal();
    expectOutcome(runRaidTest<TaskSchedulerTest>(ctrl.get()), 12, DiagnosticEvent::ERROR_EVENT,
                  kSchedulerFailed);
    EXPECT_EQ(countOf(scsiOperations(), 48), 0u);

    // The verify of the second idle disk is refused: the first one's ran.
    ctrl->close();
    ASSERT_EQ(ctrl->open(VarnDiags::DeviceEnum::IDevice::OPEN_TEST), 0);
    sim.update(0, [](qorsim::Adapter& a) { a.devices.drives[2].refusesTasks = true; });
    expectOutcome(runRaidTest<TaskSchedulerTest>(ctrl.get()), 12, DiagnosticEvent::ERROR_EVENT,
                  kSchedulerFailed);
    EXPECT_EQ(sim.snapshot(0).tasks.size(), 2u);
}

// Every test of the program: its constructor line, its first line and the
// invalid-device result without a controller.
TEST_F(EmptyController, NoControllerIsAnInvalidDeviceReference) {
    using Run = std::function<TestOutcome(VarnDiags::DeviceEnum::IDevice*, const char*)>;
    const struct {
        Run run;
        std::vector<std::string> lines;
    } cases[] = {
        {runRaidTest<DeviceScanTest>,
         {"DeviceScanTest::DeviceScanTest()", kScan,
          kScan + ": Invalid Morvane Controller reference.",
          kScan + ": pResult: UNUSUAL_STATUS INVALID_DEVICE_REFERENCE ERROR_EVENT"}},
        {runRaidTest<SMARTdeviceTest>,
         {"SMARTdeviceTest::SMARTdeviceTest()", "MorvaneRaidDiag::SMARTdeviceTest::run()",
          "MorvaneRaidDiag::SMARTdeviceTest::pResult: UNUSUAL_STATUS INVALID_DEVICE_REFERENCE "
          "ERROR_EVENT"}},
        {runRaidTest<TaskSchedulerTest>,
         {"TaskSchedulerTest::TaskSchedulerTest()", "MorvaneRaidDiag::TaskSchedulerTest::run()",
          "MorvaneRaidDiag::TaskSchedulerTest::result: UNUSUAL_STATUS INVALID_DEVICE_REFERENCE "
          "ERROR_EVENT"}},
    };
    for (const auto& c : cases) {
        const TestOutcome out = c.run(nullptr, "test.log");
        EXPECT_EQ(out.lines, c.lines);
        expectOutcome(out, 3, DiagnosticEvent::ERROR_EVENT, c.lines.back());
    }
}

} // namespace
