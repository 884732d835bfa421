// Object calls, commands and the login against the simulated card.
#include "card_fixture.h"
#include "session.h"
#include "telm/telm.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using cardsim::LoginFault;
using cardsim::ReplyFault;
using Bytes = std::vector<unsigned char>;

namespace {

constexpr int kDirect = 0x103;

int sessionType(int session) {
    return kDirect | session << 16;
}

class CardObjects : public telmtest::CardTest {};

TEST_F(CardObjects, GoldenFramesAreWhatTheCardReceivesAndAccepts) {
    int status = -1;
    ASSERT_EQ(devuzObjIdSet(kDirect, 17, 2, 0, "srv1", &status), 0);
    EXPECT_EQ(status, 0);
    auto set = lastRequest();
    EXPECT_TRUE(set.valid) << set.error;
    Bytes setStart{0x30, 0x0D, 0x00, 0x00, 0x11, 0x00, 0x02, 0x73, 0x72, 0x76, 0x31, 0x00};
    ASSERT_EQ(set.bytes.size(), 13u);
    EXPECT_TRUE(std::equal(setStart.begin(), setStart.end(), set.bytes.begin()));
    EXPECT_EQ(card.object(17, 2, 0), "srv1");

    char out[64];
    ASSERT_EQ(devuzObjIdGet(kDirect, 16, 6, 0, out, sizeof out, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_STREQ(out, "racuser");
    auto get = lastRequest();
    EXPECT_TRUE(get.valid) << get.error;
    EXPECT_EQ(get.bytes, (Bytes{0x30, 0x09, 0x00, 0x00, 0x90, 0x00, 0x06, 0x00, 0x31}));

    ASSERT_EQ(devuzObjName(kDirect, "abc", out, sizeof out, &status), 0);
    EXPECT_EQ(status, 2); // no such command: the card's status comes back unexamined
    auto command = lastRequest();
    EXPECT_TRUE(command.valid) << command.error;
    EXPECT_EQ(command.bytes, (Bytes{0x50, 0x09, 0x00, 0x00, 0x61, 0x62, 0x63, 0x00, 0x81}));
}

TEST_F(CardObjects, CommandsAndMissingObjectsAnswerWithTheCardsStatus) {
    char out[64];
    int status = -1;
    ASSERT_EQ(devuzObjName(kDirect, "getsysinfo -s", out, sizeof out, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_STREQ(out, "Firmware Version = 1.20");
    ASSERT_EQ(devuzObjName(kDirect, "racreset", out, sizeof out, &status), 0);
    EXPECT_EQ(status, 5);
    ASSERT_EQ(devuzObjIdGet(kDirect, 9, 9, 3, out, sizeof out, &status), 0);
    EXPECT_EQ(status, 2);
}

TEST_F(CardObjects, ArgumentsAndCardTypesAreChecked) {
    char out[8];
    int status;
    EXPECT_EQ(devuzObjIdGet(0x004, 16, 6, 0, out, sizeof out, &status), -1);
    EXPECT_EQ(devuzObjIdGet(kDirect, 16, 6, 0, nullptr, sizeof out, &status), -1);
    EXPECT_EQ(devuzObjIdGet(kDirect, 16, 6, 0, out, 0, &status), -1);
    EXPECT_EQ(devuzObjIdGet(kDirect, 16, 6, 0, out, -5, &status), -1);
    EXPECT_EQ(devuzObjIdSet(kDirect, 17, 2, 0, nullptr, &status), -1);
    EXPECT_EQ(devuzObjIdSet(kDirect, 17, 2, 0, "x", nullptr), -1);
    EXPECT_EQ(devuzObjName(kDirect, nullptr, out, sizeof out, &status), -1);
    EXPECT_EQ(requests(), 0u);
    // A value too long for its buffer is refused, not cut.
    EXPECT_EQ(devuzObjIdGet(kDirect, 16, 6, 0, out, 7, &status), -1);
    EXPECT_EQ(devuzObjIdGet(kDirect, 16, 6, 0, out, 8, &status), 0);
    EXPECT_STREQ(out, "racuser");
}

struct FaultCase {
    ReplyFault fault;
    int expected; // spRecv's code
};

class ReplyFaults : public telmtest::CardTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ReplyFaults, GiveTheFrameCodeAndFailTheCall) {
    card.setFault(GetParam().fault);
    int socket = spOpen(nullptr, nullptr, 10);
    ASSERT_GE(socket, 0);
    ASSERT_EQ(spSend_oid(socket, 0, 3 | 0x80, 0, 1, nullptr), 9);
    char out[32];
    int status = -1;
    EXPECT_EQ(spRecv(socket, -1, nullptr, &status, out, sizeof out), GetParam().expected);
    spClose(socket, 0);
    EXPECT_EQ(devuzObjIdGet(kDirect, 3, 1, 0, out, sizeof out, &status),
              GetParam().expected == 0 ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    Knobs, ReplyFaults,
    ::testing::Values(FaultCase{ReplyFault::None, 0}, FaultCase{ReplyFault::Split, 0},
                      FaultCase{ReplyFault::NoReply, -2},
                      FaultCase{ReplyFault::TruncatedHeader, -2},
                      FaultCase{ReplyFault::ShortLength, -2}, FaultCase{ReplyFault::BadType, -2},
                      FaultCase{ReplyFault::Long, -3}, FaultCase{ReplyFault::BadChecksum, -5},
                      FaultCase{ReplyFault::StallAfterHeader, -4},
                      FaultCase{ReplyFault::StallBeforeChecksum, -5},
                      FaultCase{ReplyFault::ClosedMidFrame, -4}));

// Session records as a client fills them.
class Sessions : public telmtest::CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        for (auto& e : entries) {
            e = std::make_unique<spSsnEntry>();
            std::strcpy(e->address, "192.168.234.236");
            std::strcpy(e->user, "admin");
            std::strcpy(e->password, "secret");
        }
        for (int i = 0; i < 8; ++i)
            spSsnTable[i] = entries[i].get();
    }
    void TearDown() override {
        for (auto& slot : spSsnTable)
            slot = nullptr;
        CardTest::TearDown();
    }
    std::unique_ptr<spSsnEntry> entries[8];
};

TEST_F(Sessions, EverySessionLogsInAndServesGetSetAndCommands) {
    for (int s = 1; s <= 8; ++s) {
        if (s % 2 == 0) {
            std::strcpy(entries[s - 1]->user, "op");
            std::strcpy(entries[s - 1]->password, "pw");
        }
        std::string user = s % 2 == 0 ? "op" : "admin";
        char out[64];
        int status = -1;
        ASSERT_EQ(devuzObjIdGet(sessionType(s), 16, 6, 0, out, sizeof out, &status), 0) << s;
        EXPECT_STREQ(out, "racuser");
        EXPECT_EQ(lastRequest().user, user);
        std::string value = "v" + std::to_string(s);
        ASSERT_EQ(devuzObjIdSet(sessionType(s), 17, 3, 0, value.c_str(), &status), 0);
        EXPECT_EQ(card.object(17, 3, 0), value);
        ASSERT_EQ(devuzObjName(sessionType(s), "setgmt -u0x1", out, sizeof out, &status), 0);
        EXPECT_STREQ(out, "ok");
        EXPECT_EQ(lastRequest().user, user);
    }
    EXPECT_EQ(card.loginsAccepted(), 24);
    EXPECT_EQ(card.loginsRefused(), 0);
}

TEST_F(Sessions, SessionZeroAndNineUseThePlainLink) {
    char out[64];
    int status;
    for (int s : {0, 9}) {
        ASSERT_EQ(devuzObjIdGet(sessionType(s), 16, 6, 0, out, sizeof out, &status), 0);
        EXPECT_TRUE(lastRequest().user.empty());
    }
    EXPECT_EQ(card.loginsAccepted() + card.loginsRefused(), 0);
}

TEST_F(Sessions, MissingRecordFailsWithoutConnecting) {
    spSsnTable[2] = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(telm::dzBypOpen(sessionType(3)), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("\nauthentication failed.\n"),
              std::string::npos);
    EXPECT_EQ(card.loginsAccepted() + card.loginsRefused(), 0);
}

TEST_F(Sessions, WrongPasswordIsRefused) {
    std::strcpy(entries[0]->password, "wrong");
    testing::internal::CaptureStderr();
    EXPECT_EQ(telm::dzBypOpen(sessionType(1)), -9);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("authentication failed"),
              std::string::npos);
    EXPECT_EQ(card.loginsRefused(), 1);
    char out[8];
    int status;
    EXPECT_EQ(devuzObjIdGet(sessionType(1), 16, 6, 0, out, sizeof out, &status), -1);
    EXPECT_EQ(requests(), 0u);
}

TEST_F(Sessions, UnreachableCardIsAnInvalidSession) {
    std::strcpy(entries[0]->address, "127.0.0.1"); // nothing listens on the login port there
    testing::internal::CaptureStderr();
    EXPECT_EQ(telm::dzBypOpen(sessionType(1)), -1);
    testing::internal::GetCapturedStderr();
    std::memset(entries[1]->user, 'u', sizeof entries[1]->user); // not terminated
    testing::internal::CaptureStderr();
    EXPECT_EQ(telm::dzBypOpen(sessionType(2)), -1);
    testing::internal::GetCapturedStderr();
}

struct LoginCase {
    LoginFault fault;
    int expected;
};

class LoginFaults : public Sessions, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(LoginFaults, GiveTheLoginCode) {
    card.setLoginFault(GetParam().fault);
    testing::internal::CaptureStderr();
    EXPECT_EQ(telm::dzBypOpen(sessionType(4)), GetParam().expected);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("authentication failed"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Knobs, LoginFaults,
                         ::testing::Values(LoginCase{LoginFault::WrongIdentifier, -9},
                                           LoginCase{LoginFault::FailureCode, -9},
                                           LoginCase{LoginFault::OversizedValue, -5},
                                           LoginCase{LoginFault::NameField, -5},
                                           LoginCase{LoginFault::HugeLength, -5},
                                           LoginCase{LoginFault::NotAChallenge, -6},
                                           LoginCase{LoginFault::ClosedAfterOpening, -6}));

} // namespace
