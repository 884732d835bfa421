// Threads of one application sharing a handle: they keep their speed and
// take turns, and a thread cancelled while it waits for the adapter leaves
// nothing behind that would hold up the others.
#include "SimFixture.h"

#include "OsSync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <vector>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/asan_interface.h>
#endif

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The body of a thread that is cancelled. The unwinding of a cancellation
// leaves AddressSanitizer's marks of the unwound frames on the stack (it sees
// no function return there), which the thread's exit would then trip on:
// they are cleared once the unwinding reaches this frame.
template <class Body> void* cancellable(Body body) {
#ifdef __SANITIZE_ADDRESS__
    struct Unpoison {
        ~Unpoison() {
            pthread_attr_t attr;
            void* base = nullptr;
            std::size_t size = 0;
            pthread_getattr_np(pthread_self(), &attr);
            pthread_attr_getstack(&attr, &base, &size);
            pthread_attr_destroy(&attr);
            char here;
            __asan_unpoison_memory_region(
                base, static_cast<std::size_t>(&here - static_cast<char*>(base)));
        }
    } unpoison;
#endif
    body();
    return nullptr;
}

FSA_STATUS queryTasks(void* h) {
    FSA_TASK_DESCRIPTOR tasks[8];
    unsigned int count = 8;
    return FsaGetTaskList(h, nullptr, nullptr, tasks, &count, sizeof tasks);
}

// The simulator behind a port that can keep one thread's next driver
// request in the driver until it is let go, as a slow controller would.
class HoldingPort final : public fsatest::SimPort {
public:
    using SimPort::SimPort;
    int ioctl(int fd, unsigned long request, void* arg) override {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (std::this_thread::get_id() == m_held) {
                m_holding = true;
                m_changed.notify_all();
                m_changed.wait(lock, [&] { return !m_holding; });
                m_held = {};
            }
        }
        return SimPort::ioctl(fd, request, arg);
    }
    void hold(std::thread::id thread) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held = thread;
    }
    void waitUntilHolding() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_holding; });
    }
    void letGo() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holding = false;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread::id m_held;
    bool m_holding = false;
};

class SharedHandle : public fsatest::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        fsa::setOsPort(&holding);
        handle = open();
    }
    void TearDown() override {
        if (handle)
            FsaCloseAdapter(handle);
        SimTest::TearDown();
    }

    HoldingPort holding{sim};
    void* handle = nullptr;
};

// Threads loop a query on one handle for a while, on the library's real
// clock: together they make many calls (a turn no longer waits for a
// waiter's next poll), and none of them starves.
TEST_F(SharedHandle, ThreadsKeepTheirSpeedAndTakeTurns) {
    fsa::setSleeper(nullptr);
    sim.setJournaling(false); // the calls' own cost, not the journal's
    double oneThread = 0;
    for (const unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        std::vector<unsigned long> calls(threads, 0);
        std::atomic<bool> stop{false};
        std::atomic<unsigned> failures{0};
        std::vector<std::thread> loops;
        for (unsigned t = 0; t < threads; ++t)
            loops.emplace_back([&, t] {
                while (!stop.load(std::memory_order_relaxed)) {
                    if (queryTasks(handle) != FSA_STS_SUCCESS)
                        ++failures;
                    ++calls[t];
                }
            });
        std::this_thread::sleep_for(1s);
        stop = true;
        for (auto& loop : loops)
            loop.join();
        unsigned long total = 0, fewest = calls[0];
        for (const unsigned long c : calls) {
            total += c;
            fewest = std::min(fewest, c);
        }
        EXPECT_EQ(failures.load(), 0u);
        std::printf("%u thread(s): %lu calls in all, the slowest %lu\n", threads, total, fewest);
        if (threads == 1) {
            oneThread = static_cast<double>(total);
            continue;
        }
        // A turn per 50 ms poll gave about a ten-thousandth of one
        // thread's calls in all.
        EXPECT_GT(static_cast<double>(total), 0.1 * oneThread) << total << " against " << oneThread;
        EXPECT_GE(fewest * 10 * threads, total) << "a thread got less than a tenth of its share";
    }
}

// A thread cancelled while it waits for the adapter behind a call in the
// driver: once that call is done, the threads queued behind the cancelled
// one and every later call get the adapter at once, and the cancelled
// thread ends as cancelled.
TEST_F(SharedHandle, ACancelledWaiterHoldsUpNobody) {
    std::atomic<int> heldStatus{-1};
    std::thread holder([&] {
        holding.hold(std::this_thread::get_id());
        heldStatus = queryTasks(handle);
    });
    holding.waitUntilHolding();

    struct Waiter {
        void* handle;
        std::atomic<bool> started{false};
    } waiter{handle};
    pthread_t cancelled;
    ASSERT_EQ(pthread_create(
                  &cancelled, nullptr,
                  [](void* arg) -> void* {
                      return cancellable([arg] {
                          auto* w = static_cast<Waiter*>(arg);
                          w->started = true;
                          queryTasks(w->handle);
                      });
                  },
                  &waiter),
              0);
    while (!waiter.started)
        std::this_thread::yield();
    std::this_thread::sleep_for(50ms); // in its wait for the wrapper lock
    std::vector<std::thread> queued;
    std::atomic<unsigned> served{0};
    for (int i = 0; i < 3; ++i)
        queued.emplace_back([&] {
            if (queryTasks(handle) == FSA_STS_SUCCESS)
                ++served;
        });
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(pthread_cancel(cancelled), 0);
    std::this_thread::sleep_for(20ms);

    const Clock::time_point released = Clock::now();
    holding.letGo();
    holder.join();
    for (auto& q : queued)
        q.join();
    void* result = nullptr;
    ASSERT_EQ(pthread_join(cancelled, &result), 0);
    EXPECT_EQ(result, PTHREAD_CANCELED);
    EXPECT_EQ(heldStatus, FSA_STS_SUCCESS);
    EXPECT_EQ(served, 3u);
    const Clock::time_point next = Clock::now();
    EXPECT_EQ(queryTasks(handle), FSA_STS_SUCCESS);
    EXPECT_LT(Clock::now() - next, 500ms);
    EXPECT_LT(Clock::now() - released, 2s) << "the queue waited out the lock's time limit";
}

} // namespace
