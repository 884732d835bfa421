#include "RaidFunctionalTest.h"

#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"
#include "System/LogStreams.h"

namespace VarnDiags::MorvaneRaidDiag {

RaidFunctionalTest::RaidFunctionalTest(std::ofstream& log, System::EventQueue& events,
                                       const RaidTestTexts& texts)
    : IFunctionalTest(log, events), m_texts(texts) {
    logLine(m_texts.constructed);
}

void RaidFunctionalTest::logLine(const char* text) {
    System::logLine(&m_log, text);
}

Diag::DiagnosticResult* RaidFunctionalTest::run(DeviceEnum::IDevice* device,
                                                const Diag::DiagnosticSettings&) {
    logLine(m_texts.firstLine);
    m_status.setStatus(Diag::DiagnosticStatus::RUNNING);
    Diag::DiagnosticResult* result = nullptr;
    if (auto* ctrl = dynamic_cast<MorvaneRaidCtrl*>(device)) {
        result = check(*ctrl);
    } else {
        if (m_texts.noDevice)
            logLine(m_texts.noDevice);
        result = makeResult(INVALID_DEVICE_REFERENCE);
    }
    m_status.setProgress(100);
    m_status.setStatus(Diag::DiagnosticStatus::COMPLETE);
    System::logLine(&m_log, m_texts.resultPrefix, testResultWord(result->getTestResult()), " ",
                    resultCodeWord(result->getEventCode()), " ",
                    eventTypeWord(result->getEventType()));
    return result;
}

} // namespace VarnDiags::MorvaneRaidDiag
