#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <time.h>

#include <fcntl.h>
#include <libgen.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os_port.h"
#include "tempfiles/owned_temporary.h"
#include "tempfiles/path_lock.h"

namespace vorbdb::os {
namespace {

constexpr mode_t kNewDatabaseMode = 0644;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting the error a delayed write may surface only here.
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The directory entry of a rename is durable only once its directory is synced.
void syncDirectoryOf(const char* path) {
    std::string copy(path);
    int fd = ::open(::dirname(copy.data()), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Opens `path` with `flags` without ever waiting: a FIFO or a device at one
// of the library's fixed paths would otherwise hold the open for ever, with
// the database lock held. Only a regular file is kept; for anything else the
// result is -1 with errno EINVAL.
int openRegularFile(const char* path, int flags, mode_t mode = 0) {
    int fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

} // namespace

const int kReplaceAttempts = 1;

// One read of the size the file has now; the buffer grows only when the
// file grew meanwhile. A byte of room beyond the size lets the same read
// see the end of the file. A buffer kept from an earlier read is reused as
// it is: only room it never had is allocated (and zeroed).
ReadResult readFile(const char* path, std::string& content) {
    Descriptor fd(openRegularFile(path, O_RDONLY));
    if (fd.get() < 0) {
        content.clear();
        return errno == ENOENT ? ReadResult::NotFound : ReadResult::Failed;
    }
    struct stat info;
    const std::size_t known = ::fstat(fd.get(), &info) == 0 && info.st_size > 0
                                  ? static_cast<std::size_t>(info.st_size)
                                  : 0;
    content.resize(known + 1);
    std::size_t filled = 0;
    while (true) {
        if (filled == content.size())
            content.resize(content.size() + content.size() / 2 + 16384);
        ssize_t n = ::read(fd.get(), &content[filled], content.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            content.clear();
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    content.resize(filled);
    return ReadResult::Ok;
}

bool canOpenForReading(const char* path) {
    Descriptor fd(openRegularFile(path, O_RDONLY));
    return fd.get() >= 0;
}

FileLock::FileLock(const char* path, LockMode mode)
    : handle_(kor::tempfiles::lockFileAtPath(path, mode == LockMode::Shared ? LOCK_SH : LOCK_EX)),
      path_(path) {
    held_ = handle_ >= 0;
}

bool FileLock::stillHeld() const {
    return held_ && kor::tempfiles::isFileAtPath(static_cast<int>(handle_), path_);
}

FileLock::~FileLock() {
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_)); // releases the lock
}

struct TempFile::Held {
    explicit Held(const char* prefix) : file(prefix) {}
    kor::tempfiles::OwnedTemporary file;
};

TempFile::TempFile() = default;
TempFile::~TempFile() = default;

const char* TempFile::path() const {
    return held_ ? held_->file.path().c_str() : "";
}

void TempFile::moved() {
    if (held_)
        held_->file.renamed();
}

TempResult writeTempFile(const char* prefix, const char* modelPath, std::string_view content,
                         TempFile& temp) {
    temp.held_.reset();
    auto held = std::make_unique<TempFile::Held>(prefix);
    Descriptor fd(held->file.openForWriting());
    if (fd.get() < 0)
        return TempResult::OpenFailed;
    struct stat model;
    mode_t mode = ::stat(modelPath, &model) == 0 ? (model.st_mode & 07777) : kNewDatabaseMode;
    bool written =
        ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), content) && ::fsync(fd.get()) == 0;
    if (!fd.close() || !written)
        return TempResult::WriteFailed; // `held` removes the file
    temp.held_ = std::move(held);
    return TempResult::Ok;
}

void removeStaleTempFiles(const char* prefix) {
    kor::tempfiles::removeStaleTemporaries(prefix);
}

bool replaceFile(const char* from, const char* to, bool failIfExists) {
    bool moved =
        failIfExists ? (::link(from, to) == 0 && ::unlink(from) == 0) : ::rename(from, to) == 0;
    if (moved)
        syncDirectoryOf(to);
    return moved;
}

void appendToFile(const char* path, std::string_view text) {
    Descriptor fd(
        openRegularFile(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, kNewDatabaseMode));
    if (fd.get() >= 0)
        writeAll(fd.get(), text);
}

std::u16string legacyToUtf16(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size());
    for (char c : bytes)
        units.push_back(static_cast<unsigned char>(c));
    return units;
}

void sleepMilliseconds(unsigned ms) {
    struct timespec wait = {static_cast<time_t>(ms / 1000),
                            static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

} // namespace vorbdb::os
