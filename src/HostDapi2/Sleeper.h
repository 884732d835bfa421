#pragma once
// Every wait of the host shell (1 s per progress poll, 3 s after starting
// the debugger aid, ...) goes through one replaceable sleeper, so tests can
// run the shell without waiting real seconds. Production keeps the real one.

namespace VarnDiags::HostDapi2 {

using Sleeper = void (*)(unsigned int seconds);

void sleepSeconds(unsigned int seconds);

// Installs another sleeper (null restores the real one); returns the one
// it replaced.
Sleeper setSleeper(Sleeper sleeper);

} // namespace VarnDiags::HostDapi2
