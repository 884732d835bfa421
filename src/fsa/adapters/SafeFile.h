#pragma once

// Files in shared directories (/tmp): never through a symbolic link, created
// exclusively, always regular files, with their mode set on the descriptor.

#include "OsPort.h"

namespace fsa {

enum class SafeOpenStep { None, Open, Create };

// Opens `path` read-write (plus `extraFlags`), creating it with `mode` when it
// does not exist. On failure returns -1 with errno set and `failedStep` naming
// the step that failed. `created` tells whether this call made the file.
int safeOpenOrCreate(OsPort& port, const char* path, int extraFlags, unsigned mode, bool& created,
                     SafeOpenStep& failedStep);

} // namespace fsa
