#include "clock.h"

#include <cerrno>
#include <ctime>

namespace telm {

void Clock::sleepMicros(unsigned micros) const {
    timespec left{static_cast<time_t>(micros / 1000000),
                  static_cast<long>(micros % 1000000) * 1000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

namespace {
const Clock realClock;
const Clock* current = &realClock;
} // namespace

const Clock& clock() {
    return *current;
}
void setClock(const Clock* replacement) {
    current = replacement ? replacement : &realClock;
}

} // namespace telm
