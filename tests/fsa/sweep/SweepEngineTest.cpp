// The sweep's own leak checks: they see the threads they are there to see,
// and nothing that has already ended. The other client's volume and the
// judging of damaged replies.
#include "BlinkManager.h"
#include "LiveThreads.h"
#include "OtherClient.h"
#include "SweepConfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>

#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fsasweep {
namespace {

using ::testing::HasSubstr;

TEST(LiveThreads, ARunningThreadCountsAndAJoinedOneDoesNot) {
    fsatest::settleRuntimeThreads();
    const std::size_t before = fsatest::liveThreadCount();
    std::mutex mutex;
    std::condition_variable cv;
    bool go = false;
    std::thread waiting([&] {
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [&] { return go; });
    });
    EXPECT_EQ(fsatest::liveThreadCount(), before + 1);
    {
        std::lock_guard<std::mutex> lock(mutex);
        go = true;
    }
    cv.notify_all();
    waiting.join();
    EXPECT_EQ(fsatest::liveThreadCount(), before);
}

// A task on its way out is still listed. The main thread that ends before
// the others stays listed, exiting, until the last one ends: a state that
// holds still, unlike the moment after a join. A child process shows it.
void* afterTheMainThreadEnded(void*) {
    const std::string leader = std::to_string(::getpid());
    for (int i = 0; i < 5000 && !fsatest::taskExiting(leader.c_str()); ++i)
        ::usleep(1000);
    if (!fsatest::taskExiting(leader.c_str()))
        ::_exit(2);
    // Exactly one listed task, the exiting main thread, is not counted (a
    // sanitizer runtime may run a thread of its own here too).
    const std::size_t listed = fsatest::taskCount(true);
    if (listed < 2)
        ::_exit(3);
    ::_exit(fsatest::liveThreadCount() == listed - 1 ? 0 : 4);
}

TEST(LiveThreads, AnExitingTaskIsListedButNotCounted) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pthread_t last;
        if (pthread_create(&last, nullptr, afterTheMainThreadEnded, nullptr) != 0)
            ::_exit(1);
        // Only this thread ends, without unwinding through the test's frames.
        ::syscall(SYS_exit, 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    // 2: the main thread never showed as exiting; 3: it was not listed; 4: counted.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SweepBench, CountsTheHandlesEventThreadWhileACallRuns) {
    Bench bench(kBase);
    std::size_t during = 0;
    const FSA_STATUS s = bench.run(
        [&](void*) {
            during = bench.libraryThreads();
            return FSA_STS_SUCCESS;
        },
        nullptr, 30000, "a call that does nothing");
    EXPECT_EQ(s, FSA_STS_SUCCESS);
    EXPECT_EQ(during, 1u); // the read-write handle's event thread
    EXPECT_EQ(bench.libraryThreads(), 0u);
}

// Blinking is the one call that leaves a worker running by design; here it
// stands for a call that forgets one.
TEST(SweepBench, ReportsACallThatReturnsWithAThreadOfItsOwnRunning) {
    Bench bench(kBase);
    const FSA_STORAGE_DEVICE d = drive(4);
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter intercept(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        bench.run(
            [&](void* h) {
                std::uint32_t argument[4] = {0, FSA_BLINK_FOREVER};
                return FsaStorageDevice(h, &d, FSA_SDO_BLINK, argument);
            },
            nullptr, 30000, "blink");
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_THAT(failures.GetTestPartResult(0).message(),
                HasSubstr("blink: returned with 1 library thread(s) of its own still running"));
    EXPECT_EQ(bench.libraryThreads(), 0u); // the close ended the worker
}

qorsim::Adapter baseModel() {
    qorsim::Simulator sim;
    sim.load(kBase);
    return sim.snapshot(0);
}

// The volume goes on the last free bus-0 disk under the highest free
// visible number, comes back out whole even when the call added entries
// after it, and any change to it is reported.
TEST(OtherVolume, IsTakenBackWholeAndAChangeToItIsReported) {
    const qorsim::Adapter start = baseModel();
    const auto volume = OtherVolume::forRow(start, {"container 23", "slice 4"});
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->name(), "another client's volume 22 on slice 5");

    struct Case {
        const char* what;
        std::function<void(qorsim::Adapter&)> call; // what the call did after the volume came
        std::string wrong;                          // what takeBack reports
    } cases[] = {
        {"nothing", [](qorsim::Adapter&) {}, ""},
        {"a container of the call's own after it",
         [](qorsim::Adapter& a) {
             a.partitions.push_back(a.partitions.at(1));
             a.containers[0].members = {static_cast<std::uint32_t>(a.partitions.size() - 1)};
         },
         ""},
        {"renamed", [](qorsim::Adapter& a) { a.containers.at(22).label[0] = 'O'; },
         "was changed:\ncontainer 22: label \"other\" -> \"Other\"\n"},
        {"partition zeroed",
         [](qorsim::Adapter& a) { a.partitions.at(a.containers.at(22).members[0]).fill(0); },
         "was changed:"},
        {"deleted", [](qorsim::Adapter& a) { a.containers.erase(22); }, "is gone"},
    };
    for (const Case& c : cases) {
        qorsim::Adapter a = start;
        volume->make(a);
        c.call(a);
        const std::string wrong = volume->takeBack(a);
        if (c.wrong.empty()) {
            qorsim::Adapter expected = start;
            c.call(expected);
            EXPECT_EQ(wrong, "") << c.what;
            EXPECT_EQ(qorsim::describeDifferences(qorsim::compareModels(expected, a)), "")
                << c.what;
        } else {
            EXPECT_THAT(wrong, HasSubstr(c.wrong)) << c.what;
        }
    }
}

