#pragma once

// The controller library's adapter-wide maintenance exports: pause and
// resume of the adapter's I/O and the host operating-system tests.

#include "FsaTypes.h"

#include <cstdint>

extern "C" {

// Seconds 1..150 pause the I/O of the adapter (and of its cluster partner)
// for that long; 0 resumes it. Needs read-write access.
FSA_STATUS FsaPauseResumeIo(void* handle, unsigned int seconds);
// *state := 129 while the handle's I/O is paused, else 299; never asks the
// controller and takes no lock.
FSA_STATUS FsaPauseResumeIoStatus(void* handle, unsigned int* state);
// The same for entry `index` of the adapter table.
FSA_STATUS FsaPauseResumeIoStatusEx(void* handle, unsigned int index, unsigned int* state);

// Stores the application's user-interface callback with the adapter and
// with every further entry of its adapter table.
FSA_STATUS FsaSetUiThreadCallBack(void* handle, void* callback, void* callbackArg,
                                  unsigned int extraWord);

int FsaIsUnixOS(unsigned int osType);
int FsaIsNTOS(unsigned int osType);
unsigned int FsaGetOSType();
}
