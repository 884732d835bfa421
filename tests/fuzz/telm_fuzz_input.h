// Feeds one fuzz input to the library as what a peer sent and then closed,
// with the library's time limits cut to nothing.
#pragma once

#include "clock.h"

#include <cstddef>
#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>

namespace telmfuzz {

struct NoWait : telm::Clock {
    int millisFor(int) const override { return 0; }
    void sleepMicros(unsigned) const override {}
};

// The library's end of a socket pair whose peer sent `data` and closed.
class PeerInput {
public:
    PeerInput(const uint8_t* data, size_t size) {
        static NoWait clock;
        telm::setClock(&clock);
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
            return;
        if (write(fds[1], data, size) == static_cast<ssize_t>(size))
            fd_ = fds[0];
        else
            close(fds[0]);
        close(fds[1]);
    }
    ~PeerInput() {
        if (fd_ >= 0)
            close(fd_);
    }
    PeerInput(const PeerInput&) = delete;
    PeerInput& operator=(const PeerInput&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace telmfuzz
