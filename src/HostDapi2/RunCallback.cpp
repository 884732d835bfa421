#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "Diag/ProgramPlug.h"
#include "HostDapi2/DebuggerAid.h"
#include "HostDapi2/DescriptorStore.h"
#include "HostDapi2/HostShell.h"
#include "HostDapi2/Sleeper.h"
#include "System/LogStreams.h"
#include "dapi2.h"

namespace VarnDiags::HostDapi2 {

using Diag::DiagnosticEvent;
using Diag::DiagnosticResult;
using System::logLine;

namespace {

// The run cannot start: tell the host why and fail the run.
int refuse(ShellError code, const std::string& text) {
    logLine(pLogFile, "VarnFrameworkDiagFunction(): ", text);
    Dapi2_Error(code, text.c_str());
    return HOST_FAILED;
}

// The progress thread of one run, joined on every way out.
class ProgressThread {
public:
    explicit ProgressThread(Diag::IDiagnostics& diagnostic)
        : m_thread(UpdateDiagProgress, &diagnostic) {}
    ~ProgressThread() { m_thread.join(); }
    ProgressThread(const ProgressThread&) = delete;
    ProgressThread& operator=(const ProgressThread&) = delete;

private:
    std::thread m_thread;
};

void reportSummary(const DiagnosticResult& summary, Diag::IDiagnostics& diagnostic) {
    logLine(pLogFile, "EventCode = ", eventCodeText(summary.getEventCode()));
    std::unique_ptr<DiagnosticEvent> event(diagnostic.getDiagnosticEvent());
    const std::string message = event ? event->getEventString() : " ";
    logLine(pLogFile, "custom parameter passed(if any)-> ", message);
    switch (summary.getEventType()) {
    case DiagnosticEvent::INFORMATION_EVENT:
    case DiagnosticEvent::WARNING_EVENT:
        logLine(pLogFile, "A Warning Event");
        Dapi2_Warning(summary.getEventCode(), message.c_str());
        break;
    case DiagnosticEvent::ERROR_EVENT:
        logLine(pLogFile, "An ERROR Event");
        Dapi2_Error(summary.getEventCode(), message.c_str());
        break;
    }
}

} // namespace

int VarnFrameworkDiagFunction(int testNumber, tag_DapiDiagDevice* hostDevice) {
    startDebuggerIfAsked("DEBUG_DIAG");
    if (hostDevice == nullptr)
        return HOST_NO_DEVICE;

    const int numberOfTests = GetNumberOfTests();
    if (numberOfTests != 0 && (testNumber < 0 || testNumber >= numberOfTests))
        return refuse(SHELL_BAD_TEST_NUMBER, "Test number " + std::to_string(testNumber) +
                                                 " is not between 0 and " +
                                                 std::to_string(numberOfTests - 1) + ".");

    const std::optional<std::string> descriptor = readDescriptor(hostDevice);
    if (!descriptor)
        return refuse(SHELL_NO_DESCRIPTOR, "The device carries no descriptor.");
    logLine(pLogFile, "Will create device -> ", *descriptor, "-> for Testing from FRU ");

    DeviceEnum::VirtualDevice* rebuilt = nullptr;
    GetVarnVirtualDevice(descriptor->c_str(), &rebuilt);
    std::unique_ptr<DeviceEnum::VirtualDevice> returned(rebuilt);
    if (returned == nullptr || returned->getDevice() == nullptr)
        return refuse(SHELL_NO_DEVICE, "The device could not be recreated from its descriptor.");
    DeviceEnum::VirtualDevice handle(*returned); // the only owner from here on
    returned.reset();

    std::unique_ptr<Diag::IDiagnostics> diagnostic(GetVarnDiagsTestObject());
    if (diagnostic == nullptr)
        return refuse(SHELL_NO_DIAGNOSTIC, "No diagnostic object.");
    if (diagnostic->getDiagnosticStatus().getStatus() == Diag::DiagnosticStatus::INIT_FAILED)
        return refuse(SHELL_INIT_FAILED, "The diagnostic could not be initialised.");

    Diag::DiagnosticSettings settings;
    if (numberOfTests != 0)
        settings.setTestNumberVector({testNumber});

    std::unique_ptr<DiagnosticResult> summary;
    int result = HOST_FAILED;
    {
        std::optional<ProgressThread> progress;
        try {
            progress.emplace(*diagnostic);
        } catch (const std::system_error& error) {
            return refuse(SHELL_NO_PROGRESS_THREAD,
                          std::string("The progress thread did not start: ") + error.what());
        }
        logLine(pLogFile, "UpdateDiagProgress Thread created. return status ->", 0);
        summary.reset(diagnostic->runDiagnostic(&handle, settings));
        sleepSeconds(1);
        // The progress thread relays every event the run queued, each with
        // its own code and kind, before the summary takes what is left:
        // taken first, an error event would pass as the summary's text.
        progress.reset();
        if (summary == nullptr) {
            refuse(SHELL_NO_RESULT, "The diagnostic returned no result.");
        } else {
            reportSummary(*summary, *diagnostic);
            result = hostResultCode(*summary);
        }
    }
    return result;
}

} // namespace VarnDiags::HostDapi2
