#include "HostDapi2/HostShell.h"

#include "Diag/ProgramPlug.h"
#include "System/LogStreams.h"
#include "dapi2.h"

namespace VarnDiags::HostDapi2 {

using System::logLine;

std::string eventCodeText(unsigned int code) {
    return std::string(MODULE_NAME) + "_" + std::to_string(code);
}

int hostResultCode(const Diag::DiagnosticResult& summary) {
    switch (summary.getTestResult()) {
    case Diag::DiagnosticResult::PASSED:
        return HOST_PASSED;
    case Diag::DiagnosticResult::UNUSUAL_STATUS:
        return summary.getEventCode() == Diag::ENGINE_RUN_ABORTED ? HOST_ABORTED : HOST_UNUSUAL;
    default:
        return HOST_FAILED;
    }
}

int runHostShell(int argc, char** argv) {
    System::openLogStreams(MODULE_NAME);
    logLine(pLogFile5, "Inside int main (int iArgc, char *szArgv[]) ");
    tag_DapiRegistration* registration = Dapi2_CreateRegistrationStructure();
    if (registration == nullptr) {
        logLine(pLogFile0, "ERROR -- memory allocation problem.");
        Dapi2_FreeRegistrationStructure(registration);
        System::closeLogStreams();
        return 1;
    }
    // The host calls each callback with the type of its kind.
    Dapi2_AddRegistrationStructureCallback(
        registration, DAPI2_CALLBACK_ENUMERATE,
        reinterpret_cast<Dapi2Callback>(&VarnFrameworkEnumFunction));
    Dapi2_AddRegistrationStructureCallback(
        registration, DAPI2_CALLBACK_RUN,
        reinterpret_cast<Dapi2Callback>(&VarnFrameworkDiagFunction));
    Dapi2_Version(1, 1, 0);
    logLine(pLogFile5, "Will call Dapi2Main()");
    int result = Dapi2_Main(argc, argv, registration);
    logLine(pLogFile5, "Call to Dapi2_main() returned : ", result);
    Dapi2_FreeRegistrationStructure(registration);
    logLine(pLogFile5, "Exiting int main (int iArgc, char *szArgv[])");
    System::closeLogStreams();
    return result;
}

} // namespace VarnDiags::HostDapi2
