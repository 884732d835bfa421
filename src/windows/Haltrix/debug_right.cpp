#include "debug_right.h"

#include <windows.h>

#include <cstdio>

namespace haltrix {

int EnableDebugRight() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        std::printf("OpenProcessToken failed with %d\n", static_cast<int>(GetLastError()));
        return 0;
    }
    int result = 0;
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
        std::printf("LookupPrivilegeValue failed with %d\n", static_cast<int>(GetLastError()));
    } else {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr);
        // Success also leaves ERROR_NOT_ALL_ASSIGNED when the right was not granted.
        DWORD error = GetLastError();
        if (error != ERROR_SUCCESS)
            std::printf("AdjustTokenPrivileges failed with %d\n", static_cast<int>(error));
        else
            result = 1;
    }
    CloseHandle(token);
    return result;
}

} // namespace haltrix
