// Transfers against a scripted FTP server: every stage's failure and the
// replies a real server does not send.
#include "card_fixture.h"
#include "ftp_fixture.h"
#include "ftp_responder.h"
#include "telm/telm.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

using namespace telmtest;

namespace {

constexpr int kType = 0x103;

class ScriptedTransfer : public CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        char dir[] = "/tmp/ftpscript.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        localDir = dir;
        writeFile(path("up"), "upload bytes\r\n");
        writeFile(path("kept"), "existing local file");
    }
    void TearDown() override {
        std::system(("rm -rf '" + localDir + "'").c_str());
        CardTest::TearDown();
    }
    std::string path(const std::string& name) const { return localDir + "/" + name; }
    std::string localDir;
};

struct StageCase {
    const char* name;
    std::function<void(FtpScript&)> change;
    int expected;
};

class Stages : public ScriptedTransfer, public ::testing::WithParamInterface<StageCase> {};

TEST_P(Stages, GiveTheTransferResultAndLeakNothing) {
    FtpScript script;
    GetParam().change(script);
    for (bool put : {true, false}) {
        // Counted outside the server's life: its own descriptors live in this process too.
        int before = openDescriptors();
        int rc;
        std::string stored;
        {
            FtpResponder server(script);
            ASSERT_TRUE(server.listening());
            rc = put ? tymPutFile(kType, path("up").c_str(), "remote.bin")
                     : tymGetFile(kType, path("kept").c_str(), "remote.bin");
            stored = server.stored();
        }
        EXPECT_EQ(rc, GetParam().expected) << (put ? "put" : "get");
        EXPECT_EQ(descriptorsAfterSettling(before), before) << (put ? "put" : "get");
        if (!put && rc != 0) {
            EXPECT_EQ(readFile(path("kept")), "existing local file");
            EXPECT_EQ(filesIn(localDir).size(), 2u) << "a temporary file was left behind";
        }
        if (rc == 0) {
            EXPECT_EQ(put ? stored : readFile(path("kept")),
                      put ? "upload bytes\r\n" : script.content);
        }
        writeFile(path("kept"), "existing local file");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Script, Stages,
    ::testing::Values(
        StageCase{"plain", [](FtpScript&) {}, 0},
        StageCase{"multiLineGreeting",
                  [](FtpScript& s) { s.greeting = "220-welcome\r\n221 inside\r\n220 ready\r\n"; },
                  0},
        StageCase{"greetingBusy", [](FtpScript& s) { s.greeting = "421 busy\r\n"; }, 1},
        StageCase{"greetingShortLine", [](FtpScript& s) { s.greeting = "22\r\n"; }, 1},
        StageCase{"greetingTiny", [](FtpScript& s) { s.greeting = "2\n"; }, 1},
        StageCase{"greetingLetters", [](FtpScript& s) { s.greeting = "hello\r\n"; }, 1},
        StageCase{"userRefused", [](FtpScript& s) { s.replies["USER"] = "530 who\r\n"; }, 1},
        StageCase{"passRefused", [](FtpScript& s) { s.replies["PASS"] = "530 no\r\n"; }, 1},
        StageCase{"closedAtPass", [](FtpScript& s) { s.closeAt = "PASS"; }, 1},
        StageCase{"binaryRefused", [](FtpScript& s) { s.replies["TYPE"] = "504 no\r\n"; }, 0},
        StageCase{"portRefused", [](FtpScript& s) { s.replies["PORT"] = "500 no\r\n"; }, 1},
        StageCase{"closedAtPort", [](FtpScript& s) { s.closeAt = "PORT"; }, 1},
        StageCase{"transferRefused",
                  [](FtpScript& s) { s.replies["STOR"] = s.replies["RETR"] = "550 no\r\n"; }, 1},
        StageCase{"noDataConnection", [](FtpScript& s) { s.skipDataConnection = true; }, 1},
        StageCase{"transferAborted", [](FtpScript& s) { s.afterTransfer = "451 aborted\r\n"; }, 1},
        StageCase{"quitRefused", [](FtpScript& s) { s.replies["QUIT"] = "500 what\r\n"; }, 0},
        StageCase{"closedAtQuit", [](FtpScript& s) { s.closeAt = "QUIT"; }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedTransfer, SendsTheCommandsInOrder) {
    FtpResponder server{FtpScript{}};
    ASSERT_EQ(tymPutFile(kType, path("up").c_str(), "remote name.bin"), 0);
    auto commands = server.commands();
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0], "USER racuser");
    EXPECT_EQ(commands[1], "PASS racpass");
    EXPECT_EQ(commands[2], "TYPE I");
    EXPECT_EQ(commands[3].rfind("PORT 192,168,234,237,", 0), 0u) << commands[3];
    EXPECT_EQ(commands[4], "STOR remote name.bin");
    EXPECT_EQ(commands[5], "QUIT");
}

TEST_F(ScriptedTransfer, LineBreaksInNamesUsersOrPasswordsStopBeforeAnyTraffic) {
    FtpResponder server{FtpScript{}};
    for (const char* name : {"a\rb", "a\nb", "a\r\nDELE b"}) {
        EXPECT_EQ(tymPutFile(kType, path("up").c_str(), name), -1);
        EXPECT_EQ(tymGetFile(kType, path("kept").c_str(), name), -1);
    }
    EXPECT_EQ(requests(), 0u) << "the card is not even asked";
    for (auto [object, value] :
         {std::pair{6, "racuser\r\nDELE x"}, {6, "racuser\n"}, {8, "pw\rDELE x"}, {8, "pw\n"}}) {
        card.setObject(16, object, 0, value);
        EXPECT_EQ(tymPutFile(kType, path("up").c_str(), "f"), -1);
        EXPECT_EQ(tymGetFile(kType, path("kept").c_str(), "f"), -1);
        card.setObject(16, 6, 0, "racuser");
        card.setObject(16, 8, 0, "racpass");
    }
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(readFile(path("kept")), "existing local file");
}

TEST_F(ScriptedTransfer, TextsWithoutTheirNulDoNotRunIntoEarlierReads) {
    // The password type is read into the password's buffer first.
    card.setObject(16, 7, 0, "a longer password type");
    card.setFault(cardsim::ReplyFault::Unterminated);
    FtpResponder server{FtpScript{}};
    ASSERT_EQ(tymPutFile(kType, path("up").c_str(), "f"), 0);
    auto commands = server.commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], "USER racuser");
    EXPECT_EQ(commands[1], "PASS racpass");
}

