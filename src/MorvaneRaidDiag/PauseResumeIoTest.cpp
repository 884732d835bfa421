#include "PauseResumeIoTest.h"

#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"
#include "System/LogStreams.h"

namespace VarnDiags::MorvaneRaidDiag {

using System::logLine;

PauseResumeIoTest::PauseResumeIoTest(std::ofstream& log, System::EventQueue& events)
    : IFunctionalTest(log, events) {
    logLine(&m_log, "PauseResumeIoTest::PauseResumeIoTest()");
}

namespace {

unsigned int pauseAndResume(DeviceEnum::IDevice* device) {
    auto* ctrl = dynamic_cast<MorvaneRaidCtrl*>(device);
    if (!ctrl)
        return INVALID_DEVICE_REFERENCE;
    if (!ctrl->pauseIo(PauseResumeIoTest::PAUSE_SECONDS))
        return PAUSE_IO_FUNCTION_FAILED;
    if (!ctrl->resumeIo())
        return RESUME_IO_FUNCTION_FAILED;
    return TEST_COMPLETED_SUCCESSFULLY;
}

} // namespace

Diag::DiagnosticResult* PauseResumeIoTest::run(DeviceEnum::IDevice* device,
                                               const Diag::DiagnosticSettings&) {
    logLine(&m_log, "MorvaneRaidDiag::PauseResumeIoTest::run()");
    m_status.setStatus(Diag::DiagnosticStatus::RUNNING);
    Diag::DiagnosticResult* result = makeResult(pauseAndResume(device));
    m_status.setProgress(100);
    m_status.setStatus(Diag::DiagnosticStatus::COMPLETE);
    logLine(&m_log, "MorvaneRaidDiag::PauseResumeIoTest::pResult: ",
            std::string(testResultWord(result->getTestResult())) + " " +
                resultCodeWord(result->getEventCode()) + " " +
                eventTypeWord(result->getEventType()));
    return result;
}

} // namespace VarnDiags::MorvaneRaidDiag
