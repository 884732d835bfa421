#include "Sleeper.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace VarnDiags::MorvaneRaidDiag {

namespace {

void realSleep(unsigned int seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
}

std::atomic<Sleeper> g_sleeper{&realSleep};

} // namespace

void sleepSeconds(unsigned int seconds) {
    g_sleeper.load()(seconds);
}

Sleeper setSleeper(Sleeper sleeper) {
    return g_sleeper.exchange(sleeper ? sleeper : &realSleep);
}

} // namespace VarnDiags::MorvaneRaidDiag
