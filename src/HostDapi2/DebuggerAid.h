#pragma once
// The debugger aid: with DEBUG_ENUM or DEBUG_DIAG set, the shell opens an X
// terminal running a debugger on this process before enumerating or
// running, so a developer can step through a callback.

#include <string>
#include <vector>

#include <sys/types.h>

#include "HostDapi2/ProgramHooks.h"

namespace VarnDiags::HostDapi2 {

inline const char* const XTERM_PATH = "/usr/X11R6/bin/xterm";

// The terminal's argument list (argv[0] first) for the given debugger.
std::vector<std::string> debuggerCommand(Debugger debugger, const std::string& program,
                                         const std::string& commandFile, pid_t pid);

// Starts the program's debugger (PROGRAM_HOOKS.debugger) on `program`'s
// symbols when the command file exists, then waits a second. Failures are
// logged; nothing runs in the child but the terminal itself.
void StartGdb(const char* program, const char* commandFile);
void startDebugger(Debugger debugger, const char* program, const char* commandFile);

// DEBUG_ENUM / DEBUG_DIAG: when the variable is set, starts the aid with
// its value and "commands" and waits 3 more seconds.
void startDebuggerIfAsked(const char* variable);

} // namespace VarnDiags::HostDapi2
