#pragma once

// Ending the tasks of containers and drives that a disk-set change takes
// away. A terminated task that has not ended after a minute on the library's
// clock ends the clean-up: it would otherwise wait for ever.

#include "Context.h"
#include "FsaMaintenance.h"

#include <cstdint>

constexpr unsigned DS_TERMINATED_TASK_LIMIT_MS = 60000;

// Terminates the container's tasks until none is listed: 113 after seven
// rounds, 145 when a terminated task does not end; a refused terminate
// throws 6.
FSA_STATUS FsaTerminateTasksForDelete(FSAAPI_CONTEXT* ctx, std::uint32_t container);
// Terminates the drive's tasks, then looks 20 times, 500 ms apart, for any
// left: 145 when some are, or when a terminated task does not end.
FSA_STATUS DS_TerminateTasksForDriveRemoval(FSAAPI_CONTEXT* ctx, std::uint32_t driveId);
// The same for every member drive of the set; the first failure ends it.
FSA_STATUS DS_TerminateMemberTasks(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set);
