// The library's one seam for time: every network time limit and fixed sleep
// goes through it so that tests can shrink them. Production keeps real time.
#pragma once

namespace telm {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds to wait for a limit given in seconds.
    virtual int millisFor(int seconds) const { return seconds * 1000; }
    virtual void sleepMicros(unsigned micros) const;
};

const Clock& clock();
// nullptr restores the real clock. The caller keeps ownership.
void setClock(const Clock* replacement);

} // namespace telm
