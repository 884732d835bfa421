#include "terminator.h"

#include "debug_right.h"
#include "pattern_argument.h"
#include "process_table.h"
#include "terminate_task.h"
#include "wildcard_match.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace haltrix {
namespace {

bool isNTFamily() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool matches(const ProcessEntry& entry, const std::string& pattern) {
    char stem[kNameBytes];
    std::memcpy(stem, entry.name, sizeof stem);
    stem[kNameBytes - 1] = '\0';
    if (char* dot = std::strchr(stem, '.'))
        *dot = '\0';
    return WildcardMatch(stem, pattern.c_str()) || WildcardMatch(entry.name, pattern.c_str());
}

} // namespace

std::string ReadPatternArgument() {
    return patternFromCommandLine(GetCommandLineA());
}

int runTerminator(const std::string& pattern) {
    if (pattern.empty() || !isNTFamily())
        return 1;
    EnableDebugRight();
    std::vector<ProcessEntry> table(kTableCapacity, ProcessEntry{});
    std::size_t count = CollectProcessList(table.data(), table.size());
    for (std::size_t i = 0; i < count; ++i)
        table[i].matched = matches(table[i], pattern) ? 1 : 0;
    ProtectedProcesses protectedIds = currentProtectedProcesses();
    int exitCode = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].matched && !TerminateTask(table[i], protectedIds))
            exitCode = 1;
    }
    return exitCode;
}

} // namespace haltrix
