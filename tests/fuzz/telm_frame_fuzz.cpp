// Reply frames from the card: whatever arrives, spRecv returns a code and
// stays inside the caller's buffer.
#include "telm/telm.h"
#include "telm_fuzz_input.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 60000)
        return 0;
    unsigned bufferSize = data[0] % 64 + 1; // first byte: the caller's buffer size
    telmfuzz::PeerInput peer(data + 1, size - 1);
    if (peer.fd() < 0)
        return 0;
    std::vector<char> buffer(bufferSize);
    int status = 0;
    char byte = 0;
    while (spRecv(peer.fd(), 0, &byte, &status, buffer.data(), bufferSize) == 0) {
        if (std::memchr(buffer.data(), 0, bufferSize) == nullptr)
            __builtin_trap(); // an accepted reply always leaves a terminated text
    }
    return 0;
}
