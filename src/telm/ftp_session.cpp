// Preparation, login, data connection and log-off of an FTP transfer.
#include "clock.h"
#include "ftp.h"
#include "ftp_reply.h"
#include "io.h"
#include "telm/telm.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>

namespace telm {

namespace {

constexpr int kCardType = 3;
constexpr int kFtpGroup = 16;
constexpr int kFtpPort = 21;
constexpr int kConnectSeconds = 10;

void closeSocket(Fd& socket) {
    if (socket.valid())
        shutdown(socket.get(), SHUT_RDWR);
    socket.reset();
}

bool sendLine(int socket, const std::string& line) {
    return sendAll(socket, line.data(), line.size(), clock().millisFor(kFtpReplySeconds));
}

bool expect(const char* fn, int socket, int wanted) {
    int got = sockGetReply(socket, nullptr, 0);
    if (got == wanted)
        return true;
    v3cops_printf("%s: error -- expected %d, got %d\n", fn, wanted, got);
    return false;
}

// The server sits at the card's address with its last number raised by one.
bool serverAddress(const char* fn, const char* card, char* server, size_t size) {
    const char* dot = std::strrchr(card, '.');
    if (card[0] == '\0' || !dot) {
        v3cops_printf("%s: no configured IP address\n", fn);
        return false;
    }
    in_addr parsed;
    char* end = nullptr;
    long last = std::strtol(dot + 1, &end, 10);
    if (inet_pton(AF_INET, card, &parsed) != 1 || last < 1 || last > 253) {
        v3cops_printf("%s: bad configured IP address (%s)\n", fn, card);
        return false;
    }
    std::snprintf(server, size, "%.*s.%ld", static_cast<int>(dot - card), card, last + 1);
    return true;
}

} // namespace

bool ftpSafeText(const char* text) {
    return text && std::strpbrk(text, "\r\n") == nullptr;
}

std::string ftpCommand(const char* verb, const char* argument) {
    std::string line = std::string(verb) + ' ';
    for (const char* p = argument; *p; ++p) {
        line += *p;
        // The control connection is Telnet: a lone 0xFF would start a Telnet command.
        if (static_cast<unsigned char>(*p) == 0xFF)
            line += *p;
    }
    return line + "\r\n";
}

int ftpPrep(int type, const char* localPath, FtpSession& session) {
    static const char fn[] = "ftpPrep";
    if ((type & 0xFF) != kCardType) {
        v3cops_printf("%s: TYMtype=%d is not supported\n", fn, type & 0xF);
        return -1;
    }
    if (localPath) {
        session.local.reset(open(localPath, O_RDONLY | O_CLOEXEC));
        if (!session.local.valid()) {
            v3cops_printf("%s: bad input file\n", fn);
            return -1;
        }
    }
    char address[16] = {};
    const struct {
        int object;
        char* into;
        int size;
        const char* failure;
    } reads[] = {
        {6, session.user, sizeof session.user, "%s: get FTP userID failed, rc=%d\n"},
        {7, session.password, sizeof session.password, "%s: get FTP password type failed, rc=%d\n"},
        {8, session.password, sizeof session.password, "%s: get FTP password failed, rc=%d\n"},
        {2, address, sizeof address, "%s: no configured IP address\n"},
    };
    for (const auto& r : reads) {
        int status = 0;
        // The reply lands as it came: a text without its NUL must not run
        // into what an earlier read left, nor past the buffer.
        std::memset(r.into, 0, static_cast<size_t>(r.size));
        int rc = devuzObjIdGet(type, kFtpGroup, r.object, 0, r.into, r.size, &status);
        r.into[r.size - 1] = '\0';
        if (rc != 0 || status != 0) {
            v3cops_printf(r.failure, fn, rc != 0 ? rc : status);
            session.local.reset();
            return -1;
        }
    }
    if (!ftpSafeText(session.user) || !ftpSafeText(session.password)) {
        v3cops_printf("%s: FTP userID or password holds a line break\n", fn);
        session.local.reset();
        return -1;
    }
    if (!serverAddress(fn, address, session.server, sizeof session.server)) {
        session.local.reset();
        return -1;
    }
    return 0;
}

int ftpLogin(FtpSession& session) {
    static const char fn[] = "ftpLogin";
    session.control.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!session.control.valid()) {
        int error = errno;
        v3cops_printf("%s: socket() returned %d, errno=%d\n", fn, -1, error);
        return error;
    }
    v3cops_printf("%s: fSock = %d\n", fn, session.control.get());
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kFtpPort);
    if (inet_pton(AF_INET, session.server, &to.sin_addr) != 1) {
        v3cops_printf("%s: invalid address '%s'\n", fn, session.server);
        return 1;
    }
    ConnectOutcome outcome =
        connectWithin(session.control.get(), to, clock().millisFor(kConnectSeconds));
    if (outcome.rc != 0) {
        v3cops_printf("%s: select/getsockopt = %d/%d\n", fn, outcome.waitRc, outcome.pending);
        v3cops_printf("%s: connect returned %d\n", fn, outcome.rc);
        return outcome.rc;
    }
    v3cops_printf("%s: connected to addr %s, port %u\n", fn, session.server, kFtpPort);
    int control = session.control.get();
    if (!expect(fn, control, 220))
        return 1;
    if (!sendLine(control, ftpCommand("USER", session.user))) {
        v3cops_printf("%s: send(USER) failed\n", fn);
        return 1;
    }
    if (!expect(fn, control, 331))
        return 1;
    if (!sendLine(control, ftpCommand("PASS", session.password))) {
        v3cops_printf("%s: send(PASS) failed\n", fn);
        return 1;
    }
    if (!expect(fn, control, 230))
        return 1;
    // Files move byte for byte; a server that refuses binary type is tried as it is.
    if (sendLine(control, "TYPE I\r\n"))
        sockGetReply(control, nullptr, 0);
    v3cops_printf("%s: login complete\n", fn);
    return 0;
}

