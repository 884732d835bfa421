// The lock (flock) that serialises a library's rewrites between processes,
// taken on a lock file at a fixed path. A lock on a file that is no longer at
// that path serialises nothing: another process opening the path gets a
// different file and a lock of its own.
#pragma once

namespace kor::tempfiles {

// Opens the file at `path` (created with mode 0600 when missing) and locks it
// with `operation` (LOCK_SH or LOCK_EX), waiting for the lock. When the file
// was removed or replaced meanwhile, the lock is taken again on the file that
// the path names now. Returns the descriptor, which holds the lock until it is
// closed, or -1: for anything but a regular file at the path (a FIFO, a
// device, a symbolic link), found without waiting, and for a failed call.
int lockFileAtPath(const char* path, int operation);

// Whether `path` still names the file that `fd` holds. Someone may remove or
// replace the lock file while it is held, after which another process can
// take a lock of its own: a holder checks this right before it makes its
// change visible.
bool isFileAtPath(int fd, const char* path);

} // namespace kor::tempfiles
