#include "io.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

namespace telm {

namespace {

void setBlocking(int fd, bool blocking) {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0)
        return;
    fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

} // namespace

Deadline::Deadline(int timeoutMs)
    : end_(std::chrono::steady_clock::now() +
           std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs)) {}

int Deadline::millisLeft() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end_ - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

int waitFor(int fd, short events, int timeoutMs) {
    Deadline deadline(timeoutMs);
    int limit = timeoutMs;
    for (;;) {
        pollfd p{fd, events, 0};
        int rc = poll(&p, 1, limit);
        if (rc >= 0)
            return rc;
        if (errno != EINTR)
            return -1;
        if (timeoutMs >= 0)
            limit = deadline.millisLeft();
    }
}

size_t recvWithin(int fd, unsigned char* buffer, size_t length, int timeoutMs) {
    Deadline deadline(timeoutMs);
    size_t count = 0;
    while (count < length) {
        int ready = waitFor(fd, POLLIN, timeoutMs < 0 ? -1 : deadline.millisLeft());
        if (ready <= 0)
            break;
        ssize_t n = recv(fd, buffer + count, length - count, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            break;
        count += static_cast<size_t>(n);
    }
    return count;
}

bool sendAll(int fd, const void* data, size_t length, int timeoutMs) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (length > 0) {
        ssize_t n = send(fd, p, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFor(fd, POLLOUT, timeoutMs) <= 0)
                return false;
            continue;
        }
        if (n <= 0)
            return false;
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

ConnectOutcome connectWithin(int fd, const sockaddr_in& to, int timeoutMs) {
    ConnectOutcome out;
    if (timeoutMs > 0)
        setBlocking(fd, false);
    out.rc = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (out.rc != 0 && timeoutMs > 0 && errno == EINPROGRESS) {
        out.waitRc = waitFor(fd, POLLOUT, timeoutMs);
        socklen_t size = sizeof out.pending;
        if (out.waitRc > 0 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &out.pending, &size) == 0 &&
            out.pending == 0) {
            out.rc = 0;
        } else {
            out.rc = -1;
            if (out.pending != 0)
                errno = out.pending;
            else if (out.waitRc == 0)
                errno = ETIMEDOUT;
        }
    }
    if (out.rc == 0) {
        setBlocking(fd, true);
        errno = 0;
    }
    return out;
}

} // namespace telm
