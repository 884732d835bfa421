// The system crontab as a whole file: read, and replaced atomically.
#pragma once

#include <string>

namespace korsched {

struct FileContents {
    enum class State { Read, Missing, Unreadable };
    State state = State::Unreadable;
    std::string text; // the whole contents, when read
};

// Reads the file that `path` names, following symbolic links. Anything but a
// regular file is Unreadable, found without waiting.
FileContents readWholeFile(const std::string& path);

class CrontabLock;

// Replaces the file that `path` names (at the end of its symbolic links, which
// stay) by `contents`: written to a unique temporary file beside it, given the
// old file's mode and owner (0644 and root for a new file), flushed and renamed
// over it. On any failure the original stays as it was and false is returned.
// Temporaries that earlier writers left when they died are removed first.
bool replaceFile(const CrontabLock& held, const std::string& path, const std::string& contents);

// Serialises crontab edits within the process (mutex) and between processes
// (flock on a lock file of its own, since the crontab is replaced by rename).
class CrontabLock {
public:
    explicit CrontabLock(const std::string& lockPath);
    ~CrontabLock();
    CrontabLock(const CrontabLock&) = delete;
    CrontabLock& operator=(const CrontabLock&) = delete;

    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace korsched
