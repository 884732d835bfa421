// Windows keeps the database and its companions in the Windows directory.
#include <windows.h>

#include <cstring>

#include "db_paths.h"

namespace {

// The Windows directory, taken only from an answer that fits and was really
// expanded; a "%" left in the text means %WINDIR% was not.
bool windowsDirectory(char (&dir)[vorbdb::DbPaths::kSize]) {
    DWORD n = ExpandEnvironmentStringsA("%WINDIR%", dir, sizeof dir);
    if (n > 1 && n <= sizeof dir && std::strchr(dir, '%') == nullptr)
        return true;
    n = GetWindowsDirectoryA(dir, sizeof dir);
    return n > 0 && n < sizeof dir && std::strchr(dir, '%') == nullptr;
}

} // namespace

extern "C" {

int ModuleAttach(void) {
    char dir[vorbdb::DbPaths::kSize] = {};
    // Without a directory every path stays empty: operations fail to open
    // their files and nothing is traced.
    if (!windowsDirectory(dir) || !vorbdb::attachTo(dir, '\\'))
        vorbdb::clearPaths();
    return 1;
}

int ModuleDetach(void) {
    return 1;
}

} // extern "C"
