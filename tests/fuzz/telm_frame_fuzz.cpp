// Reply frames from the card: whatever arrives, spRecv returns a code and
// stays inside the caller's buffer.
#include "clock.h"
#include "telm/telm.h"

#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// No real waits: a frame cut short ends at once.
struct NoWait : telm::Clock {
    int millisFor(int) const override { return 0; }
    void sleepMicros(unsigned) const override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static NoWait clock;
    telm::setClock(&clock);
    if (size < 1 || size > 60000)
        return 0;
    unsigned bufferSize = data[0] % 64 + 1; // first byte: the caller's buffer size
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return 0;
    if (write(fds[1], data + 1, size - 1) < 0) {
        close(fds[0]);
        close(fds[1]);
        return 0;
    }
    close(fds[1]);
    std::vector<char> buffer(bufferSize);
    int status = 0;
    char byte = 0;
    while (spRecv(fds[0], 0, &byte, &status, buffer.data(), bufferSize) == 0) {
        if (std::memchr(buffer.data(), 0, bufferSize) == nullptr)
            __builtin_trap(); // an accepted reply always leaves a terminated text
    }
    close(fds[0]);
    return 0;
}
