// Close from another thread while calls are in flight on the adapter: calls
// that start after it get the invalid-handle status, and the context is
// released only once the last call has left it, also when that call hangs in
// the driver. Calls on one adapter get the wrapper lock in turn.
#include "SimFixture.h"

#include "FsaContainerInfo.h"
#include "FsaContainerOps.h"
#include "HandleTable.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Container 1, a volume on disk 0 of disk set 5, and a host disk for it.
const char* kOneVolume = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 100000, "drive": 1}],
  "diskSets": [{"number": 5, "creator": 9, "members": [1]}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 2000, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 1,
                  "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24, "list": [{"number": 1, "type": 1, "members": [1]}]},
  "hostDisks": [{"container": 1, "target": 1}]}]})";

// The simulator behind a port that can hold one thread's next driver
// request, as a driver call that does not return would, and slow down
// another's, as a busy controller does.
class GatedPort final : public fsatest::SimPort {
public:
    using SimPort::SimPort;
    int ioctl(int fd, unsigned long request, void* arg) override {
        const std::thread::id self = std::this_thread::get_id();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (self == m_gated) {
                m_gated = {};
                m_held = true;
                m_changed.notify_all();
                m_changed.wait(lock, [&] { return !m_held; });
            }
        }
        if (self == m_slowed.load())
            std::this_thread::sleep_for(2ms);
        return SimPort::ioctl(fd, request, arg);
    }
    // The next driver request of `thread` stays in the driver until opened.
    void hold(std::thread::id thread) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_gated = thread;
    }
    void waitUntilHeld() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_held; });
    }
    void open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held = false;
        m_changed.notify_all();
    }
    void slowDown(std::thread::id thread) { m_slowed = thread; }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread::id m_gated;
    bool m_held = false;
    std::atomic<std::thread::id> m_slowed{};
};

class CloseInFlight : public fsatest::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        fsa::setOsPort(&gated);
    }
    std::string config() const override { return kOneVolume; }

    // Nothing of a closed adapter is left once its last call has left.
    void expectReleased() {
        EXPECT_EQ(UtilHandleCount(), 0u);
        EXPECT_EQ(sim.openNodeCount(), 0u);
        EXPECT_EQ(sim.openChannelCount(), 0u);
    }

    // A forced deletion of container 1 on another thread, whose driver
    // request stays in the driver until the gate is opened.
    std::thread hungDeletion(void* h, std::atomic<int>& status) {
        std::thread deleter([this, h, &status] {
            gated.hold(std::this_thread::get_id());
            const tag_FSA_CONTAINER one{1, 0, 9};
            status = FsaContainer(h, &one, FSA_CO_DELETE_FORCE, nullptr);
        });
        gated.waitUntilHeld();
        return deleter;
    }

    GatedPort gated{sim};
};

FSA_STATUS queryContainer(void* h) {
    std::vector<std::uint8_t> buffer(FSA_CONTAINER_INFO_MAX_BYTES);
    const tag_FSA_CONTAINER one{1, 0, 9};
    return FsaGetContainerInfo(h, 0, &one, reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.data()),
                               FSA_CONTAINER_INFO_MAX_BYTES);
}

FSA_STATUS queryTasks(void* h) {
    FSA_TASK_DESCRIPTOR tasks[8];
    unsigned int count = 8;
    return FsaGetTaskList(h, nullptr, nullptr, tasks, &count, sizeof tasks);
}

FSA_STATUS renameContainer(void* h) {
    const tag_FSA_CONTAINER one{1, 0, 9};
    char name[32] = "renamed";
    return FsaContainer(h, &one, FSA_CO_SET_NAME, name);
}

// A thread loops `calls` on the handle while close comes from this thread
// after a delay that moves through the loop's calls round by round. Every
// call answers as on an open adapter until the close and with the
// invalid-handle status after it; AddressSanitizer and ThreadSanitizer
// watch the context's memory and locks.
TEST_F(CloseInFlight, CloseDuringLoopingCallsFreesNothingInUse) {
    const struct {
        const char* what;
        std::vector<FSA_STATUS (*)(void*)> calls;
        int rounds;
    } cases[] = {
        {"queries", {queryTasks, queryContainer}, 60},
        {"configuration calls", {renameContainer, queryContainer}, 30},
    };
    for (const auto& c : cases) {
        for (int round = 0; round < c.rounds; ++round) {
            SCOPED_TRACE(testing::Message() << c.what << ", round " << round);
            void* h = open();
            ASSERT_NE(h, nullptr);
            std::atomic<bool> started{false};
            std::atomic<bool> closed{false};
            std::set<FSA_STATUS> seen;
            std::set<FSA_STATUS> afterClose;
            std::thread caller([&] {
                for (;;) {
                    for (const auto call : c.calls) {
                        const bool wasClosed = closed.load();
                        const FSA_STATUS s = call(h);
                        started = true;
                        (wasClosed ? afterClose : seen).insert(s);
                        if (s == FSA_STS_INVALID_HANDLE)
                            return;
                    }
                }
            });
            while (!started)
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(100 * (round % 20)));
            EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
            closed = true;
            caller.join();
            seen.insert(afterClose.begin(), afterClose.end());
            EXPECT_EQ(seen, (std::set<FSA_STATUS>{FSA_STS_SUCCESS, FSA_STS_INVALID_HANDLE}))
                << "a call in flight at the close failed, or none ran";
            EXPECT_TRUE(afterClose.size() <= 1 && !afterClose.count(FSA_STS_SUCCESS))
                << "a call started after close was served";
            expectReleased();
        }
    }
}

