#include "utility.h"

#include <vector>

namespace {

HANDLE startProcess(const std::string& commandLine, const char* directory, bool showWindow,
                    DWORD& error) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!showWindow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    // The system may write into the command line: hand it a copy.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &info)) {
        error = GetLastError();
        return INVALID_HANDLE_VALUE;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}

} // namespace

HANDLE runProcess(const std::string& commandLine, const char* directory, bool showWindow) {
    DWORD error = ERROR_SUCCESS;
    return startProcess(commandLine, directory, showWindow, error);
}

bool runProcessAndWait(const std::string& commandLine, bool showWindow, DWORD* startError) {
    DWORD error = ERROR_SUCCESS;
    HANDLE process = startProcess(commandLine, nullptr, showWindow, error);
    if (process == INVALID_HANDLE_VALUE) {
        if (startError)
            *startError = error;
        return false;
    }
    // Sent messages wake the wait too: a child that sends to every top-level
    // window (a broadcast) would otherwise wait for this thread forever.
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE,
                                               QS_TIMER | QS_PAINT | QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1)
            break;
        // Peeking also delivers the sent messages waiting for this thread.
        MSG message;
        while (PeekMessageA(&message, nullptr, WM_PAINT, WM_TIMER, PM_REMOVE))
            DispatchMessageA(&message);
    }
    CloseHandle(process);
    return true;
}

bool killProcess(const std::string& processName) {
    runProcessAndWait("haltrix.exe " + processName, false);
    return true;
}
