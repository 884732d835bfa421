// Close against a receive thread that is running or still starting, with a
// sleeper that returns at once. In a process of their own: a test that hands
// the receive loop to the application (FsaInitCreateThread) does so for the
// rest of its process.
#include "SimFixture.h"

#include "Context.h"
#include "FsaMaintenance.h"
#include "HandleTable.h"
#include "LiveThreads.h"
#include "OsSync.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using fsatest::SimTest;
using namespace std::chrono_literals;

// A sleeper that returns at once, as a test's counting clock does: every
// time limit counted in the library's 50 ms polls runs out at once, the
// wait for the channel's lock in close included. It counts its calls.
class InstantSleeper final : public fsa::Sleeper {
public:
    void sleepMs(unsigned) override { ++calls; }
    std::atomic<unsigned long> calls{0};
};

// The channel's lock stays held, as by a receive thread busy that long,
// until close has polled for it past the mutex wait's limit (2400 polls):
// close keeps waiting, then stops and joins the thread, and succeeds.
TEST_F(SimTest, CloseOutwaitsALockHeldPastTheMutexLimit) {
    InstantSleeper instant;
    fsa::setSleeper(&instant);
    void* h = open();
    for (int i = 0; i < 5000 && sim.blockedWaiters() == 0; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(sim.blockedWaiters(), 1);
    void* aif = UtilGetContextFromHandle(h)->channel->aifMutex;
    std::atomic<bool> held{false};
    std::thread holder([&] {
        faos_WaitForAndGetMutex(aif);
        const unsigned long from = instant.calls;
        held = true;
        const auto until = std::chrono::steady_clock::now() + 2s;
        while (instant.calls < from + 2500 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(100us);
        faos_ReleaseMutex(aif);
    });
    while (!held)
        std::this_thread::yield();
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
    holder.join();
    EXPECT_EQ(sim.blockedWaiters(), 0);
    EXPECT_EQ(sim.openChannelCount(), 0u);
}

// Many rounds of open and close, with and without a disk-set operation in
// between, while the receive thread may still be starting: close stops and
// joins it every time, and a failure would be reported only with nothing
// left running.
TEST_F(SimTest, RoundsOfOpenAndCloseWithAnInstantSleeperLeaveNoReceiveThread) {
    fsatest::settleRuntimeThreads();
    InstantSleeper instant;
    fsa::setSleeper(&instant);
    void* warmup = open();
    ASSERT_EQ(FsaCloseAdapter(warmup), FSA_STS_SUCCESS);
    const std::size_t threads = fsatest::liveThreadCount();
    for (const bool diskSetOperation : {false, true}) {
        for (int round = 0; round < 300; ++round) {
            SCOPED_TRACE(testing::Message() << (diskSetOperation ? "with" : "without")
                                            << " a disk-set operation, round " << round);
            void* h = open();
            ASSERT_NE(h, nullptr);
            if (diskSetOperation) {
                sim.notify(0, {20, 4});
                EXPECT_EQ(FsaDiskSetRescan(h, 4), FSA_STS_SUCCESS);
            }
            ASSERT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
            ASSERT_EQ(fsatest::liveThreadCount(), threads) << "a receive thread outlived its close";
        }
    }
    EXPECT_EQ(sim.openChannelCount(), 0u);
    EXPECT_EQ(UtilHandleCount(), 0u);
}

} // namespace
