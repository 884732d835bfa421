#include "process_actions.h"

#include "action_report.h"
#include "entry_parts.h"
#include "process_name.h"
#include "registry_roots.h"
#include "sleeper.h"
#include "trace.h"
#include "utility.h"

namespace {

constexpr int kEnginePolls = 10;
constexpr unsigned long kEnginePollMs = 5000;
constexpr int kCountPolls = 10;
constexpr unsigned long kCountPollMs = 10000;

bool initializeProcessList(Win32Process& processes) {
    if (processes.initialize())
        return true;
    formatTrace(
        "UninstallApps::UninstallApps( ) m_win32proc faild to initialize. GetLastError = %s\n",
        processes.errorText().c_str());
    return false;
}

std::string engineFile() {
    return INIReader::m_sSystemDrive + "\\" + INIReader::m_sProgramFilesCommonDir +
           "\\INSTAL~1\\engine\\6\\INTEL3~1\\Ctor.dll";
}

std::string driversDir() {
    return INIReader::m_sWindowsDir + "\\system32\\drivers\\";
}

} // namespace

int KillProcesses::action(std::ostream& log) {
    forEachEntry(log, "INIReader::KillProcesses( )\n", "Killing Processes",
                 [&](const std::string& entry) {
                     formatTrace("Killing Process = %s\n", entry.c_str());
                     log << entry << std::endl;
                     killProcess(entry);
                     return false;
                 });
    return 0;
}

UninstallApps::UninstallApps() : m_bInitialized(initializeProcessList(m_win32proc)) {}

int UninstallApps::action(std::ostream& log) {
    forEachEntry(log, "UninstallApps::action( )\n", "Uninstalling Apps",
                 [&](const std::string& entry) {
                     formatTrace("Running = %s\n", entry.c_str());
                     log << entry << std::endl;
                     std::string lower = entry;
                     kor::lowerAsciiInPlace(lower);
                     if (lower.find("java.exe") != std::string::npos ||
                         lower.find("ctor.dll") == std::string::npos) {
                         runProcessAndWait(entry, false);
                     } else if (!fileExists(engineFile())) {
                         log << "Cannot run " << entry
                             << " because ctor.dll is not present on the system." << std::endl;
                     } else {
                         runProcessAndWait(entry, false);
                         waitForEngine();
                     }
                     return false;
                 });
    return 0;
}

void UninstallApps::waitForEngine() {
    for (int poll = 0; poll < kEnginePolls; ++poll) {
        std::string name = "Ikernel";
        bool running = false;
        if (!m_win32proc.GetProcessStatus(name, running)) {
            formatTrace("m_win32proc.GetProcessStatus failed to execute\n");
            return;
        }
        if (!running) {
            formatTrace("Process %s is NOT running\n", "Ikernel");
            return;
        }
        formatTrace("Process %s is running. Will sleep for 5 seconds.\n", "Ikernel");
        sleepFor(kEnginePollMs);
    }
}

UninstallAppsRegistry::UninstallAppsRegistry()
    : m_bInitialized(initializeProcessList(m_win32proc)) {}

int UninstallAppsRegistry::runningProcessCount() {
    if (!m_bInitialized)
        return 0;
    if (!m_win32proc.refresh()) {
        formatTrace("Error occurred while getting list of running processes.\n");
        return 0;
    }
    return static_cast<int>(m_win32proc.processList().size());
}

int UninstallAppsRegistry::action(std::ostream& log) {
    return forEachEntry(log, "UninstallAppsRegistry::action( )\n",
                        "Uninstalling apps Using Registry",
                        [&](const std::string& entry) { return runEntry(entry, log); });
}

bool UninstallAppsRegistry::runEntry(const std::string& entry, std::ostream& log) {
    RegistryValueEntry parts;
    if (!splitValueEntryTraced(entry, "Could not find sRootKey. Skipping = %s\n", parts))
        return false;
    std::string arguments = splitArguments(parts.regValue);
    formatTrace("sRootKey = %s\n", parts.rootKey.c_str());
    formatTrace("sRegKey = %s\n", parts.regKey.c_str());
    formatTrace("sRegValue = %s\n", parts.regValue.c_str());
    formatTrace("sCmd = %s\n", arguments.c_str());

    std::string commandLine;
    if (HKEY root = registryRoot(parts.rootKey))
        commandLine = GetValueFromRegistry(root, parts.regKey, parts.regValue);
    if (commandLine.empty()) {
        log << "Registry entry " << entry << " does not exist" << std::endl;
        return false;
    }
    if (!arguments.empty())
        commandLine += " " + arguments;

    // One product's uninstaller removes a controller driver that must stay.
    const std::string driver = driversDir() + "REDADE.RUR";
    const std::string saved = driversDir() + "QORMGT.SY_";
    bool driverSaved = false;
    if (parts.regKey.find("Varn KELV 2") != std::string::npos) {
        log << "Saving copy of driver REDADE.RUR" << std::endl;
        driverSaved = CopyFileA(driver.c_str(), saved.c_str(), FALSE) != 0;
    }
    log << commandLine << std::endl;
    formatTrace("Running uninstall string = %s\n", commandLine.c_str());

    int before = runningProcessCount();
    DWORD startError = ERROR_SUCCESS;
    bool started = runProcessAndWait(commandLine, true, &startError);
    if (!started) {
        log << startFailureLine(commandLine, startError) << std::endl;
    } else if (before > 0) {
        int now = runningProcessCount();
        for (int poll = 0; poll < kCountPolls && now != before; ++poll) {
            sleepFor(kCountPollMs);
            now = runningProcessCount();
            if (now == 0)
                break;
        }
    }
    if (driverSaved) {
        log << "Restoring saved REDADE.RUR" << std::endl;
        CopyFileA(saved.c_str(), driver.c_str(), FALSE);
        DeleteFileA(saved.c_str());
    }
    // An uninstaller that did not start changed nothing.
    return started;
}
