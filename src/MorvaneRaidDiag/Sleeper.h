#pragma once
// The RAID diagnostic's waits (the settle time after a resume, the polls of
// the paused state) go through one replaceable sleeper, so tests need not
// wait real seconds. Production keeps the real one.

namespace VarnDiags::MorvaneRaidDiag {

using Sleeper = void (*)(unsigned int seconds);

void sleepSeconds(unsigned int seconds);

// Installs another sleeper (null restores the real one); returns the one it
// replaced.
Sleeper setSleeper(Sleeper sleeper);

} // namespace VarnDiags::MorvaneRaidDiag
