// The waits of the clean-up actions (service stop polls, uninstaller polls).
// Production sleeps for real; tests may put in a function of their own.
#pragma once

using SleepFunction = void (*)(unsigned long milliseconds);

void sleepFor(unsigned long milliseconds);
// Installs `function` (null: the real sleep) and answers the previous one.
SleepFunction setSleepFunction(SleepFunction function);
