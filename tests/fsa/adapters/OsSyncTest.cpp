#include "SimFixture.h"

#include "OsSync.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Each poll of 50 ms takes no time: timeouts of minutes end at once.
class NoWait final : public fsa::Sleeper {
public:
    void sleepMs(unsigned) override { std::this_thread::yield(); }
};

class OsSyncTest : public ::testing::Test {
protected:
    void SetUp() override { fsa::setSleeper(&sleeper); }
    void TearDown() override { fsa::setSleeper(nullptr); }
    NoWait sleeper;
};

TEST_F(OsSyncTest, MutexIsOwnerRecursive) {
    void* m = faos_CreateMutex("m");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(faos_WaitForAndGetMutex(m), 1);
    auto otherTakes = [m] {
        std::atomic<int> result{-1};
        std::thread t([&] {
            try {
                faos_WaitForAndGetMutex(m);
                faos_ReleaseMutex(m);
                result = 1;
            } catch (FSA_STATUS s) {
                result = static_cast<int>(s);
            }
        });
        t.join();
        return result.load();
    };
    EXPECT_EQ(faos_ReleaseMutex(m), 1);
    EXPECT_EQ(faos_ReleaseMutex(m), 1);
    EXPECT_EQ(otherTakes(), FSA_STS_UX_MUTEX_GET_LOCK); // still held once: the wait times out
    EXPECT_EQ(faos_ReleaseMutex(m), 1);
    EXPECT_EQ(otherTakes(), 1);
    EXPECT_EQ(faos_ReleaseMutex(m), 0); // not the owner: nothing changes
    faos_DestroyMutex(m);
    EXPECT_EQ(faos_DestroyMutex(nullptr), 0);
}

// A thread that releases the mutex and asks for it again at once queues
// behind a thread already waiting: the waiter is served first.
TEST_F(OsSyncTest, MutexServesWaitersInTheirOrderOfArrival) {
    // Polls of 1 ms: the waiter's limit (2400 polls) outlasts the test.
    struct Millisecond final : fsa::Sleeper {
        void sleepMs(unsigned) override {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } millisecond;
    fsa::setSleeper(&millisecond);
    void* m = faos_CreateMutex("m");
    std::mutex orderMutex;
    std::vector<std::string> order;
    auto took = [&](const char* who) {
        std::lock_guard<std::mutex> lock(orderMutex);
        order.push_back(who);
    };
    faos_WaitForAndGetMutex(m);
    std::atomic<bool> waiting{false};
    std::thread waiter([&] {
        waiting = true;
        faos_WaitForAndGetMutex(m);
        took("waiter");
        faos_ReleaseMutex(m);
    });
    while (!waiting)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the waiter is in its wait
    faos_ReleaseMutex(m);
    faos_WaitForAndGetMutex(m);
    took("releaser");
    faos_ReleaseMutex(m);
    waiter.join();
    EXPECT_EQ(order, (std::vector<std::string>{"waiter", "releaser"}));
    faos_DestroyMutex(m);
}

TEST_F(OsSyncTest, SemaphoreWaitsAreBounded) {
    void* s = faos_CreateSemaphore();
    EXPECT_THROW(faos_WaitForSemaphore(s, 0), FSA_STATUS);
    faos_SetSemaphore(s);
    EXPECT_NO_THROW(faos_WaitForSemaphore(s, 0));
    std::thread poster([s] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        faos_SetSemaphore(s);
    });
    EXPECT_NO_THROW(faos_WaitForSemaphore(s, -1)); // no limit: waits for the post
    poster.join();
    EXPECT_EQ(faos_ResetSemaphore(s), 1);
    faos_DestroySemaphore(s);
}

} // namespace
