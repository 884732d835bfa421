// The debug gate: the level is read once from a file, bit 0 prints.
#include "telm/telm.h"
#include "trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

extern "C" {
int debugState = 0;
char b2aBuf[255];
}

namespace telm {

namespace {

constexpr const char* kLevelFile = "/var/run/.v3cops";
constexpr int kPrint = 0x1;
constexpr int kLoaded = 0x2;

void loadLevel() {
    int level = debugState & kPrint;
    if (FILE* file = std::fopen(kLevelFile, "r")) {
        char word[21] = "";
        level = 0;
        if (std::fscanf(file, "%20s", word) == 1) {
            unsigned long value = std::strtoul(word, nullptr, 0);
            level = value >= 4 ? 0 : static_cast<int>(value);
        }
        std::fclose(file);
    }
    debugState = level | kLoaded;
}

} // namespace

const char* const eTxt[10] = {
    "%s.. %s\n",
    "bad arguments",
    "malloc failed",
    "no response",
    "unrecognized response",
    "supplied buffer too small",
    "error retrieving data",
    "error sending data",
    "invalid session index",
    "authentication failed",
};

bool traceOn() {
    if (!(debugState & kLoaded))
        loadLevel();
    return (debugState & kPrint) != 0;
}

void traceError(const char* function, ErrorText text) {
    v3cops_printf(eTxt[kFormat], function, eTxt[text]);
}

} // namespace telm

extern "C" void v3cops_printf(const char* format, ...) {
    if (!telm::traceOn())
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}

extern "C" int b2a(const unsigned char* data, int length, char* out, int outLength) {
    static const char digits[] = "0123456789abcdef";
    if (!out || length < 0 || (length > 0 && !data) ||
        static_cast<long>(outLength) < 2L * length + 1)
        return -1;
    for (int i = 0; i < length; ++i) {
        out[2 * i] = digits[data[i] >> 4];
        out[2 * i + 1] = digits[data[i] & 0xF];
    }
    out[2 * length] = '\0';
    return 0;
}
