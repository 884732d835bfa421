#pragma once

// The process-wide table from API handles (4096 upward, never reused) to
// adapter contexts.

#include <cstdint>

class FSAAPI_CONTEXT;

void* UtilCreateHandle(FSAAPI_CONTEXT* ctx); // null when no handle could be made
FSAAPI_CONTEXT* UtilGetContextFromHandle(void* handle);
int UtilDeleteHandle(void* handle);
FSAAPI_CONTEXT* UtilGetContextFromHandleForClose(void* handle);
int UtilFreeHandleResources();
std::uint32_t UtilCheckClientPings();
std::uint32_t UtilTimeStampAdapter(void* handle);
std::uint32_t UtilGetServerRegHandle(void* handle, unsigned int* out);
// Number of live handles (for leak checks).
std::uint32_t UtilHandleCount();

inline void* UtilHandleFromValue(std::uint32_t value) {
    return reinterpret_cast<void*>(std::uintptr_t(value));
}
inline std::uint32_t UtilValueFromHandle(void* handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}
