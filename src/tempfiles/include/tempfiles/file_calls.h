// The system calls that put a replacement file in place: the one way from
// this library to the files it replaces once their temporary exists. Tests
// install their own to watch the order of the calls or to make one fail.
#pragma once

#include <cstddef>
#include <sys/types.h>

namespace kor::tempfiles {

class FileCalls {
public:
    virtual ~FileCalls() = default;
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fchown(int fd, uid_t owner, gid_t group);
    virtual int fsync(int fd);
    virtual int close(int fd);
    // renameat2 between two paths: `flags` 0 or RENAME_NOREPLACE.
    virtual int rename(const char* from, const char* to, unsigned flags);
    virtual int openDirectory(const char* path);
};

FileCalls& fileCalls();
void setFileCalls(FileCalls* calls); // null: the system calls

} // namespace kor::tempfiles
