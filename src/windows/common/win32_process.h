// Which processes are running: from the performance data on the NT family,
// from the Toolhelp functions (looked up at run time) elsewhere.
#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <string>
#include <vector>

class Win32Process {
public:
    Win32Process() = default;
    virtual ~Win32Process() = default;
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;

    bool initialize();
    // Whether a process of `name` runs; `running` is left alone when the walk fails.
    // On the Toolhelp path `name` is lower-cased in place first.
    bool GetProcessStatus(std::string& name, bool& running);
    bool refresh();
    const std::vector<std::string>& processList() const { return m_processList; }
    std::string errorText() const { return m_errorText; }

private:
    using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
    using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32);

    // A query walk when `wanted` is given, else a list walk.
    bool walk(const std::string* wanted);
    bool walkPerformanceData(const std::string* wanted);
    bool walkToolhelp(const std::string* wanted);
    bool fail(const char* text);

    std::vector<std::string> m_processList;
    bool m_found = false;
    HMODULE m_kernel32 = nullptr;
    ProcessWalkFn m_process32Next = nullptr;
    ProcessWalkFn m_process32First = nullptr;
    SnapshotFn m_createSnapshot = nullptr;
    std::string m_errorText;
    bool m_isNT = false;
};
