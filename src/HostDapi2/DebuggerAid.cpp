#include "HostDapi2/DebuggerAid.h"

#include <spawn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "HostDapi2/Sleeper.h"
#include "System/LogStreams.h"

extern char** environ;

namespace VarnDiags::HostDapi2 {

using System::logLine;

std::vector<std::string> debuggerCommand(Debugger debugger, const std::string& program,
                                         const std::string& commandFile, pid_t pid) {
    std::vector<std::string> argv = {XTERM_PATH, "-T", "gdb_" + program, "-e"};
    if (debugger == Debugger::Ddd) {
        argv.insert(argv.end(), {"/usr/bin/ddd", "-c", std::to_string(pid), "--symbols=" + program,
                                 "--readnow", "--command=" + commandFile});
    } else {
        argv.insert(argv.end(), {"/usr/bin/gdb", "--readnow", "--symbols=" + program,
                                 "--command=" + commandFile});
    }
    return argv;
}

void startDebugger(Debugger debugger, const char* program, const char* commandFile) {
    const std::string programText = program != nullptr ? program : "";
    // The memory program keeps its own command file, named after the shared one.
    const std::string commands = (debugger == Debugger::Gdb ? "gdb_" : "") +
                                 std::string(commandFile != nullptr ? commandFile : "");
    logLine(pLogFile, "StartGdb(", programText, ",", commands, ")");
    if (!std::ifstream(commands).is_open()) {
        logLine(pLogFile, "StartGdb() found no commands File. at location ->", commands);
        return;
    }
    std::vector<std::string> arguments = debuggerCommand(debugger, programText, commands, getpid());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    int error = posix_spawn(&child, XTERM_PATH, nullptr, nullptr, argv.data(), environ);
    if (error != 0)
        logLine(pLogFile, "StartGdb():", "Exec Failed: ", std::strerror(error));
    sleepSeconds(1);
}

void StartGdb(const char* program, const char* commandFile) {
    startDebugger(PROGRAM_HOOKS.debugger, program, commandFile);
}

void startDebuggerIfAsked(const char* variable) {
    const char* program = std::getenv(variable);
    if (program == nullptr)
        return;
    StartGdb(program, "commands");
    sleepSeconds(3);
}

} // namespace VarnDiags::HostDapi2
