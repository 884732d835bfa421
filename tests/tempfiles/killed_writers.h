// What crashes in the middle of rewrites leave: a child process rewrites a
// file over and over and is killed (SIGKILL) while it writes a temporary.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kortest {

// Kills `kills` children that repeat `rewrite`, each as soon as
// `writing(child)` finds the child's temporary file, give or take a random
// millisecond: every kill comes in the middle of a rewrite.
inline void killRewritesMidway(const std::function<void()>& rewrite,
                               const std::function<bool(pid_t)>& writing, int kills = 30) {
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> moment(0, 1000);
    for (int kill = 0; kill < kills; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            for (;;)
                rewrite();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool seen = false;
        while (!(seen = writing(child)) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(seen) << "the writer wrote no temporary file";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own";
    }
}

} // namespace kortest
