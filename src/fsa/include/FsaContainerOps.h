#pragma once

// Exported container operations: creation, the operation dispatcher,
// snapshots, reconfiguration, verify, soft errors.

#include "FsaTypes.h"

// One disk of the soft-error list: its address, flag bit 0 (0/1) and flag
// bit 1 (0/2).
typedef void (*FSA_SOFT_ERROR_DISK_CALLBACK)(unsigned int bus, unsigned int target,
                                             unsigned int lun, unsigned int flag0,
                                             unsigned int flag1, void* cookie);

extern "C" {

FSA_STATUS FsaSetSoftErrorState(void* handle, int state);
FSA_STATUS FsaShowSoftError(void* handle, int* state);
FSA_STATUS FsaShowSoftErrorDisks(void* handle, FSA_SOFT_ERROR_DISK_CALLBACK callback, void* cookie);
}
