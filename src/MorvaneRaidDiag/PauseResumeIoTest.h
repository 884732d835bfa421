#pragma once
// Pauses the controller's I/O for up to 10 seconds and resumes it.

#include "RaidFunctionalTest.h"

namespace VarnDiags::MorvaneRaidDiag {

class PauseResumeIoTest : public RaidFunctionalTest {
public:
    PauseResumeIoTest(std::ofstream& log, System::EventQueue& events);

    static constexpr unsigned int PAUSE_SECONDS = 10;

protected:
    Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) override;
};

} // namespace VarnDiags::MorvaneRaidDiag
