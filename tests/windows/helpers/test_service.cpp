// A Windows service that runs until it is told to stop, for tests that stop
// and delete services. Started by the service control manager only. With the
// argument "slow" it stays stop-pending for 5 seconds before it stops.
#include <windows.h>

#include <string>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;
bool g_slow = false;

void report(DWORD state) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_status, &status);
}

void WINAPI control(DWORD code) {
    if (code == SERVICE_CONTROL_STOP) {
        report(SERVICE_STOP_PENDING);
        SetEvent(g_stop);
    }
}

void WINAPI serviceMain(DWORD, LPSTR*) {
    g_status = RegisterServiceCtrlHandlerA("", control);
    if (!g_status)
        return;
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    report(SERVICE_RUNNING);
    WaitForSingleObject(g_stop, INFINITE);
    CloseHandle(g_stop);
    if (g_slow)
        Sleep(5000);
    report(SERVICE_STOPPED);
}

} // namespace

int main(int argc, char** argv) {
    g_slow = argc > 1 && std::string(argv[1]) == "slow";
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
