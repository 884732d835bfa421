// Reply frames from the card: whatever arrives, spRecv returns a code and
// stores, for each reply it accepts, exactly that frame's payload and not a
// byte past it.
#include "telm/telm.h"
#include "telm_fuzz_input.h"

#include <cstring>
#include <vector>

namespace {

constexpr size_t kHeader = 8;
constexpr char kUntouched = '\x5A';

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 60000)
        return 0;
    unsigned bufferSize = data[0] % 64 + 1; // first byte: the caller's buffer size
    const uint8_t* sent = data + 1;
    size_t sentSize = size - 1;
    telmfuzz::PeerInput peer(sent, sentSize);
    if (peer.fd() < 0)
        return 0;
    std::vector<char> buffer(bufferSize);
    size_t frameStart = 0; // where the next frame begins in what the peer sent
    for (;;) {
        std::memset(buffer.data(), kUntouched, bufferSize);
        int status = 0;
        char byte = 0;
        if (spRecv(peer.fd(), 0, &byte, &status, buffer.data(), bufferSize) != 0)
            break;
        // An accepted reply is a whole frame of what was sent: header, payload,
        // checksum.
        if (sentSize - frameStart < kHeader)
            __builtin_trap();
        const uint8_t* frame = sent + frameStart;
        size_t total = frame[1] | static_cast<size_t>(frame[2]) << 8;
        if (total <= kHeader || total > sentSize - frameStart)
            __builtin_trap();
        size_t payload = total - kHeader - 1;
        if (payload > bufferSize || std::memcmp(buffer.data(), frame + kHeader, payload) != 0)
            __builtin_trap();
        for (size_t i = payload; i < bufferSize; ++i)
            if (buffer[i] != kUntouched)
                __builtin_trap();
        if (status != frame[4] || byte != static_cast<char>(frame[3]))
            __builtin_trap();
        frameStart += total;
    }
    return 0;
}
