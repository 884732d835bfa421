#include "utility.h"

#include <cstring>

namespace {

OSVERSIONINFOA systemVersion() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version; // 148
    GetVersionExA(&version);
    return version;
}

// Attributes of the first match of the find-first-file search for `path`
// (which may hold wildcards); INVALID_FILE_ATTRIBUTES when nothing matches.
DWORD firstMatchAttributes(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return INVALID_FILE_ATTRIBUTES;
    FindClose(find);
    return data.dwFileAttributes;
}

} // namespace

bool isWindowsNT() {
    OSVERSIONINFOA version = systemVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 3;
}

bool isWindows2000OrLater() {
    OSVERSIONINFOA version = systemVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4;
}

bool fileExists(const std::string& path) {
    DWORD attributes = firstMatchAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool directoryExists(const std::string& path) {
    DWORD attributes = firstMatchAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
