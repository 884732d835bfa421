#pragma once
// Writes the controller's diagnostic text dump into "DumpLogTest.log" of the
// current directory, replaced on each run.

#include "RaidFunctionalTest.h"

namespace VarnDiags::MorvaneRaidDiag {

class DumpLogTest : public RaidFunctionalTest {
public:
    DumpLogTest(std::ofstream& log, System::EventQueue& events);

    static constexpr const char* FILE_NAME = "DumpLogTest.log";

protected:
    Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) override;
};

} // namespace VarnDiags::MorvaneRaidDiag
