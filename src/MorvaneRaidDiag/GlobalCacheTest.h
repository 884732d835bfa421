#pragma once
// Reads the controller's global cache parameters; the values are not judged.

#include "RaidFunctionalTest.h"

namespace VarnDiags::MorvaneRaidDiag {

class GlobalCacheTest : public RaidFunctionalTest {
public:
    GlobalCacheTest(std::ofstream& log, System::EventQueue& events);

protected:
    Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) override;
};

} // namespace VarnDiags::MorvaneRaidDiag
