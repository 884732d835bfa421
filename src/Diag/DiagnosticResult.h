#pragma once
// The one result a test returns (and the summary a diagnostic returns).
// FAILED outranks UNUSUAL_STATUS, which outranks PASSED.

#include "Diag/DiagnosticEvent.h"
#include "System/DateTime.h"

namespace VarnDiags::Diag {

class DiagnosticResult : public DiagnosticEvent {
public:
    enum TestResult { PASSED = 0, UNUSUAL_STATUS = 1, FAILED = 2 };

    DiagnosticResult() = default;
    DiagnosticResult(TestResult result, unsigned int code, EventType type, unsigned int parameter)
        : DiagnosticEvent(code, type, parameter), m_result(result) {}
    ~DiagnosticResult() override = default;

    TestResult getTestResult() const { return m_result; }
    void setTestStartTime(const System::DateTime& time) { m_startTime = time; }
    System::DateTime getTestStartTime() const { return m_startTime; }
    void setTestCompletionTime(const System::DateTime& time) { m_completionTime = time; }
    System::DateTime getTestCompletionTime() const { return m_completionTime; }
    bool getQuickTestMode() const { return m_quickTestMode; }
    bool getHaltOnError() const { return m_haltOnError; }
    bool getReportStatusMessage() const { return m_reportStatusMessage; }
    bool getLogEvents() const { return m_logEvents; }
    const char* getLogfileName() const { return m_logFileName; }

private:
    TestResult m_result = PASSED;
    bool m_quickTestMode = false;
    bool m_haltOnError = false;
    bool m_reportStatusMessage = false;
    bool m_logEvents = false;
    const char* m_logFileName = "";
    System::DateTime m_startTime;
    System::DateTime m_completionTime;
};

} // namespace VarnDiags::Diag
