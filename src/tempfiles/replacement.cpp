#include "tempfiles/replacement.h"

#include "tempfiles/file_calls.h"

#include <cerrno>
#include <stdio.h>

namespace kor::tempfiles {
namespace {

// The prefix, once the temporaries of writers that died are gone from it.
const std::string& withoutStaleTemporaries(const std::string& prefix) {
    removeStaleTemporaries(prefix);
    return prefix;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename durable; a failure here loses nothing that the rename
// has not already made visible.
void syncDirectory(FileCalls& calls, const std::string& directory) {
    const int fd = calls.openDirectory(directory.c_str());
    if (fd >= 0) {
        calls.fsync(fd);
        calls.close(fd);
    }
}

} // namespace

Replacement::Replacement(const std::string& target) : Replacement(target, target) {}

Replacement::Replacement(const std::string& target, const std::string& prefix)
    : m_target(target), m_temporary(withoutStaleTemporaries(prefix)),
      m_fd(m_temporary.openForWriting()) {}

Replacement::~Replacement() {
    if (m_fd >= 0)
        fileCalls().close(m_fd);
}

bool Replacement::check(bool done) {
    if (!done)
        m_failed = true;
    return done;
}

bool Replacement::write(const void* data, std::size_t size) {
    if (m_fd < 0 || m_failed)
        return check(false);
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = fileCalls().write(m_fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return check(false);
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool Replacement::setOwner(uid_t owner, gid_t group) {
    return check(m_fd >= 0 && fileCalls().fchown(m_fd, owner, group) == 0);
}

bool Replacement::setMode(mode_t mode) {
    return check(m_fd >= 0 && fileCalls().fchmod(m_fd, mode) == 0);
}

bool Replacement::commit(Existing existing) {
    if (m_fd < 0)
        return false;
    FileCalls& calls = fileCalls();
    const bool synced = !m_failed && calls.fsync(m_fd) == 0;
    // Closing reports a delayed write error that the sync did not.
    const int fd = m_fd;
    m_fd = -1;
    const bool closed = calls.close(fd) == 0;
    const unsigned flags = existing == Existing::Keep ? RENAME_NOREPLACE : 0;
    if (!synced || !closed ||
        calls.rename(m_temporary.path().c_str(), m_target.c_str(), flags) != 0) {
        m_failed = true;
        return false;
    }
    m_temporary.renamed();
    syncDirectory(calls, directoryOf(m_target));
    return true;
}

} // namespace kor::tempfiles
