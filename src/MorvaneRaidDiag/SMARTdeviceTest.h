#pragma once
// Reads the SMART data of every container-compatible storage device of the
// controller; the first device whose data cannot be read fails the test.

#include "RaidFunctionalTest.h"

namespace VarnDiags::MorvaneRaidDiag {

class SMARTdeviceTest : public RaidFunctionalTest {
public:
    SMARTdeviceTest(std::ofstream& log, System::EventQueue& events);

protected:
    Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) override;
};

} // namespace VarnDiags::MorvaneRaidDiag
