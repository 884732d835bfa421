// Test-only process source: the Toolhelp snapshot, with names as the
// performance data gives them (no path, no extension), for a terminator
// build that can run under wine, whose performance data has no process object.
#include "process_name.h"
#include "process_source.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cwchar>

namespace haltrix {

bool listProcesses(std::vector<ListedProcess>& out, std::size_t limit) {
    out.clear();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && out.size() < limit;
         more = Process32NextW(snapshot, &entry)) {
        std::u16string_view image(reinterpret_cast<const char16_t*>(entry.szExeFile),
                                  wcsnlen(entry.szExeFile, MAX_PATH));
        out.push_back({kor::imageBaseName(image), static_cast<uint32_t>(entry.th32ProcessID)});
    }
    CloseHandle(snapshot);
    return true;
}

} // namespace haltrix
