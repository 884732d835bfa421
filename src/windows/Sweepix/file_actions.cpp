#include "file_actions.h"

#include "file_identity.h"
#include "path_list.h"
#include "trace.h"
#include "utility.h"

#include <windows.h>

namespace {

const char* const kEnvironmentKey =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::vector<std::string> tracedPathList(const std::string& value) {
    std::vector<std::string> list;
    splitPathList(list, value);
    for (const auto& item : list)
        formatTrace("Token = %s\n", item.c_str());
    return list;
}

// Gone for certain: opening it fails because nothing is there.
bool isAbsent(const std::string& path) {
    FileIdentity identity;
    DWORD error = ERROR_SUCCESS;
    return !identityOf(path, identity, error) && isAbsence(error);
}

bool clearTraced(std::vector<std::string>& list, const std::string& item, const char* trace) {
    if (!clearPathItem(list, item))
        return false;
    formatTrace(trace, item.c_str());
    return true;
}

} // namespace

int DeleteFiles::action(std::ostream& log) {
    forEachEntry(log, "DeleteFiles::action( )\n", "Deleting Files", [&](const std::string& path) {
        formatTrace("Deleting file = %s\n", path.c_str());
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path.c_str())) {
            log << "File " << path << " deleted successfully" << std::endl;
            formatTrace("File %s deleted successfully\n", path.c_str());
        } else if (!isAbsent(path)) {
            // Still there (in use, denied) or not to be told (too long for
            // the system): not to be logged as gone.
            log << "File " << path << " could not be deleted." << std::endl;
            formatTrace("Failed to delete file = %s\n", path.c_str());
        } else {
            log << "File " << path << " has already been removed." << std::endl;
            formatTrace("Failed to delete file = %s\n", path.c_str());
        }
        return false;
    });
    return 0;
}

int DeleteDirectories::action(std::ostream& log) {
    forEachEntry(log, "DeleteDirectories::action( )\n", "Deleting Directories",
                 [&](const std::string& path) {
                     if (m_removal == TreeRemoval::LeafOnly) {
                         if (hasSubDirectory(path)) {
                             log << "Directory " << path << " is not empty." << std::endl;
                             return false;
                         }
                         formatTrace("Deleting Empty Directory = %s\n", path.c_str());
                     } else {
                         formatTrace("Deleting Directory = %s\n", path.c_str());
                     }
                     log << path << std::endl;
                     if (!DeleteDirectory(path, true))
                         log << "Directory " << path << " could not be deleted." << std::endl;
                     return false;
                 });
    return 0;
}

int DeletePathEntries::action(std::ostream& log) {
    formatTrace("DeletePathEntries::action()\n");
    log << std::endl << "Removing directories from the path environment variable" << std::endl;
    logLinesNotTaken(log);
    std::string path = GetValueFromRegistry(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    std::string qvpath = GetValueFromRegistry(HKEY_LOCAL_MACHINE, kEnvironmentKey, "QVPATH");
    if (path.empty()) {
        log << "Failed to read the Path environment variable." << std::endl;
        formatTrace("Failed to read the Path environment variable.\n");
        return 0;
    }
    std::vector<std::string> pathList = tracedPathList(path);
    std::vector<std::string> qvpathList = tracedPathList(qvpath);
    bool pathChanged = false;
    bool qvpathChanged = false;
    for (const auto& entry : m_entries) {
        pathChanged = clearTraced(pathList, entry, "Found %s in Path List.\n") || pathChanged;
        qvpathChanged =
            clearTraced(qvpathList, entry, "Found %s in QVPATH List.\n") || qvpathChanged;
    }
    if (qvpathChanged) {
        std::string value = joinPathList(qvpathList);
        formatTrace("New value of QVPATH = %s\n", value.c_str());
        if (!value.empty()) {
            if (setRegistryString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "QVPATH", value) == 0) {
                log << "Setting QVPATH = " << value << std::endl;
            } else {
                formatTrace("Failed to set the QVPath environment variable to %s.\n",
                            value.c_str());
                log << "Failed to set the QVPath environment variable to " << value << "."
                    << std::endl;
            }
        } else {
            if (deleteRegistryValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "QVPATH") != 0)
                formatTrace("Failed to delete the QVPath environment variable.\n");
            pathChanged =
                clearTraced(pathList, "%QVPATH%", "Found %s in Path List.\n") || pathChanged;
            log << "Removed environment variable with name QVPATH" << std::endl;
        }
    }
    if (!pathChanged)
        return 0;
    std::string value = joinPathList(pathList);
    formatTrace("New value of PATH = %s\n", value.c_str());
    if (setRegistryExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", value) != 0) {
        // Nothing changed: no "Setting" line, no broadcast, no change counted.
        formatTrace("Failed to set the Path environment variable to %s.\n", value.c_str());
        log << "Failed to set the Path environment variable to " << value << "." << std::endl;
        return 0;
    }
    log << "Setting PATH = " << value << std::endl;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                        reinterpret_cast<LPARAM>("Environment"), SMTO_ABORTIFHUNG, 2000, nullptr);
    return 1;
}
