// Trace statements appended to the trace log: level 0 always, level 1 only
// while the trace flag file exists; nothing before the paths are built.
#pragma once

namespace vorbdb {

enum TraceLevel { kTraceAlways = 0, kTraceDebug = 1 };

// Formats into a bounded 1024-byte line and appends it.
void trace(int level, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Text for "%s" that may be null.
inline const char* printable(const char* text) {
    return text != nullptr ? text : "(null)";
}

} // namespace vorbdb
