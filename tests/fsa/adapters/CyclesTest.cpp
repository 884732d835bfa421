#include "SimFixture.h"

#include "HandleTable.h"
#include "LiveThreads.h"

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using fsatest::SimTest;
using namespace std::chrono_literals;

std::size_t entries(const char* dir) {
    std::size_t n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

std::size_t openDescriptors() {
    return entries("/proc/self/fd");
}
std::size_t runningThreads() {
    return fsatest::liveThreadCount();
}

// Whether any process other than this one could not take the lock now.
bool lockFree(const char* path) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(path, O_RDWR);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;
        ::_exit(fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SimTest, TwoHundredOpenCloseCyclesLeaveNothingBehind) {
    void* warmup = open("qor0", FSA_ACC_READ_WRITE); // first-use allocations of the library
    FsaCloseAdapter(warmup);
    const std::size_t fds = openDescriptors();
    const std::size_t threads = runningThreads();
    for (int i = 0; i < 200; ++i) {
        const FSA_ACCESS access = i % 2 ? FSA_ACC_READ_ONLY : FSA_ACC_READ_WRITE;
        void* h = open(i % 3 ? "qor0" : "qor2", access);
        ASSERT_NE(h, nullptr) << "cycle " << i;
        if (i % 5 == 0)
            sim.notify(0, {18});
        ASSERT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS) << "cycle " << i;
    }
    EXPECT_EQ(openDescriptors(), fds);
    EXPECT_EQ(runningThreads(), threads);
    EXPECT_EQ(sim.openNodeCount(), 0u);
    EXPECT_EQ(sim.openChannelCount(), 0u);
    EXPECT_EQ(UtilHandleCount(), 0u);
    EXPECT_TRUE(lockFree("/tmp/.qor0lock"));
    EXPECT_TRUE(lockFree("/tmp/.qor2lock"));
}

TEST_F(SimTest, CloseWhileTheThreadBlocksInTheDriverReturnsPromptly) {
    fsa::setSleeper(nullptr); // real time: the close must not depend on fast polls
    for (int round = 0; round < 5; ++round) {
        void* h = open();
        for (int i = 0; i < 5000 && sim.blockedWaiters() == 0; ++i)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(sim.blockedWaiters(), 1);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_EQ(sim.blockedWaiters(), 0);
    }
}

TEST_F(SimTest, ApplicationRunsTheReceiveLoopItself) {
    FsaInitCreateThread(1); // from now on the library owns no event threads
    void* h = open();
    std::thread loop([h] { FsaAIFThreadProcessing(h); });
    for (int i = 0; i < 5000 && sim.blockedWaiters() == 0; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(sim.blockedWaiters(), 1);
    EXPECT_EQ(FsaAIFStopThreadProcessing(h), FSA_STS_SUCCESS);
    loop.join();
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaAIFThreadProcessing(nullptr), FSA_STS_INVALID_HANDLE);
}

// The stop ends the application's own loop and must not free what the ending
// loop still touches; the adapter is closed before the loop's thread is
// joined, as an application may. The window is a few instructions wide, so
// the cycle is repeated.
TEST_F(SimTest, StopWhileTheApplicationsLoopEnds) {
    FsaInitCreateThread(1);
    for (int round = 0; round < 200; ++round) {
        void* h = open();
        std::thread loop([h] { FsaAIFThreadProcessing(h); });
        for (int i = 0; i < 20000 && sim.blockedWaiters() == 0; ++i)
            std::this_thread::sleep_for(100us);
        ASSERT_EQ(sim.blockedWaiters(), 1) << "round " << round;
        EXPECT_EQ(FsaAIFStopThreadProcessing(h), FSA_STS_SUCCESS);
        EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
        loop.join();
    }
}

} // namespace
