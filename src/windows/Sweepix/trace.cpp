#include "trace.h"

#include <windows.h>

#include <cstdio>

std::string formatTraceText(const char* format, va_list args) {
    char buffer[kTraceTextMax + 1];
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (length < 0)
        return {};
    return std::string(buffer);
}

void formatTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatTraceText(format, args);
    va_end(args);
    OutputDebugStringA(text.c_str());
}

void traceSystemError(unsigned long code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length == 0 || !text)
        return;
    // Written as it stands: it is no format, so a "%" in it stays as it is.
    OutputDebugStringA(text);
    LocalFree(text);
}

void traceLastError() {
    traceSystemError(GetLastError());
}
