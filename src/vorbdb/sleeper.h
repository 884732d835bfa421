// Waits between retries go through one replaceable sleeper, so that tests of
// the retry paths do not wait for real.
#pragma once

namespace vorbdb {

inline constexpr unsigned kRetryWaitMs = 1500;

using Sleeper = void (*)(unsigned ms);

// nullptr restores the real sleep.
void setSleeper(Sleeper sleeper);
void waitBeforeRetry();

} // namespace vorbdb
