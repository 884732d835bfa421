// File transfer against a real FTP server (pyftpdlib) on the card's FTP address.
#include "card_fixture.h"
#include "child_process.h"
#include "ftp_fixture.h"
#include "replaced_files.h"
#include "telm/telm.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace telmtest;

namespace {

constexpr int kType = 0x103;

// One server for the whole binary, started before the first test.
class FtpServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        char root[] = "/tmp/ftproot.XXXXXX";
        ASSERT_NE(mkdtemp(root), nullptr);
        serverRoot = root;
        refuseTypeFile = serverRoot + ".refuse-type";
        // Debian's interpreter, whatever else is first on PATH.
        auto started = startWithReadyLine({"/usr/bin/python3", FTP_SERVER_SCRIPT, root, kFtpAddress,
                                           "21", "racuser", "racpass", refuseTypeFile});
        server = started.pid;
        ASSERT_EQ(started.firstLine, "ready\n") << "the FTP server did not start";
    }
    void TearDown() override {
        stopChild(server);
        std::system(("rm -rf '" + serverRoot + "' '" + refuseTypeFile + "'").c_str());
    }
    static pid_t server;
    static std::string serverRoot;
    static std::string refuseTypeFile; // while it exists, the server refuses TYPE
};

pid_t FtpServerEnvironment::server = -1;
std::string FtpServerEnvironment::serverRoot;
std::string FtpServerEnvironment::refuseTypeFile;
const auto* const environment = ::testing::AddGlobalTestEnvironment(new FtpServerEnvironment);

class RealFtpServer : public CardTest {
protected:
    void SetUp() override {
        // A real server on a busy machine can stall for longer than the
        // shortened limits, so it gets the library's own; no case here waits
        // for a limit to run out.
        telm::setClock(nullptr);
        CardTest::SetUp();
        // Each test its own local directory, whatever ran before it.
        char dir[] = "/tmp/ftplocal.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        localDir = dir;
    }
    void TearDown() override {
        std::system(("rm -rf '" + localDir + "'").c_str());
        CardTest::TearDown();
    }
    std::string local(const std::string& name) const { return localDir + "/" + name; }
    static std::string remote(const std::string& name) {
        return FtpServerEnvironment::serverRoot + "/" + name;
    }
    std::string localDir;
};

class RoundTrip : public RealFtpServer, public ::testing::WithParamInterface<size_t> {};

