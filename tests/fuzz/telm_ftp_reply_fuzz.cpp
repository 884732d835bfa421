// FTP control replies: any byte stream gives a code and stays in the buffer.
#include "clock.h"
#include "ftp_reply.h"

#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>

namespace {

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
    size_t copySize = data[0] % 32 + 1;
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return 0;
    if (write(fds[1], data + 1, size - 1) >= 0) {
        close(fds[1]);
        fds[1] = -1;
        char copy[32];
        for (int i = 0; i < 4; ++i)
            telm::sockGetReply(fds[0], copy, copySize);
    }
    close(fds[0]);
    if (fds[1] >= 0)
        close(fds[1]);
    return 0;
}