// A forced deletion whose driver request does not return: close returns
// without waiting for it for ever, the handle is closed at once, and when
// the request returns the deletion finishes on the context it started on;
// the adapter is released after it, and can then be opened read-write again.
TEST_F(CloseInFlight, ACallHungInTheDriverReleasesTheAdapterWhenItReturns) {
    void* h = open();
    ASSERT_NE(h, nullptr);
    std::atomic<int> deleteStatus{-1};
    std::thread deleter = hungDeletion(h, deleteStatus);
    const Clock::time_point before = Clock::now();
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
    EXPECT_LT(Clock::now() - before, 60s) << "close waited for the hung call without limit";
    EXPECT_EQ(queryContainer(h), FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(UtilHandleCount(), 1u) << "released under the hung call";
    EXPECT_EQ(sim.openNodeCount(), 1u);

    gated.open();
    deleter.join();
    EXPECT_EQ(deleteStatus, FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_FALSE(a.containers.count(1));
    EXPECT_TRUE(a.hostDisks.at(1).deleted);
    expectReleased();
    void* again = open();
    EXPECT_NE(again, nullptr) << "the closed adapter's lock outlived its release";
    if (again)
        FsaCloseAdapter(again);
}

// The same close, with a callback registered: the closed event reaches the
// application inside the close, and nothing after it, although the hung
// deletion announces itself (0x80000) once it returns.
TEST_F(CloseInFlight, NoCallbackRunsAfterACloseThatLeftTheReleaseToAHungCall) {
    void* h = open();
    ASSERT_NE(h, nullptr);
    struct Seen {
        std::mutex mutex;
        std::vector<std::uint32_t> beforeReturn, afterReturn;
        bool returned = false;
        static int note(void*, std::uint32_t bit, FSA_EVENT_DETAILS*, void* user) {
            auto* self = static_cast<Seen*>(user);
            std::lock_guard<std::mutex> lock(self->mutex);
            (self->returned ? self->afterReturn : self->beforeReturn).push_back(bit);
            return 1;
        }
    } seen;
    ASSERT_EQ(FsaRegisterGeneralCallback(h, 0xFFFFFFFF, Seen::note, &seen), FSA_STS_SUCCESS);
    std::atomic<int> deleteStatus{-1};
    std::thread deleter = hungDeletion(h, deleteStatus);
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
    {
        std::lock_guard<std::mutex> lock(seen.mutex);
        seen.returned = true;
        EXPECT_EQ(std::count(seen.beforeReturn.begin(), seen.beforeReturn.end(), 0x2u), 1)
            << "the closed event is delivered inside the close";
    }
    gated.open();
    deleter.join();
    EXPECT_EQ(deleteStatus, FSA_STS_SUCCESS);
    expectReleased();
    // The deletion's own event would have reached a receive thread by now.
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    ASSERT_NE(other, nullptr);
    FSA_EVENT_DETAILS details{};
    EXPECT_EQ(FsaSendAifEvent(other, 0x200000, &details), FSA_STS_SUCCESS);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(FsaCloseAdapter(other), FSA_STS_SUCCESS);
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_TRUE(seen.afterReturn.empty())
        << "first: 0x" << std::hex << (seen.afterReturn.empty() ? 0 : seen.afterReturn[0]);
}

// A wait for a task's end that relies on the receive thread's report, in
// flight when close gives up waiting for it: the close stops that thread,
// and the wait asks the controller from then on instead of waiting for ever.
TEST_F(CloseInFlight, ATaskWaitOutlivesTheEventThreadItReliedOn) {
    sim.update(0, [](qorsim::Adapter& a) {
        qorsim::Task t;
        t.id = 7;
        t.jobCode = 101;
        t.objectId = 1;
        t.total = 1000;
        t.step = 0;
        a.tasks.push_back(t);
    });
    void* h = open();
    ASSERT_NE(h, nullptr);
    std::atomic<int> waitStatus{-1};
    std::thread waiter([&] { waitStatus = FsaWaitForTaskComplete(h, 7, nullptr, nullptr); });
    while (sim.openChannelCount() == 0)
        std::this_thread::yield();
    std::this_thread::sleep_for(50ms); // in its wait for the end report
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
    sim.update(0, [](qorsim::Adapter& a) { a.findTask(7)->step = 2000; });
    const Clock::time_point until = Clock::now() + 20s;
    while (waitStatus == -1 && Clock::now() < until) {
        sim.advanceClock();
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_NE(waitStatus, -1) << "the wait outlived the event thread for ever";
    waiter.join();
    EXPECT_EQ(waitStatus, FSA_STS_SUCCESS);
    expectReleased();
}

// A configuration call beside a thread that loops queries, each holding
// the wrapper lock a few milliseconds: the call gets the lock after the
// query in progress, not at the end of the lock's time limit (486).
TEST_F(CloseInFlight, AWaitingCallGetsTheWrapperLockBetweenLoopingQueries) {
    void* h = open();
    ASSERT_NE(h, nullptr);
    std::atomic<bool> stop{false};
    std::atomic<int> queries{0};
    std::thread querier([&] {
        gated.slowDown(std::this_thread::get_id());
        while (!stop) {
            EXPECT_EQ(queryContainer(h), FSA_STS_SUCCESS);
            ++queries;
        }
    });
    while (queries < 3)
        std::this_thread::yield();
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        const Clock::time_point before = Clock::now();
        EXPECT_EQ(renameContainer(h), FSA_STS_SUCCESS);
        EXPECT_LT(Clock::now() - before, 1s);
    }
    stop = true;
    querier.join();
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
}

} // namespace
