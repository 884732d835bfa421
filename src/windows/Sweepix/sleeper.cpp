#include "sleeper.h"

#include <windows.h>

namespace {

void realSleep(unsigned long milliseconds) {
    Sleep(milliseconds);
}

SleepFunction g_sleep = realSleep;

} // namespace

void sleepFor(unsigned long milliseconds) {
    g_sleep(milliseconds);
}

SleepFunction setSleepFunction(SleepFunction function) {
    SleepFunction previous = g_sleep;
    g_sleep = function ? function : realSleep;
    return previous;
}
