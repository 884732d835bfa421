// A recorder of the calls a replacement makes, for the tests of the helper
// and of its users: it logs each call, keeps what the temporary held when it
// was synced, and fails the call it is told to.
#pragma once

#include "replaced_files.h"
#include "tempfiles/file_calls.h"

#include <cerrno>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace kortest {

// Logs the calls a replacement makes and fails the one named `failing`
// (its `failingCall`th call, counted from 1) with `failure`.
class RecordingCalls : public kor::tempfiles::FileCalls {
public:
    std::vector<std::string> log;
    std::string failing;
    int failingCall = 1;
    int failure = EIO;
    std::string syncedContent; // the temporary's content when it was synced

    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (fails("write"))
            return -1;
        return kor::tempfiles::FileCalls::write(fd, data, size);
    }
    int fchmod(int fd, mode_t mode) override {
        return fails("fchmod") ? -1 : kor::tempfiles::FileCalls::fchmod(fd, mode);
    }
    int fchown(int fd, uid_t owner, gid_t group) override {
        return fails("fchown") ? -1 : kor::tempfiles::FileCalls::fchown(fd, owner, group);
    }
    int fsync(int fd) override {
        struct stat st {};
        const bool directory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        if (!directory)
            syncedContent = contentOf("/proc/self/fd/" + std::to_string(fd));
        return fails(directory ? "fsync directory" : "fsync file")
                   ? -1
                   : kor::tempfiles::FileCalls::fsync(fd);
    }
    int close(int fd) override {
        const int rc = kor::tempfiles::FileCalls::close(fd); // released whatever the answer
        return fails("close") ? -1 : rc;
    }
    int rename(const char* from, const char* to, unsigned flags) override {
        return fails("rename") ? -1 : kor::tempfiles::FileCalls::rename(from, to, flags);
    }
    int openDirectory(const char* path) override {
        return fails("open directory") ? -1 : kor::tempfiles::FileCalls::openDirectory(path);
    }

private:
    bool fails(const std::string& call) {
        log.push_back(call);
        int seen = 0;
        for (const std::string& earlier : log)
            seen += earlier == call;
        if (call != failing || seen != failingCall)
            return false;
        errno = failure;
        return true;
    }
};

// Installs `calls` for the life of the object.
class ScopedFileCalls {
public:
    explicit ScopedFileCalls(kor::tempfiles::FileCalls& calls) {
        kor::tempfiles::setFileCalls(&calls);
    }
    ~ScopedFileCalls() { kor::tempfiles::setFileCalls(nullptr); }
    ScopedFileCalls(const ScopedFileCalls&) = delete;
    ScopedFileCalls& operator=(const ScopedFileCalls&) = delete;
};

} // namespace kortest
