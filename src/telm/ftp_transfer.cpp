// tymPutFile and tymGetFile: one file each way over the card's FTP server.
#include "clock.h"
#include "exported_call.h"
#include "ftp.h"
#include "ftp_reply.h"
#include "io.h"
#include "telm/telm.h"
#include "tempfiles/replacement.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>

namespace telm {

namespace {

constexpr size_t kBlock = 4096;
constexpr int kLingerSeconds = 120;

bool retryable() {
    return errno == EINTR;
}

bool upload(const char* fn, FtpSession& s) {
    linger lingerOn{1, kLingerSeconds};
    setsockopt(s.data.get(), SOL_SOCKET, SO_LINGER, &lingerOn, sizeof lingerOn);
    const int limit = clock().millisFor(kFtpReplySeconds);
    unsigned char block[kBlock];
    long total = 0;
    for (;;) {
        v3cops_printf("%s: read..\n", fn);
        ssize_t n = read(s.local.get(), block, sizeof block);
        if (n < 0 && retryable())
            continue;
        if (n < 0) {
            v3cops_printf("%s: read() error, errno=%d\n", fn, errno);
            return false;
        }
        if (n == 0)
            break;
        v3cops_printf("%s: send..\n", fn);
        if (!sendAll(s.data.get(), block, static_cast<size_t>(n), limit)) {
            v3cops_printf("%s: send() error, errno=%d\n", fn, errno);
            return false;
        }
        total += n;
    }
    v3cops_printf("%s: %ld bytes read/transferred\n", fn, total);
    return true;
}

bool writeAll(int fd, const unsigned char* data, size_t length) {
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && retryable())
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// One block from the data connection: at once when data is waiting (the
// usual case in a running transfer), else after waiting up to `limit`.
ssize_t receiveBlock(int fd, unsigned char* block, int limit) {
    for (;;) {
        ssize_t n = recv(fd, block, kBlock, MSG_DONTWAIT);
        if (n >= 0)
            return n;
        if (retryable())
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
        if (waitFor(fd, POLLIN, limit) <= 0) {
            errno = ETIMEDOUT;
            return -1;
        }
    }
}

bool download(const char* fn, FtpSession& s) {
    const int limit = clock().millisFor(kFtpReplySeconds);
    unsigned char block[kBlock];
    long total = 0;
    for (;;) {
        v3cops_printf("%s: recv..\n", fn);
        ssize_t n = receiveBlock(s.data.get(), block, limit);
        if (n < 0) {
            v3cops_printf("%s: recv() error, errno=%d\n", fn, errno);
            return false;
        }
        if (n == 0)
            break;
        total += n;
        v3cops_printf("%s: write..\n", fn);
        if (!writeAll(s.local.get(), block, static_cast<size_t>(n))) {
            v3cops_printf("%s: write() error, errno=%d\n", fn, errno);
            return false;
        }
    }
    v3cops_printf("%s: %ld bytes transferred/written\n", fn, total);
    return true;
}

// 150 opens the data connection; 125 says a server that connects at PORT
// time already has it open. Both start the transfer.
bool transferStarting(int reply) {
    return reply == 150 || reply == 125;
}

bool samePeer(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_family == AF_INET && b.sin_family == AF_INET &&
           a.sin_addr.s_addr == b.sin_addr.s_addr;
}

// Takes the card's data connection: the first one from the control
// connection's peer. A connection from any other host is closed unread and
// the wait goes on, within the one limit.
bool acceptData(const char* fn, FtpSession& s) {
    sockaddr_in card{};
    socklen_t size = sizeof card;
    if (getpeername(s.control.get(), reinterpret_cast<sockaddr*>(&card), &size) != 0)
        return false;
    Deadline deadline(clock().millisFor(kFtpReplySeconds));
    for (;;) {
        if (waitFor(s.listener.get(), POLLIN, deadline.millisLeft()) <= 0)
            return false;
        sockaddr_in from{};
        size = sizeof from;
        Fd data(accept4(s.listener.get(), reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC));
        if (!data.valid() && (errno == EINTR || errno == ECONNABORTED))
            continue;
        if (!data.valid())
            return false;
        if (samePeer(from, card)) {
            s.data = std::move(data);
            return true;
        }
        char address[INET_ADDRSTRLEN] = "?";
        inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
        v3cops_printf("%s: data connection from %s refused\n", fn, address);
    }
}

int transfer(bool put, int type, const char* localPath, const char* remoteName) {
    const char* fn = put ? "tymPutFile" : "tymGetFile";
    if (!localPath || !ftpSafeText(remoteName)) {
        v3cops_printf("%s: bad file name\n", fn);
        return -1;
    }
    v3cops_printf("%s: setting up..\n", fn);
    FtpSession s;
    if (ftpPrep(type, put ? localPath : nullptr, s) != 0)
        return -1;
    // A download lands beside the local file and replaces it only when whole.
    std::optional<kor::tempfiles::Replacement> partial;
    if (!put) {
        partial.emplace(localPath);
        s.local.reset(partial->openForWriting());
        if (!s.local.valid())
            return ftpCleanup(s);
    }
    v3cops_printf("%s: logging in..\n", fn);
    if (ftpLogin(s) != 0 || ftpOpenDataConn(s) != 0)
        return ftpCleanup(s);
    std::string command = ftpCommand(put ? "STOR" : "RETR", remoteName);
    v3cops_printf("%s: sending '%s'..\n", fn, command.c_str());
    if (!sendAll(s.control.get(), command.data(), command.size(),
                 clock().millisFor(kFtpReplySeconds)) ||
        !transferStarting(sockGetReply(s.control.get(), nullptr, 0)))
        return ftpCleanup(s);
    v3cops_printf("%s: accepting data connection..\n", fn);
    bool accepted = acceptData(fn, s);
    v3cops_printf("%s: closing control connection..\n", fn);
    shutdown(s.listener.get(), SHUT_RDWR);
    s.listener.reset();
    if (!accepted || !(put ? upload(fn, s) : download(fn, s)))
        return ftpCleanup(s);
    shutdown(s.data.get(), SHUT_RDWR);
    s.data.reset();
    s.local.reset();
    int reply = sockGetReply(s.control.get(), nullptr, 0);
    if (reply != 226) {
        v3cops_printf("%s: sockGetReply() error=%d\n", fn, reply);
        return ftpCleanup(s);
    }
    if (!put && !partial->commit())
        return ftpCleanup(s);
    ftpLogoff(s);
    return 0;
}

} // namespace

} // namespace telm

extern "C" int tymPutFile(int type, const char* localPath, const char* remoteName) {
    return telm::exportedCall("tymPutFile", 1,
                              [&] { return telm::transfer(true, type, localPath, remoteName); });
}

extern "C" int tymGetFile(int type, const char* localPath, const char* remoteName) {
    return telm::exportedCall("tymGetFile", 1,
                              [&] { return telm::transfer(false, type, localPath, remoteName); });
}
