// Socket waits and bounded reads shared by the transport, the frame reader,
// the login and the FTP client. Time limits are in milliseconds; -1 = none.
#pragma once

#include <chrono>
#include <cstddef>
#include <netinet/in.h>

namespace telm {

// The moment a wait of several steps must end by.
class Deadline {
public:
    // `timeoutMs` from now; a negative limit is already past.
    explicit Deadline(int timeoutMs);
    // Milliseconds left, 0 once past.
    int millisLeft() const;

private:
    std::chrono::steady_clock::time_point end_;
};

// poll() for one descriptor, repeated after EINTR with the time left:
// >0 ready, 0 time-out, -1 failure.
int waitFor(int fd, short events, int timeoutMs);

// Reads up to `length` bytes, waiting at most `timeoutMs` in all. Returns the
// count stored; fewer than `length` means time-out, end of stream or failure.
size_t recvWithin(int fd, unsigned char* buffer, size_t length, int timeoutMs);

// Sends all bytes (no SIGPIPE), waiting at most `timeoutMs` for room each
// time the socket is full. Returns true when everything went out.
bool sendAll(int fd, const void* data, size_t length, int timeoutMs);

struct ConnectOutcome {
    int rc = 0;      // 0 connected, else the failing result
    int waitRc = 0;  // poll result when the connect had to be awaited
    int pending = 0; // SO_ERROR after the wait
};

// Connects `fd`; with timeoutMs > 0 the connect is non-blocking and awaited
// for that long. The socket is left in blocking mode.
ConnectOutcome connectWithin(int fd, const sockaddr_in& to, int timeoutMs);

} // namespace telm
