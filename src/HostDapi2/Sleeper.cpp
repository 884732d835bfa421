#include "HostDapi2/Sleeper.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace VarnDiags::HostDapi2 {
namespace {

void realSleep(unsigned int seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
}

std::atomic<Sleeper> s_sleeper{&realSleep};

} // namespace

void sleepSeconds(unsigned int seconds) {
    s_sleeper.load()(seconds);
}

Sleeper setSleeper(Sleeper sleeper) {
    return s_sleeper.exchange(sleeper != nullptr ? sleeper : &realSleep);
}

} // namespace VarnDiags::HostDapi2
