// Runs the real clean-up program silently from a directory of its own, with
// an ini file written by the test, and reads back its log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class SweepixRun {
public:
    // A fresh program directory holding Sweepix.exe and, as haltrix.exe, the
    // terminator built with the Toolhelp process source.
    SweepixRun();
    ~SweepixRun();
    SweepixRun(const SweepixRun&) = delete;
    SweepixRun& operator=(const SweepixRun&) = delete;

    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "\\" + name; }
    std::string iniPath() const { return path("test.ini"); }
    std::string logPath() const { return path("test.log"); }

    void writeIni(const std::string& content) const;
    // Runs Sweepix.exe with `arguments` (verbatim) and answers its exit code.
    long run(const std::string& arguments) const;
    // Runs it silently with the test's ini and log, overwriting the log.
    long runSilent() const;
    std::string log() const;
    // The log's lines (split at CR LF).
    std::vector<std::string> logLines() const;

private:
    std::string dir_;
};

std::string windowsDir();
// The drive of the Windows directory ("C:").
std::string systemDrive();

// Registry helpers.
void setRegString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, DWORD type = REG_SZ);
bool keyExists(HKEY root, const std::string& key);
// The value's text; `type` receives its type. Empty when missing.
std::string regString(HKEY root, const std::string& key, const std::string& name,
                      DWORD* type = nullptr);
bool valueExists(HKEY root, const std::string& key, const std::string& name);
