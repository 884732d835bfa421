#pragma once
// The host shell: the thin layer between the diagnostic host library
// (dapi2.h) and the framework. `main` of every diagnostic program is
// runHostShell; the host calls the enumerate and run callbacks from inside
// Dapi2_Main.

#include <string>

#include "Diag/DiagnosticResult.h"
#include "Diag/IDiagnostics.h"

struct tag_DapiDiagDevice;

namespace VarnDiags::HostDapi2 {

// Codes of the host's run callback and of the enumerate callback.
enum HostResult : int {
    HOST_PASSED = 0,
    HOST_FAILED = 2,
    HOST_UNUSUAL = 6,
    HOST_ABORTED = 8,
    HOST_NO_DEVICE = 9,
    HOST_ENUMERATION_FAILED = 31,
};

// Event codes of the errors the run callback reports itself (Dapi2_Error)
// when it cannot run the diagnostic; the callback then returns HOST_FAILED.
enum ShellError : unsigned int {
    SHELL_BAD_TEST_NUMBER = 90,
    SHELL_NO_DESCRIPTOR = 91,
    SHELL_NO_DEVICE = 92,
    SHELL_NO_DIAGNOSTIC = 93,
    SHELL_INIT_FAILED = 94,
    SHELL_NO_PROGRESS_THREAD = 95,
    SHELL_NO_RESULT = 96,
};

// Process entry: log streams, registration with the host, Dapi2_Main.
int runHostShell(int argc, char** argv);

int VarnFrameworkEnumFunction();
int VarnFrameworkDiagFunction(int testNumber, tag_DapiDiagDevice* device);

// Body of the progress thread of one run.
void UpdateDiagProgress(Diag::IDiagnostics* diagnostic);

// The host's code for a summary result.
int hostResultCode(const Diag::DiagnosticResult& summary);

// Module name, "_" and the code: how event codes are written to the logs.
std::string eventCodeText(unsigned int code);

} // namespace VarnDiags::HostDapi2
