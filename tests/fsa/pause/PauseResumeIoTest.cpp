// Pause and resume of an adapter's I/O: the exports' checks, the container
// commands they send, the controller's refusals and the paused/resumed
// events that move the library's paused mark.
#include "ContainerCaches.h"
#include "FsaMaintenance.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using fsatest::OpenAdapterTest;

struct CtCall {
    int command;
    std::uint32_t words[3];
};

// Paused (0x400) and resumed (0x800) events delivered to the test's handle.
std::atomic<int> g_pausedEvents{0};
std::atomic<int> g_resumedEvents{0};
int countEvent(void*, std::uint32_t bit, FSA_EVENT_DETAILS*, void*) {
    if (bit == 0x400)
        ++g_pausedEvents;
    if (bit == 0x800)
        ++g_resumedEvents;
    return 1;
}

class PauseResumeIo : public OpenAdapterTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "io": {"secondMs": 50}}]})";
    }
    void SetUp() override {
        OpenAdapterTest::SetUp();
        g_pausedEvents = 0;
        g_resumedEvents = 0;
        ASSERT_EQ(FsaRegisterGeneralCallback(handle, 0xC00, &countEvent, nullptr), FSA_STS_SUCCESS);
        sim.clearJournal();
        // The container caches count as fresh until something marks them stale.
        UtilGetContextFromHandle(handle)->containerCaches->valid.store(true);
    }
    void TearDown() override {
        if (handle) {
            EXPECT_EQ(FsaCloseAdapter(handle), FSA_STS_SUCCESS);
            handle = nullptr;
        }
        OpenAdapterTest::TearDown();
    }

    bool cachesStale() { return !UtilGetContextFromHandle(handle)->containerCaches->valid.load(); }

    // The container commands sent since the journal was cleared.
    std::vector<CtCall> ctCalls() const {
        std::vector<CtCall> calls;
        for (const auto& e : sim.journal()) {
            if (e.ctCommand < 0)
                continue;
            CtCall c{e.ctCommand, {}};
            for (std::size_t i = 0; i < 3; ++i)
                c.words[i] = qorsim::get32(e.fib.data(), qorsim::kFibHeader + 8 + 4 * i);
            calls.push_back(c);
        }
        return calls;
    }

    unsigned int state() {
        unsigned int s = 0;
        EXPECT_EQ(FsaPauseResumeIoStatus(handle, &s), FSA_STS_SUCCESS);
        return s;
    }

    // Waits (bounded) until the event thread has delivered this many paused
    // and resumed events: the controller's events move the paused mark too,
    // so checks of the mark wait for them to be in.
    static bool eventsIn(int paused, int resumed) {
        for (int i = 0; i < 1000; ++i) {
            if (g_pausedEvents.load() >= paused && g_resumedEvents.load() >= resumed)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Waits (bounded) for the event thread to move the paused mark.
    bool eventuallyState(unsigned int wanted) {
        for (int i = 0; i < 500; ++i) {
            if (state() == wanted)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};

TEST_F(PauseResumeIo, PauseTimesUpTo150SecondsPause) {
    const struct {
        unsigned int seconds;
        FSA_STATUS status;
        bool sent;
    } cases[] = {{1, FSA_STS_SUCCESS, true},
                 {150, FSA_STS_SUCCESS, true},
                 {151, FSA_STATUS(225), false},
                 {0xFFFFFFFFu, FSA_STATUS(225), false}};
    for (const auto& c : cases) {
        sim.clearJournal();
        const int paused = g_pausedEvents.load();
        const int resumed = g_resumedEvents.load();
        EXPECT_EQ(FsaPauseResumeIo(handle, c.seconds), c.status) << c.seconds;
        const auto calls = ctCalls();
        if (c.sent) {
            ASSERT_EQ(calls.size(), 1u) << c.seconds;
            EXPECT_EQ(calls[0].command, 65);
            EXPECT_EQ(calls[0].words[0], c.seconds);
            EXPECT_EQ(calls[0].words[1], 0u);
            EXPECT_EQ(state(), unsigned(FSA_STS_ADAPTER_PAUSED));
            ASSERT_TRUE(eventsIn(paused + 1, resumed));
            EXPECT_EQ(FsaPauseResumeIo(handle, 0), FSA_STS_SUCCESS);
            ASSERT_TRUE(eventsIn(paused + 1, resumed + 1));
        } else {
            EXPECT_TRUE(calls.empty()) << c.seconds;
        }
        EXPECT_EQ(state(), unsigned(FSA_STS_ADAPTER_NOT_PAUSED));
    }
}

TEST_F(PauseResumeIo, PauseWhilePausedSendsNothing) {
    ASSERT_EQ(FsaPauseResumeIo(handle, 100), FSA_STS_SUCCESS);
    sim.clearJournal();
    EXPECT_EQ(FsaPauseResumeIo(handle, 5), FSA_STS_ADAPTER_PAUSED);
    EXPECT_TRUE(ctCalls().empty());
    // Other exports refuse a paused adapter; the state still answers.
    unsigned int count = 0;
    EXPECT_EQ(FsaGetTaskList(handle, nullptr, nullptr, nullptr, &count, 0), FSA_STS_ADAPTER_PAUSED);
    EXPECT_EQ(state(), unsigned(FSA_STS_ADAPTER_PAUSED));
}

TEST_F(PauseResumeIo, ResumeReleasesAndMarksTheCachesStale) {
    ASSERT_EQ(FsaPauseResumeIo(handle, 10), FSA_STS_SUCCESS);
    ASSERT_TRUE(eventsIn(1, 0));
    sim.clearJournal();
    EXPECT_EQ(FsaPauseResumeIo(handle, 0), FSA_STS_SUCCESS);
    ASSERT_TRUE(eventsIn(1, 1));
    const auto calls = ctCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, 66);
    EXPECT_TRUE(cachesStale());
    EXPECT_EQ(state(), unsigned(FSA_STS_ADAPTER_NOT_PAUSED));
    EXPECT_FALSE(sim.snapshot(0).paused);
}

TEST_F(PauseResumeIo, ResumeOfRunningIoPausesWithRescanFirst) {
    EXPECT_EQ(FsaPauseResumeIo(handle, 0), FSA_STS_SUCCESS);
    ASSERT_TRUE(eventsIn(1, 1));
    const auto calls = ctCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].command, 65);
    EXPECT_EQ(calls[0].words[0], 150u);
    EXPECT_EQ(calls[0].words[1], 1u);
    EXPECT_EQ(calls[0].words[2], 0u);
    EXPECT_EQ(calls[1].command, 66);
    EXPECT_EQ(state(), unsigned(FSA_STS_ADAPTER_NOT_PAUSED));
}

