// A connected pair of stream sockets: the library's end and the peer's end.
#pragma once

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace telmtest {

struct SocketPair {
    int mine = -1;
    int peer = -1;
    SocketPair() {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        mine = fds[0];
        peer = fds[1];
    }
    ~SocketPair() {
        closePeer();
        if (mine >= 0)
            close(mine);
    }
    void closePeer() {
        if (peer >= 0)
            close(peer);
        peer = -1;
    }
    void put(const std::vector<unsigned char>& bytes) const {
        ASSERT_EQ(write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void put(const std::string& text) const {
        put(std::vector<unsigned char>(text.begin(), text.end()));
    }
    // Everything the library sent so far (non-blocking).
    std::vector<unsigned char> taken() const {
        std::vector<unsigned char> out;
        unsigned char buffer[4096];
        ssize_t n;
        while ((n = recv(peer, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
            out.insert(out.end(), buffer, buffer + n);
        return out;
    }
};

// A reply frame as the card builds it; the checksum makes all bytes sum to 0.
inline std::vector<unsigned char> replyFrame(unsigned char type, int status,
                                             const std::vector<unsigned char>& payload) {
    size_t total = 8 + payload.size() + 1;
    std::vector<unsigned char> out(8 + payload.size());
    out[0] = type;
    out[1] = static_cast<unsigned char>(total & 0xFF);
    out[2] = static_cast<unsigned char>(total >> 8);
    out[3] = 0x7E;
    out[4] = static_cast<unsigned char>(status);
    std::copy(payload.begin(), payload.end(), out.begin() + 8);
    unsigned sum = 0;
    for (unsigned char b : out)
        sum += b;
    out.push_back(static_cast<unsigned char>(-sum & 0xFF));
    return out;
}

inline std::vector<unsigned char> bytesOf(const std::string& text, bool nul = true) {
    std::vector<unsigned char> out(text.begin(), text.end());
    if (nul)
        out.push_back(0);
    return out;
}

} // namespace telmtest
