#include "file_fixture.h"

#include "proc_address.h"

std::string unixPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix =
        kor::procAddress<ToUnix>(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix)
        return {};
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* path = toUnix(wide.c_str());
    if (!path)
        return {};
    std::string result(path);
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

bool makeUnixLink(const std::string& target, const std::string& link) {
    std::string from = unixPath(target), to = unixPath(link);
    if (from.empty() || to.empty())
        return false;
    // Wine does not follow a host program to its end: watch for the link instead.
    wintest::runToEnd("Z:\\bin\\ln -s \"" + from + "\" \"" + to + "\"", 10000);
    for (int tries = 0; tries < 100; ++tries) {
        DWORD attributes = GetFileAttributesA(link.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        Sleep(50);
    }
    return false;
}

void removeUnixLink(const std::string& link) {
    std::string path = unixPath(link);
    if (path.empty())
        return;
    wintest::runToEnd("Z:\\bin\\rm -f \"" + path + "\"", 10000);
    for (int tries = 0; tries < 100 && GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
         ++tries)
        Sleep(50);
}
