#pragma once

// Debug trace modules (bits of the module mask) and the trace call.

#include "FsaApi.h"

#include <atomic>
#include <cstdint>

constexpr std::uint64_t FSA_DBG_DEBUG = 0x100;
constexpr std::uint64_t FSA_DBG_THROW = 0x200;
constexpr std::uint64_t FSA_DBG_AIF = 0x100000;
constexpr std::uint64_t FSA_DBG_DRIVER = 0x200000;
constexpr std::uint64_t FSA_DBG_FIB = 0x400000;
constexpr std::uint64_t FSA_DBG_IOCTL = 0x800000;
constexpr std::uint64_t FSA_DBG_SNMP = 0x1000000;
constexpr std::uint64_t FSA_DBG_LOCK = 0x100000000;
constexpr std::uint64_t FSA_DBG_MUTEX = 0x200000000;
constexpr std::uint64_t FSA_DBG_SEMA = 0x400000000;
constexpr std::uint64_t FSA_DBG_SIGNAL = 0x800000000;
constexpr std::uint64_t FSA_DBG_THREAD = 0x1000000000;
constexpr std::uint64_t FSA_DBG_LATER = 0x100000000000;
constexpr std::uint64_t FSA_DBG_MISC = 0x200000000000;
constexpr std::uint64_t FSA_DBG_MISSED = 0x400000000000;
constexpr std::uint64_t FSA_DBG_TERM = 0x800000000000;
constexpr std::uint64_t FSA_DBG_TEXT = 0x1000000000000;

// The trace level (0 = off) and whether a module's bit is in the mask.
extern std::atomic<int> faux_dbgLevel;
bool faux_DbgModuleOn(std::uint64_t module);

// Whether a line of this module and level would be written: lets callers
// skip a trace call, and the record printers their formatting, when the
// trace is off. Inline, so that this costs one comparison then.
inline bool faux_DbgEnabled(std::uint64_t module, int level) {
    return level <= faux_dbgLevel.load(std::memory_order_relaxed) && level >= 1 &&
           faux_DbgModuleOn(module);
}

// The name printed for a module bit ("????" for other values).
const char* faux_DbgModuleName(std::uint64_t module);

// The library's debug print; it prints nothing in this build.
void UtilPrintDebugFormatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
