#include "deletion_guard.h"

#include <windows.h>

#include <strings.h>

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && isSeparator(path.back()))
        path.pop_back();
    return path;
}

// The full form of `path`, with ".." and "." resolved, without a trailing separator.
std::string fullPath(const std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer)
        return {};
    return withoutTrailingSeparators(std::string(buffer, length));
}

bool samePath(const std::string& a, const std::string& b) {
    return !a.empty() && !b.empty() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// "\\server\share" with nothing after it.
bool isShareRoot(const std::string& full) {
    if (full.size() < 2 || !isSeparator(full[0]) || !isSeparator(full[1]))
        return false;
    std::size_t server = full.find_first_of("\\/", 2);
    if (server == std::string::npos)
        return true;
    return full.find_first_of("\\/", server + 1) == std::string::npos;
}

} // namespace

std::string deletionRefusal(const std::string& path) {
    bool absoluteDrive = path.size() >= 2 && isDriveLetter(path[0]) && path[1] == ':' &&
                         (path.size() == 2 || isSeparator(path[2]));
    bool unc = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    if (!absoluteDrive && !unc)
        return "relative path";
    std::string full = fullPath(path);
    if (full.empty())
        return "path cannot be resolved";
    if ((full.size() == 2 && full[1] == ':') || (full.size() == 3 && full[1] == ':') ||
        isShareRoot(full))
        return "drive root";
    char directory[MAX_PATH];
    UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    if (length > 0 && length < MAX_PATH && samePath(full, fullPath(directory)))
        return "Windows directory";
    length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length > 0 && length < MAX_PATH && samePath(full, fullPath(directory)))
        return "system directory";
    return {};
}
