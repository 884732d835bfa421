// Terminating processes and running uninstallers.
#pragma once

#include "ini_reader.h"
#include "win32_process.h"

// Runs the process terminator once per listed name (a wildcard pattern).
class KillProcesses : public INIReader {
public:
    int action(std::ostream& log) override; // always 0
};

// Runs the listed uninstall command lines; after one of the installer
// engine, waits for its process "Ikernel" to end.
class UninstallApps : public INIReader {
public:
    UninstallApps();
    int action(std::ostream& log) override; // always 0

private:
    void waitForEngine();

    Win32Process m_win32proc;
    bool m_bInitialized = false;
};

// Runs uninstall command lines read from registry values
// ("<root>\<key>:<value>[:<arguments>]") and waits until the number of
// running processes is back to what it was.
class UninstallAppsRegistry : public INIReader {
public:
    UninstallAppsRegistry();
    int action(std::ostream& log) override; // 1 when a command line was run
    int runningProcessCount();

private:
    bool runEntry(const std::string& entry, std::ostream& log);

    Win32Process m_win32proc;
    bool m_bInitialized = false;
};
