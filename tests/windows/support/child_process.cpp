#include "child_process.h"

#include <stdexcept>
#include <vector>

namespace wintest {

std::string binDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    // Wine names a program outside every drive "unix\...", which opens only
    // in its "\\?\" form (the deletion guard's prefix has no host drive).
    if (s.rfind("unix\\", 0) == 0)
        s = "\\\\?\\" + s;
    return s.substr(0, s.find_last_of('\\'));
}

std::string uniqueLetters(const std::string& prefix) {
    std::string name = prefix;
    for (DWORD id = GetCurrentProcessId(); id; id /= 26)
        name += static_cast<char>('a' + id % 26);
    return name;
}

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    // Process ids start small again with every wine session: a name left by
    // an earlier run is passed over.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path_ = std::string(base) + "kortest" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(GetTickCount()) + "_" + std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr))
            return;
    }
    throw std::runtime_error("cannot create " + path_);
}

TempDir::~TempDir() {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path_ + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(full.c_str());
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path_.c_str());
}

Child::Child(const std::string& commandLine, bool hidden) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (hidden) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION info{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

Child::~Child() {
    if (!process_)
        return;
    if (running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool Child::running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

long Child::waitExit(DWORD ms) const {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
}

long runToEnd(const std::string& commandLine, DWORD ms) {
    Child child(commandLine);
    if (!child.started())
        return -2;
    return child.waitExit(ms);
}

long runCapture(const std::string& commandLine, std::string& output, DWORD ms) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return -2;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &info);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return -2;
    }
    CloseHandle(info.hThread);
    output.clear();
    char buffer[4096];
    DWORD got;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    CloseHandle(readEnd);
    long code = -1;
    if (WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(info.hProcess, &exitCode);
        code = static_cast<long>(exitCode);
    } else {
        TerminateProcess(info.hProcess, 99);
    }
    CloseHandle(info.hProcess);
    return code;
}

void setWineVersionFor(const std::string& exeName, const std::string& version) {
    std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
    if (version.empty()) {
        RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        return;
    }
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create " + key);
    RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>(version.size() + 1));
    RegCloseKey(handle);
}

} // namespace wintest
