// TCP transport to the card: bounded connect, send, receive, disconnect, listen.
#include "clock.h"
#include "fd.h"
#include "io.h"
#include "telm/telm.h"
#include "trace.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr const char* defaultMajor = "192.168.234.236";
constexpr const char* defaultMinor = "5860";
constexpr char kCarriageReturn = '\r';

// Hex trace of a block: at most `limit` bytes shown, " ..." when cut.
void traceBlock(const char* label, const unsigned char* data, int count, int limit, bool mark) {
    if (!telm::traceOn())
        return;
    int shown = count < limit ? count : limit;
    if (b2a(data, shown, b2aBuf, sizeof b2aBuf) != 0)
        return;
    v3cops_printf("--%s--\n%s%s\n--------%s", label, b2aBuf, mark && count > limit ? " ..." : "",
                  mark ? "\n" : "");
}

int waitMillis(int flags, int wait) {
    if (flags & V3_WAITFOREVER)
        return -1;
    if (flags & V3_NOWAIT)
        return 0;
    if (wait > 0)
        return telm::clock().millisFor(wait);
    return wait < 0 ? telm::clock().millisFor(10) : 0;
}

} // namespace

extern "C" int v3Connect(const char* address, const char* port, int maxWait) {
    static const char fn[] = "v3Connect";
    if (!address)
        address = defaultMajor;
    if (!port)
        port = defaultMinor;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    unsigned long portNumber = std::strtoul(port, nullptr, 10);
    if (inet_pton(AF_INET, address, &to.sin_addr) != 1 || portNumber > 65535) {
        v3cops_printf("%s: invalid address '%s'\n", fn, address);
        return -1;
    }
    to.sin_port = htons(static_cast<uint16_t>(portNumber));
    telm::Fd sock(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!sock.valid()) {
        int rc = sock.get();
        v3cops_printf("%s: %s() returned %d, errno %d\n", fn, "socket", rc, errno);
        return rc;
    }
    v3cops_printf("%s: dSock=%d, connecting (maxWait=%d)..\n", fn, sock.get(), maxWait);
    int limit = maxWait > 0 ? telm::clock().millisFor(maxWait) : 0;
    telm::ConnectOutcome outcome = telm::connectWithin(sock.get(), to, limit);
    if (outcome.rc != 0) {
        int saved = errno;
        if (maxWait > 0)
            v3cops_printf("%s: select/getsockopt = %d/%d\n", fn, outcome.waitRc, outcome.pending);
        v3cops_printf("%s: %s() returned %d, errno %d\n", fn, "connect", -1, saved);
        errno = saved;
        return -1;
    }
    v3cops_printf("%s: connected to %s:%u\n", fn, address, static_cast<unsigned>(portNumber));
    errno = 0;
    return sock.release();
}

extern "C" int v3Listen(const char* address, int port, int backlog, v3Client* client) {
    static const char fn[] = "v3Listen";
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port));
    if (!address || inet_aton(address, &at.sin_addr) == 0) {
        v3cops_printf("%s: %s() returned %d, errno %d\n", fn, "inet_aton", -1, errno);
        return -1;
    }
    telm::Fd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    v3cops_printf("%s: lSock=%d\n", fn, listener.get());
    if (!listener.valid())
        return -1;
    int one = 1;
    struct Step {
        const char* name;
        int rc;
    };
    int rc = setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    Step failed{"setsockopt", rc};
    if (rc == 0) {
        rc = bind(listener.get(), reinterpret_cast<sockaddr*>(&at), sizeof at);
        failed = {"bind", rc};
    }
    if (rc == 0) {
        rc = listen(listener.get(), backlog);
        failed = {"listen", rc};
    }
    if (rc != 0) {
        v3cops_printf("%s: %s() returned %d, errno %d\n", fn, failed.name, failed.rc, errno);
        return rc;
    }
    if (!client)
        return listener.release();

    socklen_t size = sizeof client->peer;
    int accepted;
    do {
        size = sizeof client->peer;
        accepted = accept4(listener.get(), reinterpret_cast<sockaddr*>(&client->peer), &size,
                           SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0)
        v3cops_printf("%s: %s() returned %d, errno %d\n", fn, "accept", accepted, errno);
    client->socket = accepted;
    char peerText[INET_ADDRSTRLEN] = "N/A";
    if (accepted >= 0)
        inet_ntop(AF_INET, &client->peer.sin_addr, peerText, sizeof peerText);
    v3cops_printf("%s: cSock=%d, ip=%s\n", fn, accepted, peerText);
    if (accepted < 0)
        return listener.release();

    telm::Fd connection(accepted);
    const struct {
        int option;
        int value;
    } sizes[] = {{SO_RCVBUF, client->recvBufSize}, {SO_SNDBUF, client->sendBufSize}};
    for (const auto& s : sizes) {
        if (s.value <= 0)
            continue;
        rc = setsockopt(accepted, SOL_SOCKET, s.option, &s.value, sizeof s.value);
        if (rc != 0) {
            v3cops_printf("%s: %s() returned %d, errno %d\n", fn, "setsockopt", rc, errno);
            client->socket = rc;
            return rc;
        }
    }
    connection.release();
    return listener.release();
}

