#include "interrupt.h"

#include <atomic>

namespace dapi2 {
namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void onInterrupt(int) {
    g_interrupted.store(true);
}

} // namespace

bool interrupted() {
    return g_interrupted.load();
}

void clearInterrupted() {
    g_interrupted.store(false);
}

InterruptCatcher::InterruptCatcher() {
    struct sigaction action {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART; // the second Ctrl-C is not caught
    sigaction(SIGINT, &action, &previous_);
}

InterruptCatcher::~InterruptCatcher() {
    sigaction(SIGINT, &previous_, nullptr);
}

} // namespace dapi2
