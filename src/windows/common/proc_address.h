#pragma once

#include <windows.h>

namespace kor {

// A function of a loaded module, looked up by name; null when it is missing.
// The detour through void(*)() is the documented way to change a function
// pointer's type without the compiler's cast warning.
template <typename Fn> Fn procAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace kor
