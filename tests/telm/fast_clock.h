// Shrinks the library's time limits for tests: one second becomes 50 ms, and
// fixed sleeps are recorded and last a quarter of their time.
#pragma once

#include "clock.h"

#include <atomic>

namespace telmtest {

class FastClock : public telm::Clock {
public:
    int millisFor(int seconds) const override { return seconds * 50; }
    void sleepMicros(unsigned micros) const override {
        ++sleeps;
        lastSleep = micros;
        telm::Clock::sleepMicros(micros / 4);
    }
    mutable std::atomic<int> sleeps{0};
    mutable std::atomic<unsigned> lastSleep{0};
};

// Installs a FastClock for the life of the object.
class FastClockScope {
public:
    FastClockScope() { telm::setClock(&clock); }
    ~FastClockScope() { telm::setClock(nullptr); }
    FastClock clock;
};

} // namespace telmtest