TEST_F(PauseResumeIo, ReleaseOfAControllerThatIsNotPausedIsAccepted) {
    qorsim::Fault notPaused;
    notPaused.ctCommand = 66;
    notPaused.mutateReply = [](std::uint8_t* fib) {
        qorsim::put32(fib, qorsim::kFibHeader + 8, 174); // CT_RELEASE_NOT_PAUSED
    };
    sim.inject(notPaused);
    ASSERT_EQ(FsaPauseResumeIo(handle, 10), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaPauseResumeIo(handle, 0), FSA_STS_SUCCESS);
    EXPECT_FALSE(cachesStale());
}

TEST_F(PauseResumeIo, RefusedPauseLeavesTheMarkRefusedReleaseClearsIt) {
    sim.update(0, [](qorsim::Adapter& a) { a.io.pauseReply = 185; });
    EXPECT_EQ(FsaPauseResumeIo(handle, 10), FSA_STATUS(115));
    EXPECT_EQ(state(), unsigned(FSA_STS_ADAPTER_NOT_PAUSED));

    sim.update(0, [](qorsim::Adapter& a) {
        a.io.pauseReply = 0;
        a.io.releaseReply = 184;
    });
    ASSERT_EQ(FsaPauseResumeIo(handle, 10), FSA_STS_SUCCESS);
    ASSERT_TRUE(eventsIn(1, 0));
    EXPECT_EQ(FsaPauseResumeIo(handle, 0), FSA_STATUS(116));
    EXPECT_EQ(state(), unsigned(FSA_STS_ADAPTER_NOT_PAUSED));
    EXPECT_FALSE(cachesStale());
}

