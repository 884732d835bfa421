// An application that closes the adapter from its event callback, as one
// told that the adapter is going away would: on the library's receive
// thread and on the application's own receive loop, the close returns, the
// handle is invalid from then on, the closed event is delivered once, and
// everything of the adapter is given back when the loop has ended.
#include "SimFixture.h"

#include "HandleTable.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kGoingAway = 0x200000;
constexpr std::uint32_t kClosed = 0x2;

// The callback closes its adapter when told it is going away.
struct Closer {
    void* handle = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    bool closeReturned = false;
    FSA_STATUS closeStatus = FSA_STS_SUCCESS;
    FSA_STATUS callAfterClose = FSA_STS_SUCCESS;
    unsigned closedEvents = 0;
    unsigned eventsAfterClose = 0;

    static int callback(void*, std::uint32_t bit, FSA_EVENT_DETAILS*, void* user) {
        auto* self = static_cast<Closer*>(user);
        if (bit == kClosed) {
            std::lock_guard<std::mutex> lock(self->mutex);
            ++self->closedEvents;
            return 1;
        }
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            if (self->closeReturned) {
                ++self->eventsAfterClose;
                return 1;
            }
        }
        if (bit != kGoingAway)
            return 1;
        const FSA_STATUS closed = FsaCloseAdapter(self->handle);
        int paused = 0;
        const FSA_STATUS after = FsaIsAdapterPaused(self->handle, &paused);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->closeStatus = closed;
        self->callAfterClose = after;
        self->closeReturned = true;
        self->changed.notify_all();
        return 1;
    }
    bool waitForClose() {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 20s, [&] { return closeReturned; });
    }
};

class CallbackClose : public fsatest::SimTest {
protected:
    // Tells the adapter's clients, from a handle of its own, that the
    // adapter is going away; then waits for the callback's close.
    void closeFromCallback(void* h, Closer& closer) {
        closer.handle = h;
        ASSERT_EQ(FsaRegisterGeneralCallback(h, 0xFFFFFFFF, Closer::callback, &closer),
                  FSA_STS_SUCCESS);
        void* other = open("qor0", FSA_ACC_READ_ONLY);
        ASSERT_NE(other, nullptr);
        FSA_EVENT_DETAILS details{};
        ASSERT_EQ(FsaSendAifEvent(other, kGoingAway, &details), FSA_STS_SUCCESS);
        ASSERT_TRUE(closer.waitForClose()) << "the close from the callback did not return";
        EXPECT_EQ(FsaCloseAdapter(other), FSA_STS_SUCCESS);
        EXPECT_EQ(closer.closeStatus, FSA_STS_SUCCESS);
        EXPECT_EQ(closer.callAfterClose, FSA_STS_INVALID_HANDLE);
        int paused = 0;
        EXPECT_EQ(FsaIsAdapterPaused(h, &paused), FSA_STS_INVALID_HANDLE);
        EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_INVALID_HANDLE);
    }

    // Everything of the adapter is given back once the loop has left it.
    void expectReleased(Closer& closer) {
        for (int i = 0; i < 2000 && UtilHandleCount() != 0; ++i)
            std::this_thread::sleep_for(1ms);
        EXPECT_EQ(UtilHandleCount(), 0u);
        EXPECT_EQ(sim.openNodeCount(), 0u);
        EXPECT_EQ(sim.openChannelCount(), 0u);
        std::lock_guard<std::mutex> lock(closer.mutex);
        EXPECT_EQ(closer.closedEvents, 1u);
        EXPECT_EQ(closer.eventsAfterClose, 0u);
        void* again = open();
        EXPECT_NE(again, nullptr) << "the adapter's lock outlived the close";
        if (again) {
            EXPECT_EQ(FsaCloseAdapter(again), FSA_STS_SUCCESS);
        }
    }
};

// On the library's own receive thread, with another thread's calls in
// flight on the adapter: they end as for any close.
TEST_F(CallbackClose, OnTheLibrarysReceiveThread) {
    void* h = open();
    ASSERT_NE(h, nullptr);
    std::atomic<bool> stop{false};
    std::atomic<unsigned> failedOtherwise{0};
    std::thread caller([&] {
        while (!stop) {
            int paused = 0;
            const FSA_STATUS s = FsaIsAdapterPaused(h, &paused);
            if (s != FSA_STS_SUCCESS && s != FSA_STS_INVALID_HANDLE)
                ++failedOtherwise;
        }
    });
    Closer closer;
    closeFromCallback(h, closer);
    stop = true;
    caller.join();
    EXPECT_EQ(failedOtherwise, 0u);
    expectReleased(closer);
}

// On the application's own receive loop, which ends once the callback has
// returned. The library owns no event threads from here on in this process.
TEST_F(CallbackClose, OnTheApplicationsOwnLoop) {
    FsaInitCreateThread(1);
    void* h = open();
    ASSERT_NE(h, nullptr);
    std::atomic<FSA_STATUS> loopStatus{FSA_STS_INVALID_HANDLE};
    std::atomic<bool> loopEnded{false};
    std::thread loop([&] {
        loopStatus = FsaAIFThreadProcessing(h);
        loopEnded = true;
    });
    for (int i = 0; i < 5000 && sim.blockedWaiters() == 0; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(sim.blockedWaiters(), 1);
    Closer closer;
    closeFromCallback(h, closer);
    for (int i = 0; i < 5000 && !loopEnded; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(loopEnded) << "the loop went on after the close";
    loop.join();
    EXPECT_EQ(loopStatus, FSA_STS_SUCCESS);
    expectReleased(closer);
}

} // namespace
