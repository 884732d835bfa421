// Control and inspection interface of the management host stand-ins, for
// tests and the host harness in the same process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ocs_standin {

// Clears journals, the command log, failure plans and bad-free counts; live
// objects stay counted.
void reset();

// Host objects (XML buffers, answer texts, memory, context locks, loaded
// libraries) handed out and not yet released.
std::size_t liveObjects();
// Releases of things the host never handed out, or released twice.
std::size_t badFrees();

// The n-th allocation from now (1 = the next) of a buffer, memory block or
// context lock fails; 0 = off. allocationCount() counts them since then.
void failAllocationAt(unsigned n);
unsigned allocationCount();

// Library loading: fail the next loads, or the lookup of one export name.
void failLibLoad(bool fail);
void failLink(const std::string& exportName);

struct CmdLogEntry {
    std::uint32_t messageId;
    std::string userInfo;
    std::string source;
    std::string text;
    std::int32_t flags;
};
std::vector<CmdLogEntry> cmdLog();

// The calling thread's export context, and the contexts in force whenever the
// module took an answer buffer or released an answer.
std::uintptr_t exportContext();
void setExportContext(std::uintptr_t context);
std::vector<std::uintptr_t> contextsSeen();

// Names of the host functions called, in order (parameter reads left out).
std::vector<std::string> journal();

} // namespace ocs_standin

namespace tym_standin {

struct SetterCall {
    std::string function; // e.g. "HIPSetObjTYMCfgNicIpAddress"
    std::uint32_t oid;
    std::string value; // text, or the number in decimal
};
std::vector<SetterCall> calls();
// Forces the result of one setter function (by full name); 0 restores.
void setResult(const std::string& function, std::int32_t result);
void reset();

} // namespace tym_standin