TEST_F(ScriptedTransfer, EmptyFileUploadsNothingAndSucceeds) {
    FtpResponder server{FtpScript{}};
    writeFile(path("empty"), "");
    EXPECT_EQ(tymPutFile(kType, path("empty").c_str(), "empty"), 0);
    EXPECT_EQ(server.stored(), "");
    EXPECT_EQ(server.connections(), 1);
}

struct ThirdHostCase {
    const char* name;
    bool put;
    bool cardConnects;
    int expected;
};

class ThirdHostDataConnection : public ScriptedTransfer,
                                public ::testing::WithParamInterface<ThirdHostCase> {};

// A host other than the card that reaches the data port first neither feeds a
// download nor receives an upload.
TEST_P(ThirdHostDataConnection, IsClosedUnread) {
    const ThirdHostCase& c = GetParam();
    FtpScript script;
    script.intruderAddress = "10.9.9.9";
    script.skipDataConnection = !c.cardConnects;
    int rc;
    std::string stored, intruderGot;
    {
        FtpResponder server(script);
        ASSERT_TRUE(server.listening());
        rc = c.put ? tymPutFile(kType, path("up").c_str(), "remote.bin")
                   : tymGetFile(kType, path("kept").c_str(), "remote.bin");
        stored = server.stored();
        intruderGot = server.intruderReceived();
    }
    EXPECT_EQ(rc, c.expected);
    EXPECT_EQ(intruderGot, "");
    if (c.put)
        EXPECT_EQ(stored, c.cardConnects ? "upload bytes\r\n" : "");
    else
        EXPECT_EQ(readFile(path("kept")), c.cardConnects ? script.content : "existing local file");
}

