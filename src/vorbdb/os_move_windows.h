// The system call behind the Windows replace step, replaceable so that tests
// can play a system that refuses some of its flags.
#pragma once

#include <windows.h>

namespace vorbdb::os {

using MoveFileCall = BOOL(WINAPI*)(LPCSTR from, LPCSTR to, DWORD flags);

// nullptr restores the system's MoveFileExA.
void setMoveFileCall(MoveFileCall call);

} // namespace vorbdb::os
