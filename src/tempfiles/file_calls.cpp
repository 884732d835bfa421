#include "tempfiles/file_calls.h"

#include <atomic>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kor::tempfiles {
namespace {

std::atomic<FileCalls*> g_installed{nullptr};

} // namespace

ssize_t FileCalls::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int FileCalls::fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

int FileCalls::fchown(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group);
}

int FileCalls::fsync(int fd) {
    return ::fsync(fd);
}

int FileCalls::close(int fd) {
    return ::close(fd);
}

int FileCalls::rename(const char* from, const char* to, unsigned flags) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

int FileCalls::openDirectory(const char* path) {
    return ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

FileCalls& fileCalls() {
    static FileCalls system;
    FileCalls* installed = g_installed.load();
    return installed ? *installed : system;
}

void setFileCalls(FileCalls* calls) {
    g_installed.store(calls);
}

} // namespace kor::tempfiles