int ftpOpenDataConn(FtpSession& session) {
    static const char fn[] = "ftpOpenDataConn";
    session.listener.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!session.listener.valid()) {
        v3cops_printf("%s: socket() returned %d, errno=%d\n", fn, -1, errno);
        return -1;
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (bind(session.listener.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        v3cops_printf("%s: bind() error, errno=%d\n", fn, errno);
        return -1;
    }
    if (listen(session.listener.get(), 1) != 0) {
        v3cops_printf("%s: listen() error, errno=%d\n", fn, errno);
        return -1;
    }
    sockaddr_in local{}, listening{};
    socklen_t size = sizeof local;
    getsockname(session.control.get(), reinterpret_cast<sockaddr*>(&local), &size);
    size = sizeof listening;
    getsockname(session.listener.get(), reinterpret_cast<sockaddr*>(&listening), &size);
    auto* ip = reinterpret_cast<const unsigned char*>(&local.sin_addr);
    unsigned port = ntohs(listening.sin_port);
    char command[64];
    std::snprintf(command, sizeof command, "PORT %d,%d,%d,%d,%u,%u\r\n", ip[0], ip[1], ip[2], ip[3],
                  port >> 8, port & 0xFF);
    v3cops_printf("%s: sending '%s'..\n", fn, command);
    if (!sendLine(session.control.get(), command)) {
        v3cops_printf("%s: send() returned errno = %d\n", fn, errno);
        return -11;
    }
    int reply = sockGetReply(session.control.get(), nullptr, 0);
    if (reply < 200 || reply > 299) {
        v3cops_printf("%s: sockGetReply() returned value = %d\n", fn, reply);
        return -1;
    }
    v3cops_printf("%s: successful\n", fn);
    return 0;
}

void ftpLogoff(FtpSession& session) {
    static const char fn[] = "ftpLogoff";
    if (!sendLine(session.control.get(), "QUIT\r\n"))
        v3cops_printf("%s: send() error\n", fn);
    else if (expect(fn, session.control.get(), 221))
        v3cops_printf("%s: Logoff complete\n", fn);
    closeSocket(session.control);
}

int ftpCleanup(FtpSession& session) {
    v3cops_printf("%s: errno=%d\n", "ftpCleanup", errno);
    closeSocket(session.data);
    closeSocket(session.listener);
    closeSocket(session.control);
    session.local.reset();
    return 1;
}

} // namespace telm
