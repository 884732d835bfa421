#pragma once

#include "process_table.h"

#include <cstdint>

namespace haltrix {

// This process and the one that started it: never terminated, so that a
// pattern broad enough to name them cannot take down the caller.
struct ProtectedProcesses {
    uint32_t self = 0;
    uint32_t parent = 0; // 0 when unknown
};

ProtectedProcesses currentProtectedProcesses();

// Terminates the entry's process with exit code 1. 1 when it was terminated,
// could not be opened (gone, no rights, no id) or is protected; 0 when the
// termination itself failed.
int TerminateTask(const ProcessEntry& entry, const ProtectedProcesses& protectedIds);

} // namespace haltrix
