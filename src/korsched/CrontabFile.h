// The system crontab as a whole file: read, and replaced atomically.
#pragma once

#include <sys/types.h>

#include <string>

namespace korsched {

struct FileContents {
    enum class State { Read, Missing, Unreadable };
    State state = State::Unreadable;
    std::string text; // the whole contents, when read
    dev_t device = 0; // the file read, when read
    ino_t inode = 0;
};

// Reads the file that `path` names, following symbolic links. Anything but a
// regular file is Unreadable, found without waiting.
FileContents readWholeFile(const std::string& path);

class CrontabLock;

enum class Replaced { Yes, Failed, Raced };

// Replaces the file that `path` names (at the end of its symbolic links, which
// stay) by `contents`: written to a unique temporary file beside it, given the
// old file's mode and owner (0644 and root for a new file), flushed and renamed
// over it. The contents were made from `basis`: when the file there is no
// longer the one read (or one appeared where none was), nothing is replaced
// and the answer is Raced. On any failure the original stays as it was.
// Temporaries that earlier writers left when they died are removed first,
// which is safe even beside a writer that holds no lock: a live writer's
// temporary is never removed.
Replaced replaceFile(const CrontabLock& held, const std::string& path, const FileContents& basis,
                     const std::string& contents);

// Serialises crontab edits within the process (mutex) and between processes
// (flock on a lock file of its own, since the crontab is replaced by rename).
class CrontabLock {
public:
    explicit CrontabLock(const std::string& lockPath);
    ~CrontabLock();
    CrontabLock(const CrontabLock&) = delete;
    CrontabLock& operator=(const CrontabLock&) = delete;

    bool held() const { return m_fd >= 0; }
    // Whether the lock file is still the file at its path: a lock on a file
    // that someone removed or replaced no longer keeps other processes out.
    bool stillHeld() const;
    // Takes the lock again, on the file at the path now; true when held.
    bool retake();

private:
    std::string m_lockPath;
    int m_fd = -1;
};

} // namespace korsched
