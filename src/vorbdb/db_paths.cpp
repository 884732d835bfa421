#include "db_paths.h"

#include <cstdio>
#include <cstring>

namespace vorbdb {
namespace {

// Plain data, so it is ready before any load hook runs.
DbPaths g_paths;

bool place(char (&slot)[DbPaths::kSize], const char* directory, const char* separator,
           const char* name) {
    int n = std::snprintf(slot, sizeof slot, "%s%s%s", directory, separator, name);
    return n > 0 && static_cast<unsigned>(n) < sizeof slot;
}

} // namespace

bool buildPaths(DbPaths& paths, const char* directory, char separator) {
    std::memset(&paths, 0, sizeof paths);
    std::size_t length = std::strlen(directory);
    const char separatorText[2] = {separator, '\0'};
    const char* join = length > 0 && directory[length - 1] == separator ? "" : separatorText;
    bool fits = place(paths.database, directory, join, "qvinstal.db") &&
                place(paths.temporary, directory, join, "qvinstal.tmp") &&
                place(paths.installFlag, directory, join, "qvinsflg.db") &&
                place(paths.traceLog, directory, join, "qvdbg.db") &&
                place(paths.traceFlag, directory, join, "qvflg.db") &&
                place(paths.release, directory, join, "qvinstal.rel") &&
                place(paths.lock, directory, join, "qvinstal.lck");
    if (!fits) {
        std::memset(&paths, 0, sizeof paths);
        return false;
    }
    paths.initialized = true;
    return true;
}

const DbPaths& activePaths() {
    return g_paths;
}

bool attachTo(const char* directory, char separator) {
    return buildPaths(g_paths, directory, separator);
}

void clearPaths() {
    std::memset(&g_paths, 0, sizeof g_paths);
}

} // namespace vorbdb
