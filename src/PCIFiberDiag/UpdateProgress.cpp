#include "PCIFiberDiag/UpdateProgress.h"

#include <atomic>
#include <system_error>

#include "System/LogStreams.h"

namespace VarnDiags::Diag {

using System::logLine;

namespace {

std::atomic<long long> s_secondMs{1000};

bool refused(const char* requirement) {
    logLine(pLogFile0, "UpdateProgress::StartUpdate() refused: ", requirement);
    return true;
}

} // namespace

ProgressTicker::ProgressTicker(DiagnosticStatus& status, unsigned increment, unsigned waitSeconds)
    : m_status(status), m_increment(increment),
      m_wait(std::chrono::milliseconds(s_secondMs.load() * waitSeconds)) {}

void ProgressTicker::start() {
    m_thread = std::thread(&ProgressTicker::tick, this);
}

ProgressTicker::~ProgressTicker() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_stopped.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ProgressTicker::tick() {
    unsigned progress = m_status.getProgress();
    std::unique_lock<std::mutex> lock(m_lock);
    while (progress < 100 - m_increment) {
        if (m_stopped.wait_for(lock, m_wait, [this] { return m_stop; }))
            return;
        progress += m_increment;
        if (m_status.getStatus() == DiagnosticStatus::COMPLETE)
            return;
        m_status.setProgress(progress);
    }
}

std::unique_ptr<ProgressTicker>
UpdateProgress::StartUpdate(DiagnosticStatus* status, unsigned increment, unsigned waitSeconds) {
    if ((status == nullptr && refused("status")) ||
        (increment >= 51 && refused("progressIncrement < 51")) ||
        (waitSeconds >= 20 && refused("waitTimeInSec < 20")))
        return nullptr;
    std::unique_ptr<ProgressTicker> ticker(new ProgressTicker(*status, increment, waitSeconds));
    try {
        ticker->start();
    } catch (const std::system_error& error) {
        logLine(pLogFile0, "UpdateProgress::StartUpdate() no ticker thread: ", error.what());
        return nullptr;
    }
    return ticker;
}

std::chrono::milliseconds UpdateProgress::setSecondLength(std::chrono::milliseconds length) {
    return std::chrono::milliseconds(s_secondMs.exchange(length.count()));
}

} // namespace VarnDiags::Diag
