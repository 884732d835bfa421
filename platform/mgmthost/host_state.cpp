#include "host_state.h"

#include <cstdio>

namespace ocs_standin {

HostState& hostState() {
    static HostState* s = new HostState; // stays valid for late releases at unload
    return *s;
}

bool allocationAllowed(HostState& s) {
    ++s.allocations;
    return !(s.failAt != 0 && s.allocations == s.failAt);
}

void track(HostState& s, const void* p, Kind kind) {
    s.live[p] = kind;
}

bool untrack(HostState& s, const void* p, Kind kind, const char* caller) {
    auto it = s.live.find(p);
    if (it == s.live.end() || it->second != kind) {
        ++s.badFrees;
        std::fprintf(stderr, "mgmthost stand-in: %s of unknown or already released %p\n", caller,
                     p);
        return false;
    }
    s.live.erase(it);
    return true;
}

template <typename Fn> auto locked(Fn&& fn) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return fn(s);
}

void noteCall(HostState& s, const char* name) {
    s.journal.emplace_back(name);
}

void noteContext(HostState& s) {
    s.contextsSeen.push_back(exportContext());
}

void reset() {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.badFrees = 0;
    s.allocations = 0;
    s.failAt = 0;
    s.failLibLoad = false;
    s.failLinkName.clear();
    s.cmdLog.clear();
    s.contextsSeen.clear();
    s.journal.clear();
}

std::size_t liveObjects() {
    return locked([](HostState& s) { return s.live.size(); });
}

std::size_t badFrees() {
    return locked([](HostState& s) { return s.badFrees; });
}

void failAllocationAt(unsigned n) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.allocations = 0;
    s.failAt = n;
}

unsigned allocationCount() {
    return locked([](HostState& s) { return s.allocations; });
}

void failLibLoad(bool fail) {
    locked([&](HostState& s) { s.failLibLoad = fail; });
}

void failLink(const std::string& exportName) {
    locked([&](HostState& s) { s.failLinkName = exportName; });
}

std::vector<CmdLogEntry> cmdLog() {
    return locked([](HostState& s) { return s.cmdLog; });
}

std::vector<std::uintptr_t> contextsSeen() {
    return locked([](HostState& s) { return s.contextsSeen; });
}

std::vector<std::string> journal() {
    return locked([](HostState& s) { return s.journal; });
}

} // namespace ocs_standin
