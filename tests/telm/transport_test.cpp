// The transport's send and receive rules, the hex trace and listen/connect.
#include "fast_clock.h"
#include "socket_pair.h"
#include "telm/telm.h"

#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using telmtest::SocketPair;

namespace {

TEST(HexText, NeedsTwoDigitsPerByteAndANul) {
    unsigned char data[128];
    for (int i = 0; i < 128; ++i)
        data[i] = static_cast<unsigned char>(i * 7);
    char out[255];
    EXPECT_EQ(b2a(data, 128, out, sizeof out), -1);
    ASSERT_EQ(b2a(data, 127, out, sizeof out), 0);
    EXPECT_EQ(std::string(out, 6), "00070e");
    EXPECT_EQ(out[254], '\0');
    unsigned char high[] = {0xAB, 0xF0};
    ASSERT_EQ(b2a(high, 2, out, 5), 0);
    EXPECT_STREQ(out, "abf0");
}

TEST(Send, StringModeSendsTheTextWithoutItsNulUpToTheLength) {
    SocketPair pair;
    auto text = [](const char* t) { return reinterpret_cast<const unsigned char*>(t); };
    EXPECT_EQ(v3Send(pair.mine, V3_STRING, 1, text("fives"), 5), 5);
    EXPECT_EQ(pair.taken().size(), 5u);
    EXPECT_EQ(v3Send(pair.mine, V3_STRING, 1, text("sixsix"), 5), -1);
    EXPECT_EQ(v3Send(pair.mine, V3_STRING, 1, text(""), 5), 0);
    EXPECT_TRUE(pair.taken().empty());
    // Exact-length mode switches string mode off: the NUL goes out too.
    EXPECT_EQ(v3Send(pair.mine, V3_STRING | V3_EXACT, 1, text("ab"), 3), 3);
    EXPECT_EQ(pair.taken().size(), 3u);
    EXPECT_EQ(v3Send(-1, 0, 1, text("a"), 1), -1);
    EXPECT_EQ(v3Send(pair.mine, 0, 1, nullptr, 1), -1);
    EXPECT_EQ(v3Send(pair.mine, 0, 1, text("a"), 0), -1);
}

TEST(Send, NonBlockingModeMakesOneSend) {
    SocketPair pair;
    int small = 4096;
    setsockopt(pair.mine, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    std::vector<unsigned char> big(1 << 20, 'x');
    int sent = v3Send(pair.mine, V3_EXACT | V3_NOWAIT, 0, big.data(), static_cast<int>(big.size()));
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, static_cast<int>(big.size()));
    EXPECT_EQ(v3Send(pair.mine, V3_EXACT | V3_NOWAIT, 0, big.data(), 10), -1); // full: would block
}

TEST(Send, ClosedPeerGivesAFailureNotASignal) {
    SocketPair pair;
    pair.closePeer();
    unsigned char byte = 1;
    EXPECT_LT(v3Send(pair.mine, 0, 1, &byte, 1), 0);
}

struct RecvCase {
    const char* name;
    std::string peerSends;
    int flags;
    unsigned length;
    int expected;
};

class Receive : public ::testing::TestWithParam<RecvCase> {};

TEST_P(Receive, FollowsTheFlags) {
    const RecvCase& c = GetParam();
    SocketPair pair;
    pair.put(c.peerSends);
    std::vector<unsigned char> buffer(c.length + 1, '#');
    EXPECT_EQ(v3Recv(pair.mine, c.flags, 0, buffer.data(), c.length), c.expected);
    if (c.expected < 0) {
        EXPECT_EQ(buffer[0], '\0');
    }
    EXPECT_EQ(buffer[c.length], '#');
}

INSTANTIATE_TEST_SUITE_P(Cases, Receive,
                         ::testing::Values(RecvCase{"exactEight", "12345678", 0x10001, 8, 8},
                                           RecvCase{"filledWithoutExact", "12345678", 0x1, 8, -1},
                                           RecvCase{"stringWithNul", std::string("ab\0", 3), 0x1001,
                                                    4, 3},
                                           RecvCase{"stringFilled", "abcd", 0x1001, 4, -1},
                                           RecvCase{"exactOverridesString", "abcd", 0x11001, 4, 4},
                                           RecvCase{"nothingWaiting", "", 0x10001, 4, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiveMore, ClosedPeerBeforeTheEndFails) {
    SocketPair pair;
    pair.put("ab");
    pair.closePeer();
    unsigned char buffer[8] = {1};
    EXPECT_EQ(v3Recv(pair.mine, 0x10001, 0, buffer, sizeof buffer), -1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(v3Recv(-1, 0, 0, buffer, 1), -1);
    EXPECT_EQ(v3Recv(pair.mine, 0, 0, nullptr, 1), -1);
}

TEST(ReceiveMore, NegativeWaitMeansTenSecondsAndBitOneWaitsForEver) {
    telmtest::FastClockScope fast; // ten seconds become 500 ms
    SocketPair pair;
    unsigned char buffer[4];
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(v3Recv(pair.mine, 0x10000, -5, buffer, 4), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(450));
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        pair.put("late");
    });
    EXPECT_EQ(v3Recv(pair.mine, 0x10003, 0, buffer, 4), 4); // bit 1 goes before bit 0
    late.join();
}

TEST(ListenAndConnect, AcceptsOneClientAndAppliesBufferSizes) {
    int probe = v3Listen("127.0.0.1", 0, 1, nullptr);
    ASSERT_GE(probe, 0);
    sockaddr_in at{};
    socklen_t size = sizeof at;
    getsockname(probe, reinterpret_cast<sockaddr*>(&at), &size);
    close(probe);
    int port = ntohs(at.sin_port);

    v3Client client{};
    client.recvBufSize = 8192;
    client.sendBufSize = 8192;
    int listener = -1;
    std::thread server([&] { listener = v3Listen("127.0.0.1", port, 1, &client); });
    int connected = -1;
    for (int i = 0; i < 200 && connected < 0; ++i) {
        connected = v3Connect("127.0.0.1", (std::to_string(port) + "xyz").c_str(), 2);
        if (connected < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    server.join();
    ASSERT_GE(connected, 0);
    ASSERT_GE(listener, 0);
    ASSERT_GE(client.socket, 0);
    EXPECT_EQ(client.peer.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    int applied = 0;
    size = sizeof applied;
    getsockopt(client.socket, SOL_SOCKET, SO_RCVBUF, &applied, &size);
    EXPECT_GE(applied, 8192);
    EXPECT_EQ(v3Disconnect(connected, 0), 0);
    EXPECT_EQ(v3Disconnect(client.socket, 0x20), 0);
    EXPECT_EQ(v3Disconnect(listener, 0x20), 0);
}

TEST(ListenAndConnect, RefusesBadAddresses) {
    EXPECT_EQ(v3Connect("card", "5860", 1), -1);
    EXPECT_EQ(v3Connect("1.2.3", "5860", 1), -1);
    EXPECT_EQ(v3Listen(nullptr, 0, 1, nullptr), -1);
    EXPECT_EQ(v3Listen("not an address", 0, 1, nullptr), -1);
}

} // namespace
