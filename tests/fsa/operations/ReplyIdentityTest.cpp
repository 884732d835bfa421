// Calls that end tasks before destroying or preparing act only on replies
// about what they asked: a task list or task record that names another
// object (a stale buffer, damaged firmware) fails the call with 6 before
// anything is ended, destroyed or written. Nor do they go on before the
// controller has said that an ended task is gone.
#include "FsaContainerOps.h"
#include "OpsFixture.h"
#include "qorsim/ModelDiff.h"

#include <functional>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force);

namespace {

// Containers 1 and 2, one volume on each disk, each with a job of the
// library (300); each disk with a drive task (2), the one on drive 0 going
// on when told to end.
const char* kBusy = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 100000, "drive": 0}, {"size": 100000, "drive": 1}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 2000, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 1,
                  "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 2000, "serial": 9, "slice": 1, "l0Type": 1, "l0Number": 2,
                  "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 2, "type": 1, "members": [2]}]},
  "tasks": [{"id": 21, "job": 300, "object": 1, "total": 1000},
            {"id": 22, "job": 300, "object": 2, "total": 1000},
            {"id": 31, "job": 2, "object": 0, "total": 1000, "ignoresTerminate": true},
            {"id": 32, "job": 2, "object": 1, "total": 1000}],
  "hostDisks": [{"container": 1, "target": 1}, {"container": 2, "target": 2}]}]})";

constexpr std::size_t kRecord = qorsim::kFibHeader + 8; // first record of a task reply
constexpr std::size_t kTaskId = 0, kObject = 2, kJobStatus = 4;
constexpr std::size_t kReplyState = qorsim::kFibHeader + 4;

class ReplyIdentity : public fsatest::OpsTest {
protected:
    ReplyIdentity() : OpsTest(kBusy) {}
};

TEST_F(ReplyIdentity, ATaskReplyAboutAnotherObjectFailsTheCallBeforeAnythingChanges) {
    const tag_FSA_CONTAINER one{1, 0, 9};
    FSA_STORAGE_DEVICE drive0{};
    drive0.scsi.adapterSerial = 9;
    const auto forcedDelete = [&] {
        return FsaContainer(handle, &one, FSA_CO_DELETE_FORCE, nullptr);
    };
    const auto forcedPreparation = [&] {
        return FsaInitStorageDeviceForFsa(handle, 1, &drive0, 1);
    };
    const struct {
        const char* name;
        int request;
        std::function<FSA_STATUS()> call;
        std::function<void(std::uint8_t*)> damage;
    } cases[] = {
        // The list of container 1's tasks carries container 2's job.
        {"forced deletion, task list", 101, forcedDelete,
         [](std::uint8_t* fib) {
             qorsim::put32(fib, kRecord + 4 * kTaskId, 22);
             qorsim::put32(fib, kRecord + 4 * kObject, 2);
         }},
        // The record of job 21, read before it is ended, is job 22's.
        {"forced deletion, task record", 103, forcedDelete,
         [](std::uint8_t* fib) { qorsim::put32(fib, kRecord + 4 * kTaskId, 22); }},
        // The list of drive 0's tasks carries drive 1's task.
        {"forced preparation, task list", 102, forcedPreparation,
         [](std::uint8_t* fib) {
             qorsim::put32(fib, kRecord + 4 * kTaskId, 32);
             qorsim::put32(fib, kRecord + 4 * kObject, 1);
         }},
        // Task 31 goes on after the terminate; the record read while
        // waiting for it is an ended task 32's.
        {"forced preparation, awaited task's record", 103, forcedPreparation,
         [](std::uint8_t* fib) {
             qorsim::put32(fib, kRecord + 4 * kTaskId, 32);
             qorsim::put32(fib, kRecord + 4 * kJobStatus, 1);
         }},
    };
    const qorsim::Adapter start = sim.snapshot(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qorsim::restoreSnapshot(sim, start);
        qorsim::Fault fault;
        fault.aifRequest = c.request;
        fault.mutateReply = c.damage;
        sim.inject(fault);
        EXPECT_EQ(c.call(), FSA_STS_FAILURE);
        EXPECT_EQ(qorsim::describeDifferences(qorsim::compareModels(start, sim.snapshot(0))), "");
        sim.clearFaults();
    }
}

