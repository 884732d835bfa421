#pragma once
// Status and per-cent progress of a diagnostic or a test. One thread writes
// them while another polls, so both are atomic; copies take a snapshot.

#include <atomic>

namespace VarnDiags::Diag {

class DiagnosticStatus {
public:
    enum Status { READY = 0, COMPLETE = 1, RUNNING = 2, INIT_FAILED = 3 };

    DiagnosticStatus() = default;
    DiagnosticStatus(const DiagnosticStatus& other)
        : m_status(other.m_status.load()), m_progress(other.m_progress.load()) {}
    DiagnosticStatus& operator=(const DiagnosticStatus& other) {
        m_status = other.m_status.load();
        m_progress = other.m_progress.load();
        return *this;
    }

    Status getStatus() const { return m_status; }
    void setStatus(Status status) { m_status = status; }
    unsigned int getProgress() const { return m_progress; }
    void setProgress(unsigned int progress) { m_progress = progress; }

private:
    std::atomic<Status> m_status{READY};
    std::atomic<unsigned int> m_progress{0};
};

} // namespace VarnDiags::Diag
