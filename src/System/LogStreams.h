#pragma once
// Log streams of a diagnostic program.
//
// The main application log is split into six level streams, pLogFile0 to
// pLogFile5 (pLogFile is pLogFile0). A line written to level k reaches the
// file "<module>App.log" when DIAGLOG selects a level of at least k; every
// other stream is an unopened stream that drops what it gets. Without
// DIAGLOG no file is made at all. The pointers are never null: before
// openLogStreams and after closeLogStreams they all point at the dropping
// stream, so a stray write is harmless.
//
// Several threads write these streams (the host's thread, the progress
// thread, a program's worker threads); write them through logLine, which
// serialises whole lines.

#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>

extern std::ofstream* pLogFile;
extern std::ofstream* pLogFile0;
extern std::ofstream* pLogFile1;
extern std::ofstream* pLogFile2;
extern std::ofstream* pLogFile3;
extern std::ofstream* pLogFile4;
extern std::ofstream* pLogFile5;

namespace VarnDiags::System {

// The level DIAGLOG selects: nothing when unset, else 0..5 (values outside
// that range, or text that is not a number, count as 5). Read each time.
std::optional<int> diagLogLevel();

// Points the level streams at "<moduleName>App.log" (truncated) as DIAGLOG
// says. Closes any streams opened by an earlier call first.
void openLogStreams(const std::string& moduleName);

// Closes the application log and points every level stream back at the
// dropping stream.
void closeLogStreams();

// The stream that drops everything written to it.
std::ofstream& discardStream();

// Opens a log file in the current directory the safe way for a program run
// as root: never through a symbolic link, only a regular file, created with
// permissions 0664 (less the umask). Truncates unless `append`. On failure
// the stream stays unopened and false is returned.
bool openLogFile(std::ofstream& stream, const std::string& path, bool append);

// One lock for every log line of the process.
std::mutex& logMutex();

// Writes the parts as one line (with a line break) and flushes, under
// logMutex. A null stream or an unopened one takes nothing.
template <typename... Parts> void logLine(std::ostream* stream, const Parts&... parts) {
    if (stream == nullptr)
        return;
    std::ostringstream line;
    (line << ... << parts);
    line << '\n';
    std::lock_guard<std::mutex> guard(logMutex());
    *stream << line.str();
    stream->flush();
}

} // namespace VarnDiags::System