// A task read while waiting for its end that does not say the task ended
// (no record, a reply state or job status the controller does not define)
// leaves it possibly running: a forced deletion or preparation stops with
// 145 (6 when the read before the terminate already could not tell) and a
// wait for the task fails with 6, with nothing changed. Job 21
// runs on after it was told to end; drive 0's task 31 ignores the terminate.
TEST_F(ReplyIdentity, ATaskNotSeenToEndStopsTheCallBeforeAnythingChanges) {
    const tag_FSA_CONTAINER one{1, 0, 9};
    FSA_STORAGE_DEVICE drive0{};
    drive0.scsi.adapterSerial = 9;
    const auto forcedDelete = [&] {
        return FsaContainer(handle, &one, FSA_CO_DELETE_FORCE, nullptr);
    };
    const auto withoutRecord = [](std::uint8_t* fib) {
        qorsim::put16(fib, qorsim::kSize, kRecord);
    };
    const auto undefinedState = [](std::uint8_t* fib) { qorsim::put32(fib, kReplyState, 2); };
    const auto unnamedJobStatus = [](std::uint8_t* fib) {
        qorsim::put32(fib, kRecord + 4 * kJobStatus, 150);
    };
    const long caller = static_cast<long>(::syscall(SYS_gettid));
    const auto fault = [caller](int request, int skip, std::function<void(std::uint8_t*)> damage) {
        qorsim::Fault f;
        f.aifRequest = request;
        f.skip = skip;
        f.thread = caller; // the event thread's own requests pass
        f.mutateReply = std::move(damage);
        return f;
    };
    const struct {
        const char* name;
        std::function<FSA_STATUS()> call;
        std::vector<qorsim::Fault> faults;
        FSA_STATUS expected;
    } cases[] = {
        // The first task read of a forced deletion is the terminate's own.
        {"forced deletion, awaited record missing",
         forcedDelete,
         {fault(103, 1, withoutRecord)},
         FSA_STS_TASK_IN_PROGRESS},
        {"forced deletion, undefined reply state",
         forcedDelete,
         {fault(103, 1, undefinedState)},
         FSA_STS_TASK_IN_PROGRESS},
        {"forced deletion, unnamed job status",
         forcedDelete,
         {fault(103, 1, unnamedJobStatus)},
         FSA_STS_TASK_IN_PROGRESS},
        // The terminate's own read of the job: an unread record is no end.
        {"forced deletion, terminate's record missing",
         forcedDelete,
         {fault(103, 0, withoutRecord)},
         FSA_STS_FAILURE},
        // The task list asked again after the wait comes back empty too:
        // only the wait is left to keep the running task's disk.
        {"forced preparation, awaited record missing",
         [&] { return FsaInitStorageDeviceForFsa(handle, 1, &drive0, 1); },
         {fault(103, 0, withoutRecord), fault(102, 1, withoutRecord)},
         FSA_STS_TASK_IN_PROGRESS},
        {"wait for one task",
         [&] { return FsaWaitForTaskComplete(handle, 21, nullptr, nullptr); },
         {fault(103, 0, withoutRecord)},
         FSA_STS_FAILURE},
        {"wait for a container's tasks",
         [&] { return FsaWaitForTaskComplete(handle, 0, &one, nullptr); },
         {fault(103, 0, undefinedState)},
         FSA_STS_FAILURE},
    };
    const qorsim::Adapter start = sim.snapshot(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qorsim::restoreSnapshot(sim, start);
        // Job 21 goes on although the controller accepted its end.
        qorsim::Fault goesOn;
        goesOn.aifRequest = 110;
        goesOn.otherClient = [](qorsim::Adapter& a) { a.findTask(21)->status = 102; };
        sim.inject(goesOn);
        for (const qorsim::Fault& f : c.faults)
            sim.inject(f);
        EXPECT_EQ(c.call(), c.expected);
        EXPECT_EQ(qorsim::describeDifferences(qorsim::compareModels(start, sim.snapshot(0))), "");
        sim.clearFaults();
    }
}

} // namespace