TEST(OtherVolume, NoneWhenEveryBusZeroDiskIsTaken) {
    const qorsim::Adapter start = baseModel();
    EXPECT_FALSE(OtherVolume::forRow(start, {"slice 4", "slice 5"}));
}

// A failure after a damaged reply may keep that FIB's own change and
// otherwise end as the plain failure of that FIB ended; nothing else.
TEST(SweepJudge, AFailureMayKeepOnlyTheDamagedFibsOwnChange) {
    const qorsim::Adapter start = baseModel();
    qorsim::Adapter before = start, after = start;
    before.containers.at(1).label[0] = 'A'; // an earlier FIB of the call
    after = before;
    after.containers.at(2).drained = true; // the damaged FIB's own change
    const Row r = row("r", kBase, nullptr, {"container 1", "container 2", "container 3"});
    struct Case {
        const char* what;
        std::function<void(qorsim::Adapter&)> end; // from the plain failure's end (the start)
        bool replyDamaged;
        bool allowed;
    } cases[] = {
        {"the FIB's change kept", [](qorsim::Adapter& a) { a.containers.at(2).drained = true; },
         true, true},
        {"an earlier change kept too",
         [](qorsim::Adapter& a) {
             a.containers.at(2).drained = true;
             a.containers.at(1).label[0] = 'A';
         },
         true, false},
        {"another field", [](qorsim::Adapter& a) { a.containers.at(2).offline = true; }, true,
         false},
        {"a refusal, not a damaged reply",
         [](qorsim::Adapter& a) { a.containers.at(2).drained = true; }, false, false},
    };
    for (const Case& c : cases) {
        RunResult run;
        run.status = FSA_STATUS(38);
        run.start = &start;
        run.success = &start;
        run.beforeFib = &before;
        run.afterFib = &after;
        run.failedHere = &start;
        run.replyDamaged = c.replyDamaged;
        run.end = start;
        c.end(run.end);
        EXPECT_EQ(judge(r, run).empty(), c.allowed) << c.what;
    }
}

// Whatever the row allows, the host must not keep reaching a number whose
// container is gone.
TEST(SweepJudge, AHostDiskLeftForAContainerThatIsGoneFails) {
    const qorsim::Adapter start = baseModel();
    Row r = row("r", kBase, nullptr, {"container 2", "host disk 2"});
    r.partials.push_back(failedExcept("anything", {"container 2", "host disk 2"}));
    RunResult run;
    run.status = FSA_STATUS(38);
    run.start = &start;
    run.success = &start;
    run.end = start;
    run.end.containers.erase(2);
    EXPECT_THAT(judge(r, run), HasSubstr("host disk 2 stays for container 2, which is gone"));
    run.end.hostDisks.at(2).deleted = true;
    EXPECT_EQ(judge(r, run), "");
}

// Runs that cannot differ from the clean one are left out.
TEST(SweepKinds, LeaveOutOnlyRunsThatCannotDiffer) {
    auto fib = [](int command, std::uint32_t word0, std::uint32_t word1) {
        qorsim::JournalEntry e;
        e.fibCommand = command;
        qorsim::put16(e.reply.data(), qorsim::kSize, 40);
        qorsim::put32(e.reply.data(), qorsim::kFibHeader, word0);
        qorsim::put32(e.reply.data(), qorsim::kFibHeader + 4, word1);
        return e;
    };
    const std::vector<qorsim::JournalEntry> fibs = {fib(704, 1, 0), fib(704, 1, 0),
                                                    fib(701, 1, 77)};
    EXPECT_FALSE(canDiffer(FailureKind::ZeroedReply, 1, fibs)) << "only a status word";
    EXPECT_TRUE(canDiffer(FailureKind::ZeroedReply, 3, fibs));
    EXPECT_TRUE(canDiffer(FailureKind::ReplayedReply, 1, fibs)) << "the open's reply before it";
    EXPECT_FALSE(canDiffer(FailureKind::ReplayedReply, 2, fibs)) << "the same reply again";
    EXPECT_TRUE(canDiffer(FailureKind::ReplayedReply, 3, fibs));
    EXPECT_TRUE(canDiffer(FailureKind::OtherClient, 2, fibs));
    EXPECT_FALSE(canDiffer(FailureKind::OtherClient, 3, fibs)) << "nothing follows the last";
    EXPECT_TRUE(canDiffer(FailureKind::DriverError, 3, fibs));
}

} // namespace
} // namespace fsasweep