// The bytes include bare line feeds and carriage returns, which an ASCII
// transfer would change: byte-exact copies show the binary type took effect.
TEST_P(RoundTrip, PutAndGetAreByteExactInBinaryType) {
    size_t size = GetParam();
    std::string data = awkwardBytes(size, static_cast<unsigned>(size));
    std::string name = "file" + std::to_string(size);
    writeFile(local(name + ".out"), data);
    int before = openDescriptors();
    ASSERT_EQ(tymPutFile(kType, local(name + ".out").c_str(), name.c_str()), 0);
    EXPECT_TRUE(readFile(remote(name)) == data) << "upload changed the bytes";
    ASSERT_EQ(tymGetFile(kType, local(name + ".in").c_str(), name.c_str()), 0);
    EXPECT_TRUE(readFile(local(name + ".in")) == data) << "download changed the bytes";
    struct stat info;
    ASSERT_EQ(stat(local(name + ".in").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(descriptorsAfterSettling(before), before);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTrip,
                         ::testing::Values(0u, 1u, 4095u, 4096u, 4097u, 10u * 1024 * 1024 + 3));

// A server that refuses the binary type is used in its own default type
// (ASCII here): both transfers succeed and move what that type makes of the
// file, which the library writes as it arrives.
TEST_F(RealFtpServer, PutAndGetRunInTheServersDefaultTypeWhenBinaryIsRefused) {
    writeFile(FtpServerEnvironment::refuseTypeFile, "");
    const std::string text = "first line\nsecond line\n";
    writeFile(local("text.out"), text);
    EXPECT_EQ(tymPutFile(kType, local("text.out").c_str(), "text"), 0);
    EXPECT_EQ(tymGetFile(kType, local("text.in").c_str(), "text"), 0);
    std::remove(FtpServerEnvironment::refuseTypeFile.c_str());
    EXPECT_TRUE(readFile(remote("text")) == text) << "the upload was not stored as sent";
    EXPECT_EQ(readFile(local("text.in")), "first line\r\nsecond line\r\n")
        << "the download did not come in the server's ASCII type";
}

class Failures : public RealFtpServer {};

TEST_F(Failures, FailedDownloadLeavesTheLocalFileAsItWas) {
    std::string keep = awkwardBytes(5000, 9);
    writeFile(local("precious"), keep);
    int before = openDescriptors();
    EXPECT_EQ(tymGetFile(kType, local("precious").c_str(), "no-such-file"), 1);
    EXPECT_TRUE(readFile(local("precious")) == keep);
    EXPECT_EQ(filesIn(localDir).size(), 1u) << "a temporary file was left behind";
    card.setObject(16, 8, 0, "wrong");
    EXPECT_EQ(tymGetFile(kType, local("precious").c_str(), "file1"), 1);
    EXPECT_TRUE(readFile(local("precious")) == keep);
    EXPECT_EQ(filesIn(localDir).size(), 1u);
    EXPECT_EQ(descriptorsAfterSettling(before), before);
}

// A download lands beside the local file and replaces it whole: a write that
// fails leaves the old file and no temporary, and what a download that died
// left is gone after the next one.
TEST_F(Failures, AFailedWriteOrADeadDownloadLeavesTheLocalFileAndNoTemporary) {
    const std::string data = awkwardBytes(256 * 1024, 5);
    writeFile(remote("big"), data);
    const std::string keep = awkwardBytes(5000, 9);
    writeFile(local("precious"), keep);
    EXPECT_EQ(kortest::callWithFileSizeLimit(
                  4096, [&] { return tymGetFile(kType, local("precious").c_str(), "big"); }),
              1);
    EXPECT_TRUE(readFile(local("precious")) == keep);
    EXPECT_EQ(kortest::temporariesOf(local("precious")), std::set<std::string>{});

    ASSERT_NO_FATAL_FAILURE(kortest::leaveDeadWritersTemporary(local("precious")));
    ASSERT_EQ(tymGetFile(kType, local("precious").c_str(), "big"), 0);
    EXPECT_TRUE(readFile(local("precious")) == data);
    EXPECT_EQ(kortest::temporariesOf(local("precious")), std::set<std::string>{})
        << "a dead download's temporary stayed";
}

TEST_F(Failures, LaterStagesReturnOneAndLeakNothing) {
    writeFile(local("up"), "payload");
    int before = openDescriptors();
    EXPECT_EQ(tymPutFile(kType, local("up").c_str(), "no/such/dir/up"), 1); // STOR refused
    card.setObject(16, 8, 0, "wrong");
    EXPECT_EQ(tymPutFile(kType, local("up").c_str(), "up"), 1); // PASS refused
    card.setObject(16, 8, 0, "racpass");
    card.setObject(16, 2, 0, "10.0.0.253"); // server 10.0.0.254: unreachable here
    EXPECT_EQ(tymPutFile(kType, local("up").c_str(), "up"), 1);
    card.setObject(16, 2, 0, "192.168.234.235"); // server .236: the card, no FTP there
    EXPECT_EQ(tymPutFile(kType, local("up").c_str(), "up"), 1);
    EXPECT_EQ(descriptorsAfterSettling(before), before);
}

struct PrepCase {
    const char* name;
    int type;
    int object; // card object of group 16 to change, 0 for none
    std::string value;
    std::string remoteName;
    bool localExists;
};

class Preparation : public RealFtpServer, public ::testing::WithParamInterface<PrepCase> {};

TEST_P(Preparation, FailsWithMinusOne) {
    const PrepCase& c = GetParam();
    if (c.object)
        card.setObject(16, c.object, 0, c.value);
    std::string path = local(c.localExists ? "prep" : "absent");
    if (c.localExists)
        writeFile(path, "x");
    int before = openDescriptors();
    EXPECT_EQ(tymPutFile(c.type, path.c_str(), c.remoteName.c_str()), -1);
    if (c.localExists) { // a download needs no local file to start with
        EXPECT_EQ(tymGetFile(c.type, local("prep-get").c_str(), c.remoteName.c_str()), -1);
    }
    EXPECT_EQ(descriptorsAfterSettling(before), before);
    EXPECT_NE(access(local("prep-get").c_str(), F_OK), 0) << "nothing is created";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Preparation,
    ::testing::Values(PrepCase{"cardType", 0x102, 0, "", "f", true},
                      PrepCase{"addressLastTwoFiftyFour", kType, 2, "10.0.0.254", "f", true},
                      PrepCase{"addressLastZero", kType, 2, "10.0.0.0", "f", true},
                      PrepCase{"addressEmpty", kType, 2, "", "f", true},
                      PrepCase{"addressNoDot", kType, 2, "card", "f", true},
                      PrepCase{"addressNotIpv4", kType, 2, "300.1.1.5", "f", true},
                      PrepCase{"addressTrailing", kType, 2, "10.0.0.5x", "f", true},
                      PrepCase{"userCr", kType, 6, "racuser\rDELE x", "f", true},
                      PrepCase{"passwordLf", kType, 8, "racpass\nDELE x", "f", true},
                      PrepCase{"nameCrLf", kType, 0, "", "f\r\nDELE x", true},
                      PrepCase{"nameLf", kType, 0, "", "f\n", true},
                      PrepCase{"missingLocalFile", kType, 0, "", "f", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Preparation, MissingCardObjectFails) {
    card.stop();
    cardsim::Config config = standardCard();
    config.objects.erase({16, 7, 0});
    cardsim::CardSim other(config);
    ASSERT_TRUE(other.start());
    writeFile(local("prep"), "x");
    EXPECT_EQ(tymPutFile(kType, local("prep").c_str(), "f"), -1);
    other.stop();
    ASSERT_TRUE(card.start());
}

} // namespace
