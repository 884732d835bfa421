// Debug output helpers over the exported gate v3cops_printf.
#pragma once

namespace telm {

// True when traces print; loads the level file on first use.
bool traceOn();

// The library's error texts; index 0 is the format the others are printed with.
enum ErrorText {
    kFormat = 0,
    kBadArguments,
    kMallocFailed,
    kNoResponse,
    kUnrecognizedResponse,
    kBufferTooSmall,
    kErrorRetrieving,
    kErrorSending,
    kInvalidSession,
    kAuthFailed,
};
extern const char* const eTxt[10];

// Traces "<function>.. <text>\n".
void traceError(const char* function, ErrorText text);

} // namespace telm
