#include "tempfiles/owned_temporary.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace kor::tempfiles {
namespace {

constexpr std::size_t kUniqueLength = 6; // mkstemp's XXXXXX
constexpr int kCreateAttempts = 8;

std::string directoryOf(const std::string& prefix) {
    const auto slash = prefix.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : prefix.substr(0, slash);
}

std::string baseOf(const std::string& prefix) {
    const auto slash = prefix.rfind('/');
    return slash == std::string::npos ? prefix : prefix.substr(slash + 1);
}

bool allOf(const std::string& text, std::size_t from, std::size_t to, int (*test)(int)) {
    for (std::size_t i = from; i < to; ++i)
        if (!test(static_cast<unsigned char>(text[i])))
            return false;
    return from < to;
}

// "<base>.<pid>.<unique>": the decimal pid, then mkstemp's six letters and
// digits.
bool isOwnName(const std::string& name, const std::string& base) {
    if (name.size() < base.size() + 3 + kUniqueLength || name.compare(0, base.size(), base) != 0 ||
        name[base.size()] != '.')
        return false;
    const std::size_t pidStart = base.size() + 1;
    const std::size_t uniqueStart = name.size() - kUniqueLength;
    return name[uniqueStart - 1] == '.' && allOf(name, pidStart, uniqueStart - 1, isdigit) &&
           allOf(name, uniqueStart, name.size(), isalnum);
}

bool lockWithoutWaiting(int fd) {
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool namesFile(const std::string& path, int fd) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

// Removes `name` when its writer's lock is gone. The lock is taken on the
// file itself, and the name is removed only while it still names that file.
void removeIfStale(int directory, const char* name) {
    const int fd = ::openat(directory, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && lockWithoutWaiting(fd) &&
        ::fstatat(directory, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_dev == held.st_dev && named.st_ino == held.st_ino)
        ::unlinkat(directory, name, 0);
    ::close(fd);
}

} // namespace

OwnedTemporary::OwnedTemporary(const std::string& prefix) {
    // Until its lock is taken the new file can pass for a dead writer's and
    // be removed by another process's removeStaleTemporaries: it is kept only
    // when, locked, it is still the file at its name. The name carries this
    // process's id, so no other process ever makes the same one.
    const std::string pattern = prefix + "." + std::to_string(::getpid()) + ".XXXXXX";
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        m_path = pattern;
        const int fd = ::mkostemp(m_path.data(), O_CLOEXEC);
        if (fd < 0)
            break;
        const bool locked = lockWithoutWaiting(fd);
        if (locked && namesFile(m_path, fd)) {
            m_lock = fd;
            break;
        }
        if (!locked)
            ::unlink(m_path.c_str());
        ::close(fd);
    }
    if (m_lock < 0)
        m_path.clear();
}

OwnedTemporary::~OwnedTemporary() {
    if (m_lock < 0)
        return;
    if (!m_renamed)
        ::unlink(m_path.c_str());
    ::close(m_lock); // releases the lock
}

int OwnedTemporary::openForWriting() const {
    // The same open file: writing through it moves one offset, and closing
    // it leaves the lock, which belongs to the open file, in place.
    return m_lock < 0 ? -1 : ::fcntl(m_lock, F_DUPFD_CLOEXEC, 0);
}

void removeStaleTemporaries(const std::string& prefix) {
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(directoryOf(prefix).c_str()),
                                                        ::closedir);
    if (!directory)
        return;
    const std::string base = baseOf(prefix);
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string name = entry->d_name;
        if (isOwnName(name, base))
            removeIfStale(::dirfd(directory.get()), entry->d_name);
    }
}

} // namespace kor::tempfiles
