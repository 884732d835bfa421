#include "SafeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fsa {

namespace {

// A descriptor that is not a regular file is refused.
int checkRegular(OsPort& port, int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        port.close(fd);
        errno = err;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        port.close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

} // namespace

int safeOpenOrCreate(OsPort& port, const char* path, int extraFlags, unsigned mode, bool& created,
                     SafeOpenStep& failedStep) {
    const int base = O_RDWR | O_NOFOLLOW | O_CLOEXEC | extraFlags;
    created = false;
    failedStep = SafeOpenStep::None;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = port.open(path, base, 0);
        if (fd >= 0)
            return checkRegular(port, fd);
        if (errno != ENOENT) {
            failedStep = SafeOpenStep::Open;
            return -1;
        }
        fd = port.open(path, base | O_CREAT | O_EXCL, mode);
        if (fd >= 0) {
            created = true;
            if (::fchmod(fd, mode) != 0) {
                const int err = errno;
                port.close(fd);
                errno = err;
                failedStep = SafeOpenStep::Create;
                return -1;
            }
            return checkRegular(port, fd);
        }
        if (errno != EEXIST) {
            failedStep = SafeOpenStep::Create;
            return -1;
        }
        // Another process created it first: open the existing file.
    }
    failedStep = SafeOpenStep::Open;
    return -1;
}

} // namespace fsa
