#pragma once
// Pauses the controller's I/O for up to 10 seconds and resumes it.

#include "Diag/IFunctionalTest.h"

#include <atomic>

namespace VarnDiags::MorvaneRaidDiag {

class PauseResumeIoTest : public Diag::IFunctionalTest {
public:
    PauseResumeIoTest(std::ofstream& log, System::EventQueue& events);

    // The device must be a MorvaneRaidCtrl (anything else counts as no device).
    Diag::DiagnosticResult* run(DeviceEnum::IDevice* device,
                                const Diag::DiagnosticSettings& settings) override;
    // Noted only: a pause and resume is not cut short.
    void abortTest() override { m_abort = true; }

    static constexpr unsigned int PAUSE_SECONDS = 10;

private:
    std::atomic<bool> m_abort{false};
};

} // namespace VarnDiags::MorvaneRaidDiag
