#include "sleeper.h"

#include <atomic>

#include "os_port.h"

namespace vorbdb {
namespace {
std::atomic<Sleeper> g_sleeper{nullptr};
}

void setSleeper(Sleeper sleeper) {
    g_sleeper.store(sleeper);
}

void waitBeforeRetry() {
    Sleeper sleeper = g_sleeper.load();
    (sleeper != nullptr ? sleeper : os::sleepMilliseconds)(kRetryWaitMs);
}

} // namespace vorbdb
