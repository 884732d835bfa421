// What crashes in the middle of rewrites leave: a child process rewrites a
// file over and over and is killed (SIGKILL) while it writes a temporary.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kortest {

// Kills `kills` children that repeat `rewrite`, each in the middle of a
// rewrite: a random moment (up to a millisecond) after `writing(child)` first
// finds the child's temporary file, the child is stopped (SIGSTOP), and it is
// killed only if, stopped, it still has one. A child stopped between two
// rewrites goes on (SIGCONT) and is stopped again later. How long a rewrite
// takes next to the polling and the stop decides only how many tries a kill
// needs, never whether it lands mid-rewrite. Each killed child's temporary
// must outlive it.
//
// A busy machine slows both the child's rewrites and the polling, so the
// helper gives up on a child only once it has had both a while and a number
// of whole rewrites to be caught in, or when it stops finishing rewrites.
inline void killRewritesMidway(const std::function<void()>& rewrite,
                               const std::function<bool(pid_t)>& writing, int kills = 30) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kWhile = std::chrono::seconds(20);
    constexpr unsigned long kRewrites = 100;
    constexpr auto kStuck = std::chrono::seconds(120);
    // Whole rewrites the child has finished, counted where the helper sees it.
    void* shared = ::mmap(nullptr, sizeof(std::atomic<unsigned long>), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto* finished = new (shared) std::atomic<unsigned long>(0);
    struct Unmap {
        void* at;
        ~Unmap() { ::munmap(at, sizeof(std::atomic<unsigned long>)); }
    } unmap{shared};
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> moment(0, 1000);
    for (int kill = 0; kill < kills; ++kill) {
        finished->store(0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            for (;;) {
                rewrite();
                finished->fetch_add(1);
            }
        const auto start = Clock::now();
        auto progressed = start;
        unsigned long lastCount = 0;
        const auto trying = [&] {
            const auto now = Clock::now();
            const unsigned long count = finished->load();
            if (count != lastCount)
                lastCount = count, progressed = now;
            return now - progressed < kStuck && (now - start < kWhile || count < kRewrites);
        };
        bool seen = false, stoppedMidway = false, endedOnItsOwn = false;
        int status = 0;
        while (!stoppedMidway && trying()) {
            if (!seen) {
                seen = writing(child);
                if (!seen) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    continue;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
            ASSERT_EQ(::kill(child, SIGSTOP), 0);
            ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
            if (!WIFSTOPPED(status)) {
                endedOnItsOwn = true;
                break;
            }
            stoppedMidway = writing(child);
            if (!stoppedMidway) {
                ASSERT_EQ(::kill(child, SIGCONT), 0);
            }
        }
        if (!endedOnItsOwn) {
            ASSERT_EQ(::kill(child, SIGKILL), 0);
            ASSERT_EQ(::waitpid(child, &status, 0), child);
        }
        ASSERT_TRUE(seen) << "the writer wrote no temporary file in " << lastCount << " rewrites";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer stopped on its own";
        ASSERT_TRUE(stoppedMidway) << "the writer was never stopped in the middle of a rewrite in "
                                   << lastCount << " rewrites";
        ASSERT_TRUE(writing(child)) << "the killed writer's temporary went with it";
    }
}

} // namespace kortest
