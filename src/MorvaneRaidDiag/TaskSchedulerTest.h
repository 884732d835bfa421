#pragma once
// On every idle storage device of the controller: starts a blink and a
// verify task, finds them in the device's task list and terminates the
// first one listed.

#include "RaidFunctionalTest.h"

namespace VarnDiags::MorvaneRaidDiag {

class TaskSchedulerTest : public RaidFunctionalTest {
public:
    TaskSchedulerTest(std::ofstream& log, System::EventQueue& events);

    static constexpr unsigned int BLINK_COUNT = 2;

protected:
    Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) override;
};

} // namespace VarnDiags::MorvaneRaidDiag
