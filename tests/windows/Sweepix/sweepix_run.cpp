#include "sweepix_run.h"

#include "child_process.h"
#include "file_fixture.h"
#include "utility.h"

#include <stdexcept>

SweepixRun::SweepixRun() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    dir_ = std::string(base) + "sweepix" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++counter);
    DeleteDirectory(dir_, true);
    if (!CreateDirectoryA(dir_.c_str(), nullptr))
        throw std::runtime_error("cannot create " + dir_);
    const std::string bin = wintest::binDir();
    if (!CopyFileA((bin + "\\Sweepix.exe").c_str(), path("Sweepix.exe").c_str(), FALSE) ||
        !CopyFileA((bin + "\\HaltrixToolhelp.exe").c_str(), path("haltrix.exe").c_str(), FALSE))
        throw std::runtime_error("cannot copy the programs to " + dir_);
}

SweepixRun::~SweepixRun() {
    DeleteDirectory(dir_, true);
}

void SweepixRun::writeIni(const std::string& content) const {
    writeFile(iniPath(), content);
}

long SweepixRun::run(const std::string& arguments) const {
    return wintest::runToEnd("\"" + path("Sweepix.exe") + "\" " + arguments, 120000);
}

long SweepixRun::runSilent() const {
    return run("/s /o \"/f" + iniPath() + "\" \"/l" + logPath() + "\"");
}

std::string SweepixRun::log() const {
    return readFile(logPath());
}

std::vector<std::string> SweepixRun::logLines() const {
    std::vector<std::string> lines;
    std::string text = log();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::string windowsDir() {
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, length < MAX_PATH ? length : 0);
}

std::string systemDrive() {
    return windowsDir().substr(0, 2);
}

void setRegString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, DWORD type) {
    HKEY handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + key);
    RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

bool keyExists(HKEY root, const std::string& key) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

std::string regString(HKEY root, const std::string& key, const std::string& name, DWORD* type) {
    char buffer[4096] = {};
    DWORD size = sizeof buffer - 1;
    if (RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, type, buffer,
                     &size) != ERROR_SUCCESS)
        return {};
    return buffer;
}

bool valueExists(HKEY root, const std::string& key, const std::string& name) {
    return RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}
