// Reads one reply frame: 8-byte header, payload, checksum.
#include "clock.h"
#include "frame.h"
#include "io.h"
#include "telm/telm.h"
#include "trace.h"

#include <cstdint>
#include <poll.h>

namespace {

constexpr size_t kHeader = 8;
constexpr unsigned char kReservedTypeBits = 0x9F;

int headerWaitMillis(int wait) {
    if (wait > 0)
        return telm::clock().millisFor(wait);
    return wait == 0 ? 0 : -1;
}

// Takes whatever of the rest of an oversized reply is already waiting, so
// that the link stays in step.
void drain(int socket, size_t length) {
    unsigned char piece[8];
    while (length > 0) {
        size_t want = length < sizeof piece ? length : sizeof piece;
        size_t got = telm::recvWithin(socket, piece, want, 0);
        if (got == 0)
            return;
        length -= got;
    }
}

} // namespace

extern "C" int spRecv(int socket, int wait, char* byteOut, int* status, char* data,
                      unsigned dataLength) {
    static const char fn[] = "spRecv";
    if (socket < 0 || !status || !data || dataLength == 0) {
        telm::traceError(fn, telm::kBadArguments);
        return -1;
    }
    const int restLimit = telm::clock().millisFor(telm::kFrameRestSeconds);
    unsigned char header[kHeader] = {};
    size_t got = 0;
    if (telm::waitFor(socket, POLLIN, headerWaitMillis(wait)) > 0)
        got = telm::recvWithin(socket, header, kHeader, restLimit);
    size_t total = header[1] | static_cast<size_t>(header[2]) << 8;
    // A length of 8 or less cannot hold the checksum: not a reply.
    if (got < kHeader || (header[0] & kReservedTypeBits) || total <= kHeader) {
        v3cops_printf(" >> %d/%d, msgType=0x%X\n", static_cast<int>(got), static_cast<int>(kHeader),
                      header[0]);
        data[0] = '\0';
        telm::traceError(fn, got == 0 ? telm::kNoResponse : telm::kUnrecognizedResponse);
        return -2;
    }
    size_t payload = total - kHeader - 1;
    if (payload > dataLength) {
        drain(socket, total - kHeader);
        data[0] = '\0';
        telm::traceError(fn, telm::kBufferTooSmall);
        return -3;
    }
    if (byteOut)
        *byteOut = static_cast<char>(header[3]);
    *status = header[4];
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    if (telm::recvWithin(socket, bytes, payload, restLimit) != payload) {
        data[0] = '\0';
        telm::traceError(fn, telm::kErrorRetrieving);
        return -4;
    }
    unsigned char checksum = 0;
    unsigned sum = 0;
    for (unsigned char b : header)
        sum += b;
    for (size_t i = 0; i < payload; ++i)
        sum += bytes[i];
    if (telm::recvWithin(socket, &checksum, 1, restLimit) != 1 || ((sum + checksum) & 0xFF) != 0) {
        data[0] = '\0';
        telm::traceError(fn, telm::kErrorRetrieving);
        return -5;
    }
    // Exactly the payload is stored, with no terminator of ours: the card's
    // texts carry their own NUL, and callers that read one as text bound it.
    return 0;
}