TEST_F(PauseResumeIo, ChecksHandleAndAccess) {
    unsigned int s = 7;
    void* unknown = reinterpret_cast<void*>(std::uintptr_t(1));
    EXPECT_EQ(FsaPauseResumeIo(unknown, 10), FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(FsaPauseResumeIoStatus(unknown, &s), FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(s, 7u);

    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    sim.clearJournal();
    EXPECT_EQ(FsaPauseResumeIo(readOnly, 10), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaPauseResumeIoStatus(readOnly, &s), FSA_STS_SUCCESS);
    EXPECT_EQ(s, unsigned(FSA_STS_ADAPTER_NOT_PAUSED));
    EXPECT_EQ(FsaPauseResumeIoStatusEx(readOnly, 0, &s), FSA_STS_NEEDS_READ_WRITE);

    EXPECT_EQ(FsaPauseResumeIoStatusEx(handle, 0, &s), FSA_STS_SUCCESS);
    EXPECT_EQ(s, unsigned(FSA_STS_ADAPTER_NOT_PAUSED));
    EXPECT_EQ(FsaPauseResumeIoStatusEx(handle, 1, &s), FSA_STS_NO_ADAPTER);
    EXPECT_TRUE(ctCalls().empty());
    EXPECT_EQ(FsaCloseAdapter(readOnly), FSA_STS_SUCCESS);
}

TEST_F(PauseResumeIo, TheControllerResumesByItselfWhenThePauseRunsOut) {
    ASSERT_EQ(FsaPauseResumeIo(handle, 1), FSA_STS_SUCCESS); // 50 ms here
    EXPECT_TRUE(sim.snapshot(0).paused);
    EXPECT_TRUE(eventuallyState(FSA_STS_ADAPTER_NOT_PAUSED));
    EXPECT_FALSE(sim.snapshot(0).paused);
}

TEST_F(PauseResumeIo, EventsOfAnotherClientMoveTheMark) {
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    ASSERT_EQ(FsaPauseResumeIo(handle, 100), FSA_STS_SUCCESS);
    unsigned int s = 0;
    for (int i = 0; i < 500 && s != unsigned(FSA_STS_ADAPTER_PAUSED); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        FsaPauseResumeIoStatus(other, &s);
    }
    EXPECT_EQ(s, unsigned(FSA_STS_ADAPTER_PAUSED));
    ASSERT_EQ(FsaPauseResumeIo(handle, 0), FSA_STS_SUCCESS);
    for (int i = 0; i < 500 && s != unsigned(FSA_STS_ADAPTER_NOT_PAUSED); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        FsaPauseResumeIoStatus(other, &s);
    }
    EXPECT_EQ(s, unsigned(FSA_STS_ADAPTER_NOT_PAUSED));
    EXPECT_EQ(FsaCloseAdapter(other), FSA_STS_SUCCESS);
}

TEST_F(PauseResumeIo, UiCallbackIsStoredAndRefusedWhilePaused) {
    int argument = 0;
    EXPECT_EQ(FsaSetUiThreadCallBack(handle, &argument, &argument, 7), FSA_STS_SUCCESS);
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(handle).get();
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->uiCallback, &argument);
    EXPECT_EQ(ctx->uiCallbackArg, &argument);
    EXPECT_EQ(ctx->uiCallbackWord, 7u);
    ASSERT_EQ(FsaPauseResumeIo(handle, 10), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaSetUiThreadCallBack(handle, nullptr, nullptr, 0), FSA_STS_ADAPTER_PAUSED);
    EXPECT_EQ(ctx->uiCallbackWord, 7u);
    EXPECT_EQ(
        FsaSetUiThreadCallBack(reinterpret_cast<void*>(std::uintptr_t(1)), nullptr, nullptr, 0),
        FSA_STS_INVALID_HANDLE);
}

TEST(HostOs, FamiliesAndType) {
    for (unsigned int os = 0; os < 13; ++os) {
        const bool isUnix = os == 4 || os == 5 || os == 9 || os == 11;
        const bool nt = os == 1 || os == 8 || os == 10;
        EXPECT_EQ(FsaIsUnixOS(os) != 0, isUnix) << os;
        EXPECT_EQ(FsaIsNTOS(os) != 0, nt) << os;
    }
    EXPECT_EQ(FsaGetOSType(), 5u);
}

} // namespace
