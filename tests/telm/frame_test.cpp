// Frames the library sends and replies it reads, over a socket pair.
#include "fast_clock.h"
#include "frame.h"
#include "socket_pair.h"
#include "telm/telm.h"

#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <thread>

using telmtest::bytesOf;
using telmtest::replyFrame;
using telmtest::SocketPair;
using Bytes = std::vector<unsigned char>;

namespace {

unsigned sumOf(const Bytes& b) {
    return std::accumulate(b.begin(), b.end(), 0u) & 0xFF;
}

TEST(Frames, GoldenFramesGoOutAsTheCardExpects) {
    SocketPair pair;
    ASSERT_EQ(spSend_oid(pair.mine, 0, 17, 0, 2, "srv1"), 13);
    Bytes set = pair.taken();
    ASSERT_EQ(spSend_oid(pair.mine, 0, 16 | 0x80, 0, 6, nullptr), 9);
    Bytes get = pair.taken();
    ASSERT_EQ(spSend_cmd(pair.mine, 0, "abc"), 9);
    Bytes command = pair.taken();

    Bytes setStart{0x30, 0x0D, 0x00, 0x00, 0x11, 0x00, 0x02, 0x73, 0x72, 0x76, 0x31, 0x00};
    Bytes getStart{0x30, 0x09, 0x00, 0x00, 0x90, 0x00, 0x06, 0x00};
    Bytes commandStart{0x50, 0x09, 0x00, 0x00, 0x61, 0x62, 0x63, 0x00};
    for (auto [frame, start] :
         {std::pair{set, setStart}, {get, getStart}, {command, commandStart}}) {
        ASSERT_EQ(frame.size(), start.size() + 1);
        EXPECT_TRUE(std::equal(start.begin(), start.end(), frame.begin()));
        EXPECT_EQ(sumOf(frame), 0u);
    }
}

TEST(Frames, ChecksumOfNothingIsOne) {
    EXPECT_EQ(telm::zSum(nullptr, 0), 1);
    unsigned char one[] = {0x01};
    EXPECT_EQ(telm::zSum(one, 1), 0xFF);
}

TEST(Frames, RefusesBadArgumentsAndTextsBeyondTheLengthField) {
    SocketPair pair;
    EXPECT_EQ(spSend_cmd(-1, 0, "abc"), -1);
    EXPECT_EQ(spSend_cmd(pair.mine, 0, nullptr), -1);
    EXPECT_EQ(spSend_oid(pair.mine, 0, 17, 0, 2, nullptr), -1); // a set needs a value
    std::string fits(65535 - 6, 'a'), tooLong(65535 - 5, 'a');
    EXPECT_EQ(spSend_cmd(pair.mine, 0, tooLong.c_str()), -1);
    EXPECT_EQ(spSend_oid(pair.mine, 0, 1, 0, 1, std::string(65535 - 8, 'v').c_str()), -1);
    EXPECT_TRUE(pair.taken().empty());

    // The largest frame goes out whole although the socket takes it in pieces.
    int small = 4096;
    setsockopt(pair.mine, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    Bytes received;
    std::thread reader([&] {
        unsigned char buffer[1024];
        while (received.size() < 65535) {
            ssize_t n = read(pair.peer, buffer, sizeof buffer);
            if (n <= 0)
                break;
            received.insert(received.end(), buffer, buffer + n);
        }
    });
    telmtest::FastClockScope fast;
    EXPECT_EQ(spSend_cmd(pair.mine, 0, fits.c_str()), 65535);
    reader.join();
    ASSERT_EQ(received.size(), 65535u);
    EXPECT_EQ(received[1], 0xFF);
    EXPECT_EQ(received[2], 0xFF);
    EXPECT_EQ(sumOf(received), 0u);
}

struct ReplyCase {
    const char* name;
    Bytes wire;
    bool closeAfter;
    unsigned bufferSize;
    int expected;
    std::string stored; // the bytes stored on success; nothing after them is touched
};

class ReplyReading : public ::testing::TestWithParam<ReplyCase> {
protected:
    telmtest::FastClockScope fast;
};

TEST_P(ReplyReading, GivesTheFrameCode) {
    const ReplyCase& c = GetParam();
    SocketPair pair;
    pair.put(c.wire);
    if (c.closeAfter)
        pair.closePeer();
    std::vector<char> buffer(c.bufferSize + 1, '#');
    int status = -7;
    char byte = 0;
    EXPECT_EQ(spRecv(pair.mine, 0, &byte, &status, buffer.data(), c.bufferSize), c.expected);
    EXPECT_EQ(buffer[c.bufferSize], '#') << "wrote beyond the buffer";
    if (c.expected == 0) {
        EXPECT_EQ(status, 3);
        EXPECT_EQ(byte, 0x7E);
        EXPECT_EQ(std::string(buffer.data(), c.stored.size()), c.stored);
        EXPECT_EQ(std::string(buffer.begin() + static_cast<long>(c.stored.size()), buffer.end()),
                  std::string(buffer.size() - c.stored.size(), '#'))
            << "wrote beyond the payload";
    } else if (c.expected < -1) {
        EXPECT_LT(std::find(buffer.begin(), buffer.begin() + c.bufferSize, '\0'),
                  buffer.begin() + c.bufferSize)
            << "buffer left unterminated";
    }
}

Bytes corrupt(Bytes b) {
    b.back() = static_cast<unsigned char>(b.back() + 1);
    return b;
}

Bytes cut(Bytes b, size_t keep) {
    b.resize(keep);
    return b;
}

Bytes withLength(Bytes b, size_t total) {
    b[1] = static_cast<unsigned char>(total & 0xFF);
    b[2] = static_cast<unsigned char>(total >> 8);
    return b;
}

const Bytes ok = replyFrame(0x20, 3, bytesOf("ok"));
const Bytes thirty = replyFrame(0x00, 3, bytesOf(std::string(20, 'z'))); // 30 bytes, 21 payload
const Bytes thirtyNoNul = replyFrame(0x00, 3, bytesOf(std::string(21, 'z'), false)); // 21 payload
const std::string nul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplyReading,
    ::testing::Values(
        ReplyCase{"accepted", ok, false, 16, 0, "ok" + nul},
        ReplyCase{"types", replyFrame(0x60, 3, bytesOf("t")), false, 16, 0, "t" + nul},
        ReplyCase{"reservedType", replyFrame(0x50, 3, bytesOf("ok")), false, 16, -2, ""},
        ReplyCase{"nothing", {}, true, 16, -2, ""},
        ReplyCase{"shortHeader", cut(ok, 5), true, 16, -2, ""},
        ReplyCase{"lengthEight", withLength(cut(ok, 8), 8), false, 16, -2, ""},
        ReplyCase{"lengthZero", withLength(cut(ok, 8), 0), false, 16, -2, ""},
        ReplyCase{"emptyPayload", replyFrame(0x00, 3, {}), false, 16, 0, ""},
        ReplyCase{"tooLong", thirty, false, 20, -3, ""},
        ReplyCase{"exactFitWithNul", thirty, false, 21, 0, std::string(20, 'z') + nul},
        ReplyCase{"exactFitWithoutNul", thirtyNoNul, false, 21, 0, std::string(21, 'z')},
        ReplyCase{"shorterWithoutNul", replyFrame(0x00, 3, bytesOf("ab", false)), false, 16, 0,
                  "ab"},
        ReplyCase{"badChecksum", corrupt(ok), false, 16, -5, ""},
        ReplyCase{"checksumMissing", cut(ok, ok.size() - 1), true, 16, -5, ""},
        ReplyCase{"payloadShort", cut(ok, 9), true, 16, -4, ""},
        ReplyCase{"stallAfterHeader", cut(ok, 8), false, 16, -4, ""},
        ReplyCase{"stallBeforeChecksum", cut(ok, ok.size() - 1), false, 16, -5, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyReadingMore, DrainsATooLongReplySoTheNextOneReadsInStep) {
    telmtest::FastClockScope fast;
    SocketPair pair;
    pair.put(thirty);
    pair.put(ok);
    char buffer[20];
    int status = 0;
    EXPECT_EQ(spRecv(pair.mine, 0, nullptr, &status, buffer, sizeof buffer), -3);
    EXPECT_EQ(spRecv(pair.mine, 0, nullptr, &status, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "ok");
}

TEST(ReplyReadingMore, ReadsAReplySplitAcrossSegments) {
    telmtest::FastClockScope fast;
    SocketPair pair;
    Bytes reply = replyFrame(0x40, 3, bytesOf("split reply"));
    std::thread writer([&] {
        for (unsigned char b : reply) {
            ASSERT_EQ(write(pair.peer, &b, 1), 1);
            usleep(2000);
        }
    });
    char buffer[32];
    int status = 0;
    EXPECT_EQ(spRecv(pair.mine, -1, nullptr, &status, buffer, sizeof buffer), 0);
    writer.join();
    EXPECT_STREQ(buffer, "split reply");
}

TEST(ReplyReadingMore, RefusesBadArguments) {
    SocketPair pair;
    char buffer[8];
    int status;
    EXPECT_EQ(spRecv(-1, 0, nullptr, &status, buffer, sizeof buffer), -1);
    EXPECT_EQ(spRecv(pair.mine, 0, nullptr, nullptr, buffer, sizeof buffer), -1);
    EXPECT_EQ(spRecv(pair.mine, 0, nullptr, &status, nullptr, sizeof buffer), -1);
    EXPECT_EQ(spRecv(pair.mine, 0, nullptr, &status, buffer, 0), -1);
}

TEST(ReplyReadingMore, WaitsForTheHeaderAsAsked) {
    telmtest::FastClockScope fast;
    SocketPair pair;
    char buffer[8];
    int status;
    EXPECT_EQ(spRecv(pair.mine, 0, nullptr, &status, buffer, sizeof buffer), -2); // poll
    EXPECT_EQ(spRecv(pair.mine, 1, nullptr, &status, buffer, sizeof buffer), -2); // 1 s, scaled
}

} // namespace
