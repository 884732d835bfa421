#include "PauseResumeIoTest.h"

#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

const RaidTestTexts kTexts = {
    "PauseResumeIoTest::PauseResumeIoTest()",
    "MorvaneRaidDiag::PauseResumeIoTest::run()",
    nullptr,
    "MorvaneRaidDiag::PauseResumeIoTest::pResult: ",
};

} // namespace

PauseResumeIoTest::PauseResumeIoTest(std::ofstream& log, System::EventQueue& events)
    : RaidFunctionalTest(log, events, kTexts) {}

Diag::DiagnosticResult* PauseResumeIoTest::check(MorvaneRaidCtrl& ctrl) {
    if (!ctrl.pauseIo(PAUSE_SECONDS))
        return makeResult(PAUSE_IO_FUNCTION_FAILED);
    if (!ctrl.resumeIo())
        return makeResult(RESUME_IO_FUNCTION_FAILED);
    return makeResult(TEST_COMPLETED_SUCCESSFULLY);
}

} // namespace VarnDiags::MorvaneRaidDiag
