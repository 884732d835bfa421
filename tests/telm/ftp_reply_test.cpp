// The FTP reply reader over a socket pair.
#include "fast_clock.h"
#include "ftp_reply.h"
#include "socket_pair.h"

#include <gtest/gtest.h>

namespace {

struct ReplyCase {
    const char* name;
    std::string wire;
    int code;
    std::string lastLine;
};

class FtpReplies : public ::testing::TestWithParam<ReplyCase> {
protected:
    telmtest::FastClockScope fast;
};

TEST_P(FtpReplies, GiveTheirCode) {
    const ReplyCase& c = GetParam();
    telmtest::SocketPair pair;
    pair.put(c.wire);
    pair.closePeer();
    char copy[64] = "unchanged";
    EXPECT_EQ(telm::sockGetReply(pair.mine, copy, sizeof copy), c.code);
    if (!c.lastLine.empty()) {
        EXPECT_EQ(std::string(copy), c.lastLine);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FtpReplies,
    ::testing::Values(
        ReplyCase{"plain", "220 ready\r\n", 220, "220 ready\r"},
        ReplyCase{"multiLine", "220-hello\r\nsome text\r\n220 ready\r\n", 220, "220 ready\r"},
        ReplyCase{"otherNumbersInside", "220-a\r\n221 b\r\n220 c\r\n", 220, "220 c\r"},
        ReplyCase{"letters", "ok then\r\n", 500, ""}, ReplyCase{"closedBeforeLine", "", 421, ""},
        ReplyCase{"closedInsideReply", "220-more\r\n", 421, ""},
        ReplyCase{"closedMidLine", "220 rea", 421, ""}, ReplyCase{"shortLine", "22\n", 22, "22"},
        ReplyCase{"shortContinuation", "220-\n2\n22\n220 x\n", 220, "220 x"},
        ReplyCase{"overflow", "220 " + std::string(100, 'x') + "\r\n", 421, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FtpReplyLines, StalledServerTimesOut) {
    telmtest::FastClockScope fast;
    telmtest::SocketPair pair;
    pair.put("220 ");
    char line[16];
    EXPECT_EQ(telm::sockReadln(pair.mine, line, sizeof line), -1);
}

TEST(FtpReplyLines, OverflowDropsTheRestOfTheLineOnly) {
    telmtest::FastClockScope fast;
    telmtest::SocketPair pair;
    pair.put(std::string(40, 'x') + "\n226 done\n");
    char line[16];
    EXPECT_EQ(telm::sockReadln(pair.mine, line, sizeof line), -1);
    EXPECT_EQ(telm::sockReadln(pair.mine, line, sizeof line), 8);
    EXPECT_STREQ(line, "226 done");
}

} // namespace
