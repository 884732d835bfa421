#include "terminate_task.h"

#include "proc_address.h"

#include <windows.h>

namespace haltrix {
namespace {

struct BasicInformation {
    LONG exitStatus;
    void* pebBase;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR parentProcessId;
};
using QueryInformationFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

uint32_t parentProcessId() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto query =
        ntdll ? kor::procAddress<QueryInformationFn>(ntdll, "NtQueryInformationProcess") : nullptr;
    BasicInformation info{};
    if (!query || query(GetCurrentProcess(), 0, &info, sizeof info, nullptr) < 0)
        return 0;
    return static_cast<uint32_t>(info.parentProcessId);
}

} // namespace

ProtectedProcesses currentProtectedProcesses() {
    return {static_cast<uint32_t>(GetCurrentProcessId()), parentProcessId()};
}

int TerminateTask(const ProcessEntry& entry, const ProtectedProcesses& protectedIds) {
    if (entry.processId == protectedIds.self ||
        (protectedIds.parent != 0 && entry.processId == protectedIds.parent))
        return 1;
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.processId);
    if (!process)
        return 1;
    BOOL done = TerminateProcess(process, 1);
    CloseHandle(process);
    return done ? 1 : 0;
}

} // namespace haltrix
