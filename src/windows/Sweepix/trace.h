// The clean-up program's debug trace: formatted texts written to the Windows
// debug output (a debugger or a debug-output viewer reads them), never to a file.
#pragma once

#include <cstdarg>
#include <string>

// At most this many characters of one trace text are written.
constexpr std::size_t kTraceTextMax = 1023;

// Formats like printf and writes the text whole in one call; adds no line break.
#ifdef __MINGW_PRINTF_FORMAT
__attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#endif
void formatTrace(const char* format, ...);

// The text formatTrace would write: cut at kTraceTextMax characters.
std::string formatTraceText(const char* format, va_list args);

// Writes the system's message text for a Windows error code as it stands
// (inserts are not expanded); nothing when the system has no text for it.
void traceSystemError(unsigned long code);
// traceSystemError of the calling thread's last error.
void traceLastError();
