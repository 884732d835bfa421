// The sweep's own leak checks: they see the threads they are there to see,
// and nothing that has already ended.
#include "BlinkManager.h"
#include "LiveThreads.h"
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

} // namespace
} // namespace fsasweep
