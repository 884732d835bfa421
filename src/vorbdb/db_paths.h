// The paths of the database and its companion files, built once when the
// library is loaded and read-only afterwards.
#pragma once

namespace vorbdb {

struct DbPaths {
    static constexpr unsigned kSize = 256;
    char database[kSize];    // the install database
    char temporary[kSize];   // prefix of each rewrite's own temporary file
    char installFlag[kSize]; // its presence answers the install check
    char traceLog[kSize];    // trace statements are appended here
    char traceFlag[kSize];   // while it exists, level-1 statements are traced
    char release[kSize];     // built for completeness; nothing reads it
    char lock[kSize];        // held across every read-modify-replace
    bool initialized;
};

// Builds every path inside `directory`, adding `separator` when the directory
// does not end with it. False, with every path empty, when one does not fit.
bool buildPaths(DbPaths& paths, const char* directory, char separator);

// The paths in use; empty until the library is attached.
const DbPaths& activePaths();
// Points the library at `directory` (load hooks and tests).
bool attachTo(const char* directory, char separator);
void clearPaths();

} // namespace vorbdb

extern "C" {
// Load and unload hooks: build the paths; nothing to release.
int ModuleAttach(void);
int ModuleDetach(void);
}
