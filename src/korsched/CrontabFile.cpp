#include "CrontabFile.h"

#include "tempfiles/owned_temporary.h"
#include "tempfiles/path_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <optional>

namespace korsched {

namespace {

std::mutex& processLock() {
    static std::mutex mutex;
    return mutex;
}

bool writeAll(int fd, const std::string& contents) {
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path at the end of `path`'s chain of symbolic links (which need not
// exist yet), or nothing for a loop or an unreadable link.
std::optional<std::string> finalTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            return errno == ENOENT ? std::optional<std::string>(path) : std::nullopt;
        if (!S_ISLNK(st.st_mode))
            return path;
        std::string link(static_cast<size_t>(st.st_size) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size())
            return std::nullopt; // changed while being read
        link.resize(static_cast<size_t>(n));
        path = link[0] == '/' ? link : directoryOf(path) + "/" + link;
    }
    return std::nullopt;
}

// Makes a rename in the directory durable; a failure here loses nothing that
// the rename has not already made visible.
void syncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool sameFile(const struct stat& st, const FileContents& basis) {
    return st.st_dev == basis.device && st.st_ino == basis.inode;
}

// Puts the written temporary at `target`, but only while `target` is still
// what `basis` found there: Raced otherwise. The file read is locked (flock)
// across the check and the rename, so of two writers that read the same file
// only the first replaces it; a missing file is made by a link, which fails
// when another writer made it first. The crontab lock alone cannot promise
// this: someone may remove the lock file while it is held.
Replaced commit(kor::tempfiles::OwnedTemporary& temporary, const std::string& target,
                const FileContents& basis) {
    if (basis.state == FileContents::State::Missing) {
        if (::link(temporary.path().c_str(), target.c_str()) == 0)
            return Replaced::Yes; // the temporary's own name goes with `temporary`
        return errno == EEXIST ? Replaced::Raced : Replaced::Failed;
    }
    const int fd = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Replaced::Raced : Replaced::Failed;
    int rc;
    do
        rc = ::flock(fd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    struct stat held {};
    struct stat named {};
    Replaced result = Replaced::Failed;
    if (rc == 0 && ::fstat(fd, &held) == 0) {
        if (!sameFile(held, basis) || ::lstat(target.c_str(), &named) != 0 ||
            !sameFile(named, basis))
            result = Replaced::Raced;
        else if (::rename(temporary.path().c_str(), target.c_str()) == 0)
            result = Replaced::Yes;
    }
    if (result == Replaced::Yes)
        temporary.renamed();
    ::close(fd); // releases the flock
    return result;
}

} // namespace

FileContents readWholeFile(const std::string& path) {
    FileContents result;
    // Opened without waiting, since the caller holds the crontab lock: a FIFO
    // or device would block a plain open for ever. Only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            result.state = FileContents::State::Missing;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return result;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            result.text.clear();
            return result;
        }
        if (n == 0)
            break;
        result.text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    result.state = FileContents::State::Read;
    result.device = st.st_dev;
    result.inode = st.st_ino;
    return result;
}

Replaced replaceFile(const CrontabLock&, const std::string& path, const FileContents& basis,
                     const std::string& contents) {
    const auto target = finalTarget(path);
    if (!target)
        return Replaced::Failed;
    // A new file belongs to root with mode 0644, as cron requires of it.
    struct stat old {};
    if (::lstat(target->c_str(), &old) != 0) {
        if (errno != ENOENT)
            return Replaced::Failed;
        old = {};
        old.st_mode = S_IFREG | 0644;
    }
    if (!S_ISREG(old.st_mode))
        return Replaced::Failed;
    const std::string prefix = directoryOf(*target) + "/.crontab.korsched";
    kor::tempfiles::removeStaleTemporaries(prefix);
    kor::tempfiles::OwnedTemporary temporary(prefix);
    const int fd = temporary.openForWriting();
    if (fd < 0)
        return Replaced::Failed;
    const bool written = writeAll(fd, contents) && ::fchown(fd, old.st_uid, old.st_gid) == 0 &&
                         ::fchmod(fd, old.st_mode & 07777) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
        return Replaced::Failed;
    const Replaced result = commit(temporary, *target, basis);
    if (result == Replaced::Yes)
        syncDirectory(directoryOf(*target));
    return result;
}

CrontabLock::CrontabLock(const std::string& lockPath) : m_lockPath(lockPath) {
    processLock().lock();
    m_fd = kor::tempfiles::lockFileAtPath(m_lockPath.c_str(), LOCK_EX);
}

bool CrontabLock::stillHeld() const {
    return m_fd >= 0 && kor::tempfiles::isFileAtPath(m_fd, m_lockPath.c_str());
}

bool CrontabLock::retake() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = kor::tempfiles::lockFileAtPath(m_lockPath.c_str(), LOCK_EX);
    return m_fd >= 0;
}

CrontabLock::~CrontabLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the flock
    processLock().unlock();
}

} // namespace korsched
