// FTP control replies: any byte stream gives a code and stays in the buffer.
#include "ftp_reply.h"
#include "telm_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 60000)
        return 0;
    size_t copySize = data[0] % 32 + 1; // first byte: the caller's buffer size
    telmfuzz::PeerInput peer(data + 1, size - 1);
    if (peer.fd() < 0)
        return 0;
    char copy[32];
    for (int i = 0; i < 4; ++i)
        telm::sockGetReply(peer.fd(), copy, copySize);
    return 0;
}
