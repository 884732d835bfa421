#pragma once
// The caller's choice for one run. The engine reads only the test list;
// the flags and the log name are handed to the tests unchanged.

#include <string>
#include <vector>

namespace VarnDiags::Diag {

class DiagnosticSettings {
public:
    DiagnosticSettings() = default;
    DiagnosticSettings(std::vector<int> testNumbers, bool quickTestMode, bool haltOnError,
                       bool reportStatusMessage, bool logEvents, std::string logFileName)
        : m_testNumbers(std::move(testNumbers)), m_quickTestMode(quickTestMode),
          m_haltOnError(haltOnError), m_reportStatusMessage(reportStatusMessage),
          m_logEvents(logEvents), m_logFileName(std::move(logFileName)) {}

    // Empty: run every test.
    std::vector<int> getTestNumberVector() const { return m_testNumbers; }
    void setTestNumberVector(std::vector<int> testNumbers) {
        m_testNumbers = std::move(testNumbers);
    }

    bool getQuickTestMode() const { return m_quickTestMode; }
    bool getHaltOnError() const { return m_haltOnError; }
    bool getReportStatusMessage() const { return m_reportStatusMessage; }
    bool getLogEvents() const { return m_logEvents; }
    const std::string& getLogFileName() const { return m_logFileName; }

private:
    std::vector<int> m_testNumbers;
    bool m_quickTestMode = false;
    bool m_haltOnError = false;
    bool m_reportStatusMessage = false;
    bool m_logEvents = false;
    std::string m_logFileName;
};

} // namespace VarnDiags::Diag
