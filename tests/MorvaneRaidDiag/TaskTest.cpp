// The task record: state, progress and termination read from the simulated
// controller's task list.
#include "Task.h"
#include "RaidFixture.h"

#include <qorsim/Wire.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

using VarnDiags::MorvaneRaidDiag::Task;

constexpr std::size_t kReport = qorsim::kFibHeader + 8; // first task report of a reply
constexpr std::size_t kJobStatus = kReport + 16;

class TaskRecord : public raidtest::RaidTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "tasks": [
            {"id": 7, "job": 2, "object": 130, "total": 1000, "current": 250},
            {"id": 8, "job": 3, "object": 131, "status": 101, "current": 500},
            {"id": 9, "job": 2, "object": 132, "status": 1}]}]})";
    }
    void SetUp() override {
        RaidTest::SetUp();
        handle = open();
        sim.clearJournal();
    }
    void TearDown() override {
        FsaCloseAdapter(handle);
        RaidTest::TearDown();
    }
    // Every task-details reply after the first `skip` reports a task still
    // running (or, with `status`, in that job status).
    void detailsReport(std::uint32_t status, int skip, int times) {
        qorsim::Fault f;
        f.aifRequest = 103;
        f.skip = skip;
        f.times = times;
        f.mutateReply = [status](std::uint8_t* fib) {
            qorsim::put32(fib, qorsim::kFibHeader + 4, 1);
            qorsim::put32(fib, kJobStatus, status);
        };
        sim.inject(f);
    }
    void* handle = nullptr;
};

TEST_F(TaskRecord, StateAndProgressComeFromTheDetails) {
    const struct {
        unsigned int id;
        Task::TaskState state;
        unsigned int progress;
    } cases[] = {
        {7, Task::RUNNING, 250},
        {8, Task::SUSPENDED, 500},
        {9, Task::UNKNOWN, 0},  // finished: the details query answers 111
        {42, Task::UNKNOWN, 0}, // the controller does not know it
    };
    for (const auto& c : cases) {
        const Task task(c.id, handle);
        EXPECT_EQ(task.getTaskState(), c.state) << c.id;
        EXPECT_EQ(task.getTaskProgress(), c.progress) << c.id;
    }
}

TEST_F(TaskRecord, EqualByTaskIdAlone) {
    const Task a(7, handle), b(7, nullptr), c(8, handle);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    Task copy;
    copy = c;
    EXPECT_TRUE(copy == c);
    EXPECT_EQ(copy.getTaskState(), Task::SUSPENDED);
}

TEST_F(TaskRecord, TerminateWaitsUntilTheTaskHasEnded) {
    Task task(7, handle);
    EXPECT_TRUE(task.terminateTask());
    EXPECT_EQ(sleeps(), (std::vector<unsigned int>{1}));
    const std::vector<int> requests = aifRequests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), 104), 1);
    EXPECT_TRUE(sim.snapshot(0).findTask(7)->ended());
}

TEST_F(TaskRecord, AnAbortedTaskNeedsNoRequest) {
    detailsReport(3, 0, 1); // job status 3: aborted
    Task task(7, handle);
    EXPECT_TRUE(task.terminateTask());
    EXPECT_EQ(aifRequests(), (std::vector<int>{103}));
    EXPECT_TRUE(sleeps().empty());
    EXPECT_FALSE(sim.snapshot(0).findTask(7)->ended());
}

TEST_F(TaskRecord, TerminateFailures) {
    // Unknown and already finished tasks: nothing is sent.
    for (unsigned int id : {42u, 9u}) {
        Task task(id, handle);
        EXPECT_FALSE(task.terminateTask()) << id;
    }
    EXPECT_EQ(aifRequests(), (std::vector<int>{103, 103}));

    // The controller refuses the terminate request.
    qorsim::Fault refuse;
    refuse.aifRequest = 104;
    refuse.error = EIO;
    sim.inject(refuse);
    Task task(7, handle);
    EXPECT_FALSE(task.terminateTask());
    EXPECT_TRUE(sleeps().empty());
}

TEST_F(TaskRecord, TerminateGivesUpOnATaskThatNeverEnds) {
    detailsReport(102, 2, -1); // FsaTask reads the details once itself
    Task task(7, handle);
    EXPECT_FALSE(task.terminateTask());
    EXPECT_EQ(sleeps(), std::vector<unsigned int>(Task::TERMINATE_POLLS, 1));
}

TEST_F(TaskRecord, TerminateStopsWhenTheTaskIsLost) {
    // After the terminate request the controller forgets the task.
    qorsim::Fault lost;
    lost.aifRequest = 103;
    lost.skip = 2;
    lost.times = -1;
    lost.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader + 4, 4); };
    sim.inject(lost);
    Task task(7, handle);
    EXPECT_FALSE(task.terminateTask());
    EXPECT_EQ(sleeps(), (std::vector<unsigned int>{1}));
}

} // namespace
