#include "tempfiles/path_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kor::tempfiles {
namespace {

enum class Identity { Same, Different, Unknown };

Identity compare(int fd, const char* path) {
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) != 0)
        return Identity::Unknown;
    if (::lstat(path, &named) != 0)
        return errno == ENOENT ? Identity::Different : Identity::Unknown;
    return named.st_dev == held.st_dev && named.st_ino == held.st_ino ? Identity::Same
                                                                      : Identity::Different;
}

} // namespace

int lockFileAtPath(const char* path, int operation) {
    for (;;) {
        // Opened without waiting: a FIFO or a device must not hold the caller.
        const int fd = ::open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0)
            return -1;
        struct stat st {};
        int rc = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? 0 : -1;
        if (rc == 0) {
            do
                rc = ::flock(fd, operation);
            while (rc != 0 && errno == EINTR);
        }
        const Identity identity = rc == 0 ? compare(fd, path) : Identity::Unknown;
        if (identity == Identity::Same)
            return fd;
        ::close(fd);
        if (identity == Identity::Unknown)
            return -1;
    }
}

bool isFileAtPath(int fd, const char* path) {
    return compare(fd, path) == Identity::Same;
}

} // namespace kor::tempfiles
