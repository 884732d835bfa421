#pragma once

#include <dlfcn.h>

namespace telm {

enum class Route { Invalid, Direct, Library };

// Route of a card type word: only card type 3 is served.
Route routeOf(int type);

// Calls `name` in the outside card access library, loaded for this call only:
// -1 when it cannot be loaded or lacks the function.
template <class Fn, class... Args> int callCardLibrary(const char* name, Args... args) {
    void* library = dlopen("libspcmp32.so", RTLD_LAZY);
    if (!library)
        return -1;
    dlerror();
    void* symbol = dlsym(library, name);
    int rc = -1;
    if (dlerror() == nullptr && symbol)
        rc = reinterpret_cast<Fn>(symbol)(args...);
    dlclose(library);
    return rc;
}

} // namespace telm
