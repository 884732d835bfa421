// The system crontab as a whole file: read, and replaced atomically.
#pragma once

#include <optional>
#include <string>

namespace korsched {

// The whole contents, or nothing when the file cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

// Writes `contents` to a unique temporary file beside `path`, flushes it,
// gives it mode 0644 and renames it over `path`. On any failure the original
// stays as it was and false is returned.
bool replaceFile(const std::string& path, const std::string& contents);

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
