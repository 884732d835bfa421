#pragma once
// Judges the controller's NVRAM and its battery: an NVRAM in error or
// unreadable is an error, a battery that is low or needs reconditioning a
// warning (an error beside an NVRAM error), an unreadable battery an error.

#include "RaidFunctionalTest.h"

namespace VarnDiags::MorvaneRaidDiag {

class NVRAMandBatteryTest : public RaidFunctionalTest {
public:
    NVRAMandBatteryTest(std::ofstream& log, System::EventQueue& events);

protected:
    Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) override;
};

} // namespace VarnDiags::MorvaneRaidDiag
