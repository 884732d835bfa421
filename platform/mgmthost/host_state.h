// Process-wide state of the host services stand-in: the registry of every
// object handed out, failure plans, journals and the command log.
#pragma once

#include "mgmthost/mgmthost_standin.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace ocs_standin {

enum class Kind { Buffer, Text, Memory, Lock, Library };

struct HostState {
    std::mutex mutex;
    std::unordered_map<const void*, Kind> live;
    std::size_t badFrees = 0;
    unsigned allocations = 0;
    unsigned failAt = 0;
    bool failLibLoad = false;
    std::string failLinkName;
    std::vector<CmdLogEntry> cmdLog;
    std::vector<std::uintptr_t> contextsSeen;
    std::vector<std::string> journal;
};

HostState& hostState();

// Counts one allocation; false when the failure plan makes it fail.
bool allocationAllowed(HostState& s);
void track(HostState& s, const void* p, Kind kind);
// Forgets a tracked pointer of the given kind; false (and counted as a bad
// free) when it is not one.
bool untrack(HostState& s, const void* p, Kind kind, const char* caller);
void noteCall(HostState& s, const char* name);
void noteContext(HostState& s);

} // namespace ocs_standin
