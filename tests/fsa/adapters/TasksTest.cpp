#include "SimFixture.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using fsatest::OpenAdapterTest;
using fsatest::SimTest;
using namespace std::chrono_literals;

class TaskTest : public OpenAdapterTest {
protected:
    FSA_TASK_INFO details(unsigned id) {
        FSA_TASK_INFO info{};
        EXPECT_EQ(FsaGetTaskDetails(handle, id, &info), FSA_STS_SUCCESS);
        return info;
    }
};

TEST_F(TaskTest, ListsDescribeTheTasksOfTheAdapterAndOfOneObject) {
    FSA_TASK_DESCRIPTOR tasks[4];
    unsigned count = 0;
    ASSERT_EQ(FsaGetTaskList(handle, nullptr, nullptr, tasks, &count, sizeof tasks),
              FSA_STS_SUCCESS);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(tasks[0].taskId, 7u);
    EXPECT_EQ(tasks[0].taskType, 3u);
    EXPECT_EQ(tasks[0].container.containerNumber, 1u);
    EXPECT_EQ(tasks[0].container.adapterSerial, 4660u);
    EXPECT_EQ(tasks[0].device.kind, 1u);
    EXPECT_EQ(tasks[1].taskId, 8u);
    EXPECT_EQ(tasks[1].taskType, 0u);
    EXPECT_EQ(tasks[1].device.scsi.bus, 1);
    EXPECT_EQ(tasks[1].device.scsi.target, 2);
    EXPECT_EQ(tasks[1].container.containerNumber, 0xFFFFFFFFu);
    EXPECT_EQ(tasks[1].adapterSerial, 4660u);

    EXPECT_EQ(FsaGetTaskList(handle, nullptr, nullptr, tasks, &count, 36),
              FSA_STS_BUFFER_TOO_SMALL);
    EXPECT_EQ(count, 2u);
    const tag_FSA_CONTAINER container{1, 0, 4660};
    ASSERT_EQ(FsaGetTaskList(handle, nullptr, &container, tasks, &count, sizeof tasks),
              FSA_STS_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(tasks[0].taskId, 7u);
    FSA_STORAGE_DEVICE device{};
    device.scsi.bus = 1;
    device.scsi.target = 2;
    ASSERT_EQ(FsaGetTaskList(handle, &device, nullptr, tasks, &count, sizeof tasks),
              FSA_STS_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(tasks[0].taskId, 8u);
    EXPECT_EQ(FsaGetTaskList(handle, &device, &container, tasks, &count, sizeof tasks),
              FSA_STS_BAD_ARGUMENTS);
}

TEST_F(TaskTest, ReplyCountsAreClampedToTheFib) {
    qorsim::Fault fault;
    fault.aifRequest = 100;
    fault.mutateReply = [](std::uint8_t* fib) { qorsim::put16(fib, qorsim::kSize, 0xFFFF); };
    sim.inject(fault);
    std::vector<FSA_TASK_DESCRIPTOR> tasks(64);
    unsigned count = 0;
    EXPECT_EQ(FsaGetTaskList(handle, nullptr, nullptr, tasks.data(), &count,
                             static_cast<unsigned>(tasks.size() * sizeof tasks[0])),
              FSA_STS_BUFFER_TOO_SMALL);
    EXPECT_EQ(count, 29u); // all the 16-byte records a FIB can hold
}

// A reply that describes another object than the one asked about (a stale
// buffer, damaged firmware) is refused rather than handed back as the
// answer: the record's object (lists of one container or drive) or task id
// (one task's details) is changed to name another one.
TEST_F(TaskTest, AReplyAboutAnotherObjectIsRefused) {
    constexpr std::size_t kRecord = qorsim::kFibHeader + 8;
    const tag_FSA_CONTAINER container{1, 0, 4660};
    FSA_STORAGE_DEVICE device{};
    device.scsi.bus = 1;
    device.scsi.target = 2;
    FSA_TASK_DESCRIPTOR tasks[4];
    unsigned count = 0;
    FSA_TASK_INFO info{};
    const struct {
        const char* name;
        int request;
        std::size_t word; // of the first record
        std::function<FSA_STATUS()> ask;
    } cases[] = {
        {"container's tasks", 101, 2,
         [&] { return FsaGetTaskList(handle, nullptr, &container, tasks, &count, sizeof tasks); }},
        {"drive's tasks", 102, 2,
         [&] { return FsaGetTaskList(handle, &device, nullptr, tasks, &count, sizeof tasks); }},
        {"task details", 103, 0, [&] { return FsaGetTaskDetails(handle, 7, &info); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.ask(), FSA_STS_SUCCESS);
        qorsim::Fault fault;
        fault.aifRequest = c.request;
        fault.mutateReply = [&](std::uint8_t* fib) {
            const std::size_t at = kRecord + 4 * c.word;
            qorsim::put32(fib, at, qorsim::get32(fib, at) + 1);
        };
        sim.inject(fault);
        EXPECT_EQ(c.ask(), FSA_STS_FAILURE);
        EXPECT_EQ(c.ask(), FSA_STS_SUCCESS); // the next, sound reply is taken
    }
}

// A reply that carries no record of a known task, or a reply state the
// controller does not define, is a failed read, not a finished task.
TEST_F(TaskTest, AnUnreadTaskRecordIsAFailureNotAnEnd) {
    const struct {
        const char* name;
        std::function<void(std::uint8_t*)> damage;
    } cases[] = {
        {"no record",
         [](std::uint8_t* fib) { qorsim::put16(fib, qorsim::kSize, qorsim::kFibHeader + 8); }},
        {"undefined reply state",
         [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader + 4, 2); }},
    };
    FSA_TASK_INFO info{};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qorsim::Fault fault;
        fault.aifRequest = 103;
        fault.mutateReply = c.damage;
        sim.inject(fault);
        EXPECT_EQ(FsaGetTaskDetails(handle, 7, &info), FSA_STS_FAILURE);
        sim.inject(fault);
        EXPECT_EQ(FsaTask(handle, 7, 2), FSA_STS_FAILURE);
        EXPECT_EQ(details(7).state, 0u); // not told to end
    }
}

TEST_F(TaskTest, SuspendResumeAndTerminate) {
    EXPECT_EQ(details(7).state, 0u);
    EXPECT_EQ(FsaTask(handle, 7, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(details(7).state, 1u);
    EXPECT_EQ(FsaTask(handle, 7, 0), FSA_STS_TASK_SUSPENDED);
    EXPECT_EQ(FsaTask(handle, 7, 1), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaTask(handle, 7, 1), FSA_STS_TASK_RUNNING);
    EXPECT_EQ(FsaTask(handle, 8, 0), FSA_STS_DEVICE_TASK);
    EXPECT_EQ(FsaTask(handle, 7, 3), FSA_STS_BAD_OPERATION);
    EXPECT_EQ(FsaTask(handle, 7, 2), FSA_STS_SUCCESS);
    FSA_TASK_INFO info;
    EXPECT_EQ(FsaGetTaskDetails(handle, 7, &info), FSA_STS_TASK_FINISHED);
    EXPECT_EQ(FsaGetTaskDetails(handle, 99, &info), FSA_STS_TASK_NOT_FOUND);
    EXPECT_EQ(FsaTask(handle, 99, 2), FSA_STS_TASK_NOT_FOUND);
}

TEST_F(TaskTest, ApplicationJobs) {
    const unsigned id = FtaStartJob(handle, 300, 2);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(details(id).descriptor.taskType, 15u);
    EXPECT_EQ(FtaUpdateJob(handle, id, 500), 1u);
    EXPECT_EQ(details(id).progress, 500u);
    EXPECT_EQ(FsaTask(handle, id, 0), FSA_STS_APP_JOB_TASK);
    EXPECT_EQ(FsaTask(handle, id, 2), FSA_STS_SUCCESS); // ended as a finished job
    EXPECT_EQ(FtaFinishJob(handle, id, 1), 3u);
    EXPECT_EQ(FtaUpdateJob(handle, 4242, 1), 3u);
}

struct Progress {
    std::mutex mutex;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> calls; // kind, progress
    static void callback(std::uint32_t kind, FSA_TASK_INFO* info, void* user) {
        auto* self = static_cast<Progress*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->calls.emplace_back(kind, info->progress);
    }
    std::size_t size() {
        std::lock_guard<std::mutex> lock(mutex);
        return calls.size();
    }
    void waitFor(std::size_t n) {
        for (int i = 0; i < 500 && size() < n; ++i)
            std::this_thread::sleep_for(10ms);
    }
};

TEST_F(TaskTest, ProgressCallbacksHonourTheIntervalAndEndWithKind99) {
    Progress progress;
    ASSERT_EQ(FsaGetTaskProgress(handle, 7, 50, Progress::callback, &progress), FSA_STS_SUCCESS);
    for (std::uint32_t step : {10u, 30u, 20u, 60u}) {
        sim.update(0, [step](qorsim::Adapter& a) { a.findTask(7)->step = step; });
        sim.advanceClock();
    }
    progress.waitFor(2);
    sim.update(0, [](qorsim::Adapter& a) { a.findTask(7)->step = 1000; });
    sim.advanceClock();
    progress.waitFor(3);
    sim.advanceClock(); // nothing left to report
    std::this_thread::sleep_for(20ms);
    std::lock_guard<std::mutex> lock(progress.mutex);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {1, 60}, {1, 120}, {99, 1000}};
    EXPECT_EQ(progress.calls, expected);
}

TEST_F(TaskTest, JobProgressWithSeveralReportsCallsInRecordOrder) {
    Progress progress;
    ASSERT_EQ(FsaGetTaskProgress(handle, 0, 0, Progress::callback, &progress), FSA_STS_SUCCESS);
    progress.waitFor(2); // the current state of both tasks at registration
    sim.update(0, [](qorsim::Adapter& a) {
        for (auto& t : a.tasks)
            t.step = t.id == 7 ? 100 : 300;
        qorsim::Task third;
        third.id = 9;
        third.jobCode = 103;
        third.step = 500;
        a.tasks.push_back(third);
    });
    sim.advanceClock();
    progress.waitFor(5);
    std::lock_guard<std::mutex> lock(progress.mutex);
    ASSERT_EQ(progress.calls.size(), 5u);
    EXPECT_EQ(progress.calls[2].second, 100u);
    EXPECT_EQ(progress.calls[3].second, 300u);
    EXPECT_EQ(progress.calls[4].second, 500u);
}

TEST_F(TaskTest, WaitReturnsWhenTheReceiveThreadSeesTheEnd) {
    auto waiter = std::async(std::launch::async,
                             [&] { return FsaWaitForTaskComplete(handle, 7, nullptr, nullptr); });
    // While the waiter waits, other calls on the adapter proceed.
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(details(7).state, 0u);
    sim.update(0, [](qorsim::Adapter& a) { a.findTask(7)->step = 2000; });
    sim.advanceClock();
    ASSERT_EQ(waiter.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(waiter.get(), FSA_STS_SUCCESS);
    tag_FSA_CONTAINER c{1, 0, 4660};
    EXPECT_EQ(FsaWaitForTaskComplete(handle, 7, &c, nullptr), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaWaitForTaskComplete(handle, 0, nullptr, nullptr), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaWaitForTaskComplete(handle, 0, &c, nullptr),
              FSA_STS_SUCCESS); // no task left on it
}

TEST_F(SimTest, WaitWithoutReceiveThreadPollsTheController) {
    void* h = open("qor0", FSA_ACC_LL_READ_ONLY); // this access mode has no receive thread
    std::atomic<bool> done{false};
    std::thread clock([&] {
        while (!done) {
            sim.update(0, [](qorsim::Adapter& a) { a.findTask(7)->step = 200; });
            sim.advanceClock();
            std::this_thread::sleep_for(2ms);
        }
    });
    EXPECT_EQ(FsaWaitForTaskComplete(h, 7, nullptr, nullptr), FSA_STS_SUCCESS);
    done = true;
    clock.join();
    FsaCloseAdapter(h);
}

TEST_F(TaskTest, ReportWithoutTotalHasNoProgress) {
    sim.update(0, [](qorsim::Adapter& a) {
        qorsim::Task t;
        t.id = 11;
        t.jobCode = 101;
        t.total = 0;
        t.status = 101;
        a.tasks.push_back(t);
    });
    EXPECT_EQ(details(11).progress, 0u);
    EXPECT_EQ(details(11).state, 1u);
}

} // namespace
