#include "TaskSchedulerTest.h"

#include "HostDapi2/Sleeper.h"
#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

const RaidTestTexts kTexts = {
    "TaskSchedulerTest::TaskSchedulerTest()",
    "MorvaneRaidDiag::TaskSchedulerTest::run()",
    nullptr,
    "MorvaneRaidDiag::TaskSchedulerTest::result: ",
};

bool startListAndTerminate(ScsiDevice& device) {
    if (!device.startBlinkingTask(TaskSchedulerTest::BLINK_COUNT) || !device.startVerifyTask())
        return false;
    HostDapi2::sleepSeconds(1);
    TaskVector tasks = device.getTaskVector();
    return !tasks.empty() && tasks.front().terminateTask();
}

} // namespace

TaskSchedulerTest::TaskSchedulerTest(std::ofstream& log, System::EventQueue& events)
    : RaidFunctionalTest(log, events, kTexts) {}

Diag::DiagnosticResult* TaskSchedulerTest::check(MorvaneRaidCtrl& ctrl) {
    for (ScsiDevice& device : ctrl.getDeviceVector()) {
        if (!device.getTaskVector().empty())
            continue; // busy devices are left alone
        if (!startListAndTerminate(device))
            return makeResult(TASK_SCHEDULER_FUNCTION_FAILED);
    }
    return makeResult(TEST_COMPLETED_SUCCESSFULLY);
}

} // namespace VarnDiags::MorvaneRaidDiag
