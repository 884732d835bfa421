// The thread count of the leak checks: it sees the threads that run, and
// nothing that has already ended.
#include "LiveThreads.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <dirent.h>
#include <mutex>
#include <pthread.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fsasweep {
namespace {

TEST(LiveThreads, ARunningThreadCountsAndAJoinedOneDoesNot) {
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
std::size_t listedTasks() {
    std::size_t n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

void* afterTheMainThreadEnded(void*) {
    const std::string leader = std::to_string(::getpid());
    for (int i = 0; i < 5000 && !fsatest::taskExiting(leader.c_str()); ++i)
        ::usleep(1000);
    if (!fsatest::taskExiting(leader.c_str()))
        ::_exit(2);
    if (listedTasks() != 2)
        ::_exit(3);
    ::_exit(fsatest::liveThreadCount() == 1 ? 0 : 4);
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

} // namespace
} // namespace fsasweep
