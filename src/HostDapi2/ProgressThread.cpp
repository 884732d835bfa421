#include <fstream>
#include <memory>

#include "Diag/ProgramPlug.h"
#include "HostDapi2/HostShell.h"
#include "HostDapi2/Sleeper.h"
#include "System/LogStreams.h"
#include "dapi2.h"

namespace VarnDiags::HostDapi2 {

using Diag::DiagnosticEvent;
using Diag::DiagnosticStatus;
using System::logLine;

namespace {

class ProgressRelay {
public:
    explicit ProgressRelay(Diag::IDiagnostics& diagnostic) : m_diagnostic(diagnostic) {
        // Truncated at every run, so it holds the last run only.
        if (System::diagLogLevel())
            System::openLogFile(m_log, std::string(MODULE_NAME) + "Prog.log", false);
    }

    void run() {
        logLine(&m_log, "Inside UpdateDiagProgress() ");
        logLine(&m_log, "PERCENT DONE : ", -1);
        DiagnosticStatus::Status status = m_diagnostic.getDiagnosticStatus().getStatus();
        logLine(&m_log, "Status = ", static_cast<int>(status));

        while (status != DiagnosticStatus::RUNNING && status != DiagnosticStatus::COMPLETE) {
            if (Dapi2_CheckForStop() != 0)
                return stop();
            sleepSeconds(1);
            status = m_diagnostic.getDiagnosticStatus().getStatus();
        }
        while (status != DiagnosticStatus::COMPLETE) {
            if (Dapi2_CheckForStop() != 0)
                return stop();
            relayQueuedEvents();
            reportProgress();
            sleepSeconds(1);
            status = m_diagnostic.getDiagnosticStatus().getStatus();
        }
        relayQueuedEvents();
        Dapi2_SetPercentDone(100);
        logLine(&m_log, "PERCENT DONE : 100");
    }

private:
    void stop() {
        m_diagnostic.abortDiagnostic();
        logLine(&m_log, "EventCode = ", eventCodeText(1));
        Dapi2_Warning(1, " ");
    }

    void reportProgress() {
        unsigned int percent = m_diagnostic.getDiagnosticStatus().getProgress();
        logLine(&m_log, "PERCENT DONE : ", percent);
        Dapi2_SetPercentDone(static_cast<int>(percent));
    }

    void relayQueuedEvents() {
        while (std::unique_ptr<DiagnosticEvent> event{m_diagnostic.getDiagnosticEvent()})
            relay(*event);
    }

    void relay(const DiagnosticEvent& event) {
        const unsigned int code = event.getEventCode();
        logLine(&m_log, "UpdateDiagProgress(): Found event code in queue:", code);
        logLine(&m_log, "EventCode = ", eventCodeText(code));
        const std::string text = event.getEventString();
        logLine(&m_log, "custom parameter passed(if any)-> ", text);
        switch (event.getEventType()) {
        case DiagnosticEvent::INFORMATION_EVENT:
        case DiagnosticEvent::WARNING_EVENT:
            logLine(pLogFile, "A Warning ");
            Dapi2_Warning(code, text.c_str());
            break;
        case DiagnosticEvent::ERROR_EVENT:
            logLine(pLogFile, "A ERROR ");
            Dapi2_Error(code, text.c_str());
            break;
        }
        reportProgress();
        sleepSeconds(1);
    }

    Diag::IDiagnostics& m_diagnostic;
    std::ofstream m_log; // closed on every end of the thread
};

} // namespace

void UpdateDiagProgress(Diag::IDiagnostics* diagnostic) {
    if (diagnostic != nullptr)
        ProgressRelay(*diagnostic).run();
}

} // namespace VarnDiags::HostDapi2