INSTANTIATE_TEST_SUITE_P(Script, ThirdHostDataConnection,
                         ::testing::Values(ThirdHostCase{"putThenCard", true, true, 0},
                                           ThirdHostCase{"getThenCard", false, true, 0},
                                           ThirdHostCase{"putCardNever", true, false, 1},
                                           ThirdHostCase{"getCardNever", false, false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EndlessCase {
    const char* name;
    std::string greeting;
    size_t piece;
    int pauseMillis;
};

class EndlessReply : public ScriptedTransfer, public ::testing::WithParamInterface<EndlessCase> {};

std::string repeated(const std::string& line, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += line;
    return out;
}

// The test clock makes the reply limit 1.5 s; each case would run far longer
// (or succeed) if only the silences between bytes were limited.
TEST_P(EndlessReply, FailsTheCallAsASilentServerDoes) {
    const EndlessCase& c = GetParam();
    FtpScript script;
    script.greeting = c.greeting;
    script.greetingPiece = c.piece;
    script.greetingPauseMillis = c.pauseMillis;
    FtpResponder server(script);
    ASSERT_TRUE(server.listening());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(tymPutFile(kType, path("up").c_str(), "remote.bin"), 1);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_TRUE(server.commands().empty()) << "logged in on an unfinished greeting";
}

INSTANTIATE_TEST_SUITE_P(
    Script, EndlessReply,
    ::testing::Values(
        // A continuation line every 50 ms (a second, on the real clock) for 10 s.
        EndlessCase{"continuationLines", repeated("220-more\r\n", 200) + "220 ready\r\n", 10, 50},
        // One byte every 1000 ms (20 s on the real clock) of a plain line.
        EndlessCase{"tricklingLine", "220 " + std::string(20, 'x') + "\r\n", 1, 1000},
        // Well over the length a reply may have, all at once.
        EndlessCase{"floodOfLines",
                    repeated("220-" + std::string(96, 'x') + "\r\n", 1000) + "220 ready\r\n", 0,
                    0}),
    [](const auto& info) { return std::string(info.param.name); });

struct TelnetByteCase {
    const char* name;
    int object; // card object holding the text, 0 for the remote name
    std::string text;
    std::string expectedCommand;
};

class TelnetBytes : public ScriptedTransfer,
                    public ::testing::WithParamInterface<TelnetByteCase> {};

// The control connection is Telnet: 0xFF in a command's argument goes out doubled.
TEST_P(TelnetBytes, AreDoubledInCommands) {
    const TelnetByteCase& c = GetParam();
    std::string remote = "remote.bin";
    if (c.object == 0)
        remote = c.text;
    else
        card.setObject(16, c.object, 0, c.text);
    FtpResponder server{FtpScript{}};
    tymPutFile(kType, path("up").c_str(), remote.c_str());
    auto commands = server.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), c.expectedCommand), commands.end())
        << "sent: " << ::testing::PrintToString(commands);
}

INSTANTIATE_TEST_SUITE_P(
    Script, TelnetBytes,
    ::testing::Values(TelnetByteCase{"remoteName", 0,
                                     "a\xff"
                                     "b.bin",
                                     "STOR a\xff\xff"
                                     "b.bin"},
                      TelnetByteCase{"remoteNameOnlyFF", 0, "\xff\xff", "STOR \xff\xff\xff\xff"},
                      TelnetByteCase{"user", 6,
                                     "us\xff"
                                     "er",
                                     "USER us\xff\xff"
                                     "er"},
                      TelnetByteCase{"password", 8, "pw\xff", "PASS pw\xff\xff"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
