// Finding the directories behind the placeholders: the system, the products'
// registry values, the install database, and at last directories below the
// management agent's.
#include "ini_reader.h"
#include "install_dir_rules.h"
#include "trace.h"
#include "utility.h"

namespace {

constexpr int kCommonDesktop = 25;      // CSIDL_COMMON_DESKTOPDIRECTORY
constexpr int kCommonProgramsMenu = 23; // CSIDL_COMMON_PROGRAMS

std::string machineValue(const char* key, const char* value) {
    return GetValueFromRegistry(HKEY_LOCAL_MACHINE, key, value);
}

std::string agentDirectory() {
    std::string dir = machineValue(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ostrivan", "InstallLocation");
    if (dir.empty())
        dir = parentOf(machineValue("SOFTWARE\\Varn Computer Corporation\\Varn QVA", "InstallPath"),
                       false);
    if (dir.empty()) {
        formatTrace("Will try to get m_sZUTRInstallDir from db file\n");
        std::string drive = readInstallDbValue(INIReader::m_sWindowsDir, "zutr.installdrive");
        std::string path = readInstallDbValue(INIReader::m_sWindowsDir, "zutr.installpath");
        if (!drive.empty() && !path.empty()) {
            dir = drive + path;
            formatTrace("Using DB file to set m_sZUTRInstallDir\n");
        }
    }
    if (dir.empty())
        dir = INIReader::m_sSystemDrive + "\\Program Files\\Varn\\Quillomark";
    return turnSlashes(dir);
}

// A product directory from the registry, or `subdirectory` below the agent's.
std::string productDirectory(const char* key, const char* value, bool cutFileName,
                             const char* fallbackTrace, const char* subdirectory) {
    std::string dir = turnSlashes(machineValue(key, value));
    if (cutFileName)
        dir = parentOf(dir, true);
    if (dir.empty() && !INIReader::m_sZUTRInstallDir.empty()) {
        formatTrace("%s", fallbackTrace);
        dir = INIReader::m_sZUTRInstallDir + subdirectory;
    }
    return dir;
}

} // namespace

void INIReader::discoverInstallDirectories(int language) {
    char windows[1024];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    m_sWindowsDir = length > 0 && length < sizeof windows ? std::string(windows, length) : "";
    m_sSystemDrive = m_sWindowsDir.substr(0, 2);
    formatTrace("INIReader::m_sSystemDrive = %s\n", m_sSystemDrive.c_str());
    formatTrace("INIReader::m_sWindowsDir = %s\n", m_sWindowsDir.c_str());

    m_sDesktopDir = GetDesktopAndStartMenuFolder(kCommonDesktop);
    m_sStartMenuDir = GetDesktopAndStartMenuFolder(kCommonProgramsMenu);

    ProgramFilesNames names = programFilesNames(language);
    m_sProgramFilesCommonDir = names.common;
    m_sProgramFilesDir = names.programFiles;
    formatTrace("INIReader::m_sProgramFilesCommonDir = %s\n", m_sProgramFilesCommonDir.c_str());
    formatTrace("INIReader::m_sProgramFilesDir = %s\n", m_sProgramFilesDir.c_str());

    m_sZUTRInstallDir = agentDirectory();
    formatTrace("INIReader::m_sZUTRInstallDir = %s\n", m_sZUTRInstallDir.c_str());

    m_sTamselInstallDir = machineValue("SOFTWARE\\Varn Computer Corporation", "VarnAgentPath");
    if (m_sTamselInstallDir.empty())
        m_sTamselInstallDir =
            machineValue("SOFTWARE\\Varn Computer Corporation\\Varn ZUTR", "InstallPath");
    m_sTamselInstallDir = turnSlashes(m_sTamselInstallDir);
    formatTrace("INIReader::m_sTamselInstallDir = %s\n", m_sTamselInstallDir.c_str());

    m_sStrandixInstallDir = turnSlashes(machineValue("SOFTWARE\\VERITAS\\ISIS\\1.0", "InstallDir"));
    formatTrace("INIReader::m_sStrandixInstallDir = %s\n", m_sStrandixInstallDir.c_str());

    m_RACMNInstallDir = productDirectory(
        "SOFTWARE\\Varn Computer Corporation\\Quillomark\\Remote Access Card Managed Node", "PATH",
        false, "Using m_sZUTRInstallDir to set m_sRACMNInstallDir\n", "\\RAC\\MN");
    formatTrace("INIReader::m_RACMNInstallDir = %s\n", m_RACMNInstallDir.c_str());

    m_RACVNCInstallDir = productDirectory(
        "SOFTWARE\\Varn Computer Corporation\\Quillomark\\RAC VNC Remote Service", "PATH", false,
        "Using m_sZUTRInstallDir to set m_sRACVNCInstallDir\n", "\\RAC\\VNC");
    formatTrace("INIReader::m_RACVNCInstallDir = %s\n", m_RACVNCInstallDir.c_str());

    m_sVESK2MNDir = productDirectory(
        "SOFTWARE\\American Megatrends Inc.\\VESKHost\\SNMPAgent\\CurrentVersion", "Pathname", true,
        "Using INIReader::m_sZUTRInstallDir to set INIReader::m_sVESK2MNDir\n", "\\vesk\\server");
    formatTrace("INIReader::m_sVESK2MNDir = %s\n", m_sVESK2MNDir.c_str());

    m_sVESK2MSDir =
        productDirectory("SOFTWARE\\American Megatrends Inc.\\VESK IIClient2.3.0.0", "InstallDir",
                         false, "Using m_sZUTRInstallDir to set m_sVESK2MSDir\n", "\\vesk\\client");
    formatTrace("INIReader::m_sVESK2MSDir = %s\n", m_sVESK2MSDir.c_str());
}
