#include "CrontabFile.h"

#include "tempfiles/replacement.h"

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
    return result;
}

bool replaceFile(const CrontabLock&, const std::string& path, const std::string& contents) {
    const auto target = finalTarget(path);
    if (!target)
        return false;
    // A new file belongs to root with mode 0644, as cron requires of it.
    struct stat old {};
    if (::lstat(target->c_str(), &old) != 0) {
        if (errno != ENOENT)
            return false;
        old = {};
        old.st_mode = S_IFREG | 0644;
    }
    if (!S_ISREG(old.st_mode))
        return false;
    kor::tempfiles::Replacement replacement(*target, directoryOf(*target) + "/.crontab.korsched");
    replacement.write(contents);
    // The owner before the mode: changing it may clear set-id bits.
    replacement.setOwner(old.st_uid, old.st_gid);
    replacement.setMode(old.st_mode & 07777);
    return replacement.commit();
}

CrontabLock::CrontabLock(const std::string& lockPath) {
    processLock().lock();
    m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

CrontabLock::~CrontabLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the flock
    processLock().unlock();
}

} // namespace korsched