extern "C" int v3Disconnect(int socket, int flags) {
    int rc = 0;
    bool skipped = (flags & 0x20) != 0;
    if (!skipped) {
        rc = shutdown(socket, SHUT_RDWR);
        v3cops_printf("%s: shutdown(%d) rc=%d", "v3Disconnect", socket, rc);
    }
    // Closed even when the shutdown failed: the caller never touches the socket again.
    int closed = close(socket);
    v3cops_printf("%s close(%d) rc=%d", skipped ? "v3Disconnect" : ",", socket, closed);
    if (rc == 0)
        rc = closed;
    v3cops_printf("%c\n", kCarriageReturn);
    return rc;
}

extern "C" int v3Send(int socket, int flags, int keepBlocking, const unsigned char* data,
                      int length) {
    static const char fn[] = "v3Send";
    if (!data || socket < 0 || length <= 0)
        return -1;
    size_t remaining = static_cast<size_t>(length);
    if ((flags & V3_STRING) && !(flags & V3_EXACT)) {
        remaining = strnlen(reinterpret_cast<const char*>(data), remaining + 1);
        if (remaining > static_cast<size_t>(length))
            return -1;
        if (remaining == 0)
            return 0;
    }
    bool nonBlocking = keepBlocking == 0 && (flags & V3_NOWAIT) && !(flags & V3_WAITFOREVER);
    int sendFlags = MSG_NOSIGNAL | (nonBlocking ? MSG_DONTWAIT : 0);
    int total = 0;
    int rc = 0;
    int savedErrno = 0;
    while (remaining > 0) {
        ssize_t n = send(socket, data + total, remaining, sendFlags);
        if (n < 0) {
            savedErrno = errno;
            rc = static_cast<int>(n);
            break;
        }
        traceBlock("SENT", data + total, static_cast<int>(n), 126, true);
        total += static_cast<int>(n);
        remaining -= static_cast<size_t>(n);
        rc = total;
        if (n == 0 || nonBlocking)
            break;
    }
    v3cops_printf("%s: rc=%d\n", fn, rc);
    if (rc < 0)
        errno = savedErrno;
    return rc;
}

extern "C" int v3Recv(int socket, int flags, int wait, unsigned char* buffer, unsigned length) {
    static const char fn[] = "v3Recv";
    if (!buffer || socket < 0 || length == 0)
        return -1;
    int ready = telm::waitFor(socket, POLLIN, waitMillis(flags, wait));
    v3cops_printf("%s: select() awakens..", fn);
    if (ready <= 0) {
        v3cops_printf("%c\n", kCarriageReturn);
        return ready;
    }
    v3cops_printf(" activity on FD=%d", socket);
    bool stringMode = (flags & V3_STRING) && !(flags & V3_EXACT);
    unsigned count = 0;
    bool failed = false;
    while (count < length) {
        ssize_t n = recv(socket, buffer + count, 1, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != 1) {
            failed = true;
            break;
        }
        ++count;
        if (stringMode && buffer[count - 1] == '\0')
            break;
    }
    if (count == length && !(flags & V3_EXACT))
        failed = true;
    int rc = static_cast<int>(count);
    if (failed) {
        v3cops_printf("%c\n..recv() error", kCarriageReturn);
        buffer[0] = '\0';
        rc = -1;
    }
    v3cops_printf("\n%s: rc=%d\n", fn, rc);
    if (rc > 0 && rc <= 127)
        traceBlock("RECV", buffer, rc, 127, false);
    v3cops_printf("%c\n", kCarriageReturn);
    return rc;
}
