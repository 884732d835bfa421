#pragma once
// The progress ticker: while a long SDM call runs, a thread moves the test's
// progress on by a fixed step after each wait, up to 100 minus one step at
// most. It never writes once the test has completed, and it is stopped and
// joined when its ticker object goes, so it never outlives the status it
// writes and never overwrites the test's final 100.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "Diag/DiagnosticStatus.h"

namespace VarnDiags::Diag {

class ProgressTicker {
public:
    ~ProgressTicker(); // stops the thread and joins it
    ProgressTicker(const ProgressTicker&) = delete;
    ProgressTicker& operator=(const ProgressTicker&) = delete;

private:
    friend class UpdateProgress;
    ProgressTicker(DiagnosticStatus& status, unsigned increment, unsigned waitSeconds);
    void start();
    void tick();

    DiagnosticStatus& m_status;
    const unsigned m_increment;
    const std::chrono::milliseconds m_wait;
    std::mutex m_lock;
    std::condition_variable m_stopped;
    bool m_stop = false;
    std::thread m_thread;
};

class UpdateProgress {
public:
    // Starts ticking `status` by `increment` per cent every `waitSeconds`.
    // Refused (null, logged) without a status, with an increment above 50
    // or a wait of 20 seconds or more; null too when the thread cannot start.
    static std::unique_ptr<ProgressTicker> StartUpdate(DiagnosticStatus* status, unsigned increment,
                                                       unsigned waitSeconds);

    // How long one of the ticker's seconds lasts (tests shorten it;
    // production keeps 1 s). Returns the length it replaced.
    static std::chrono::milliseconds setSecondLength(std::chrono::milliseconds length);
};

} // namespace VarnDiags::Diag
