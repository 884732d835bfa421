// Host facts set on the card, and the card service's state word.
#include "card_fixture.h"
#include "child_process.h"
#include "replaced_files.h"
#include "telm/telm.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

constexpr int kDirect = 0x103;

class HostFactSetters : public telmtest::CardTest {
protected:
    std::string lastText() const {
        auto bytes = lastRequest().bytes;
        size_t start = bytes.at(0) == 0x50 ? 4 : 7;
        return std::string(bytes.begin() + static_cast<long>(start), bytes.end() - 2);
    }
};

TEST_F(HostFactSetters, SetObjectsOfGroupSeventeen) {
    EXPECT_EQ(tymSetHostnameOnTym(kDirect, "srv1"), 0);
    EXPECT_EQ(card.object(17, 2, 0), "srv1");
    EXPECT_EQ(lastRequest().bytes.size(), 13u);
    EXPECT_EQ(tymSetOsNameOnTym(kDirect, "Linux 6.1"), 0);
    EXPECT_EQ(card.object(17, 3, 0), "Linux 6.1");
    EXPECT_EQ(tymSetOsTypeOnTym(kDirect, 10), 0);
    EXPECT_EQ(card.object(17, 4, 0), "0xa");
    EXPECT_EQ(tymSetOsTypeOnTym(kDirect, -1), 0);
    EXPECT_EQ(card.object(17, 4, 0), "0xffffffff");
    EXPECT_EQ(tymSetHostnameOnTym(kDirect, nullptr), -1);
    EXPECT_EQ(tymSetHostnameOnTym(0x002, "x"), -1);
}

TEST_F(HostFactSetters, HostNameLengthEdges) {
    std::string longest(65535 - 9, 'h');
    EXPECT_EQ(tymSetHostnameOnTym(kDirect, longest.c_str()), 0);
    EXPECT_EQ(card.object(17, 2, 0), longest);
    EXPECT_EQ(tymSetHostnameOnTym(kDirect, (longest + "h").c_str()), -1);
    EXPECT_EQ(card.object(17, 2, 0), longest);
    EXPECT_EQ(tymSetHostnameOnTym(kDirect, ""), 0);
    EXPECT_EQ(card.object(17, 2, 0), "");
}

TEST_F(HostFactSetters, ClockCommandCarriesUpperCaseHex) {
    EXPECT_EQ(tymSetTimeOnTym(kDirect, 0x5F5E100u, -3600), 0);
    EXPECT_EQ(lastText(), "setgmt -u0x5F5E100 -o0xFFFFF1F0");
}

TEST_F(HostFactSetters, CardStatusAndFailuresComeBack) {
    cardsim::Config config = telmtest::standardCard();
    card.stop();
    for (auto [name, output, status, expected] :
         {std::tuple{"setgmt", std::string(15, 'k'), 0, 0},  // 16 bytes with its NUL: fits
          std::tuple{"setgmt", std::string(16, 'k'), 0, -1}, // 17: drained, refused
          std::tuple{"setgmt", std::string(), 9, 9}}) {
        config.commands[name] = {output, status};
        cardsim::CardSim other(config);
        std::string error;
        ASSERT_TRUE(other.start(&error)) << error;
        EXPECT_EQ(tymSetTimeOnTym(kDirect, 1, 0), expected) << output.size();
    }
    EXPECT_EQ(tymSetHostnameOnTym(kDirect, "nobody-listens"), -1);
    ASSERT_TRUE(card.start());
}

// The card service's files as the stand-in service writes them.
class CardService : public ::testing::Test {
protected:
    void TearDown() override {
        telmtest::stopChild(service);
        unlink("/var/run/.racsrvc");
        unlink("/var/run/.racMNstate");
    }
    void startService(const char* state) {
        auto started = telmtest::startWithReadyLine({RACSRVC_STANDIN, state});
        service = started.pid;
        ASSERT_EQ(started.firstLine, "racsrvc-standin: ready\n");
    }
    static void writePidFile(const std::string& text, mode_t mode = 0644) {
        unlink("/var/run/.racsrvc");
        int fd = open("/var/run/.racsrvc", O_WRONLY | O_CREAT | O_EXCL, mode);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        fchmod(fd, mode);
        close(fd);
    }
    // The call must refuse without signalling or waiting.
    void expectRefused(const char* why) {
        EXPECT_EQ(tymGetRacMnStatus(), 1) << why;
        EXPECT_EQ(fast.clock.sleeps.load(), 0) << why;
    }

    telmtest::FastClockScope fast;
    pid_t service = -1;
};

TEST_F(CardService, AsksTheServiceForItsState) {
    startService("0x1234");
    EXPECT_EQ(tymGetRacMnStatus(), 0x1234);
    EXPECT_EQ(fast.clock.sleeps.load(), 1);
    EXPECT_EQ(fast.clock.lastSleep.load(), 333333u);
}

TEST_F(CardService, StateFileThatCannotBeReadLeavesOne) {
    // A live process that ignores the signal writes nothing.
    pid_t quiet = fork();
    ASSERT_GE(quiet, 0);
    if (quiet == 0) {
        signal(SIGUSR2, SIG_IGN);
        pause();
        _exit(0);
    }
    writePidFile(std::to_string(quiet));
    std::ofstream("/var/run/.racMNstate") << "garbage";
    EXPECT_EQ(tymGetRacMnStatus(), 1);
    kill(quiet, SIGKILL);
    waitpid(quiet, nullptr, 0);
}

TEST_F(CardService, RefusesPidFilesItCannotTrust) {
    startService("0x7");
    std::string pid = std::to_string(service);
    unlink("/var/run/.racsrvc");
    expectRefused("no pid file");
    writePidFile("0");
    expectRefused("pid 0");
    writePidFile("-5");
    expectRefused("negative pid");
    writePidFile("abc");
    expectRefused("not a number");
    writePidFile(std::to_string(getpid()));
    expectRefused("the caller itself");
    writePidFile(pid, 0666);
    expectRefused("writable by others");
    writePidFile(pid, 0664);
    expectRefused("writable by the group");
    writePidFile(pid);
    ASSERT_EQ(chown("/var/run/.racsrvc", 1000, 1000), 0);
    expectRefused("not owned by root");
    unlink("/var/run/.racsrvc");
    std::ofstream("/var/run/.racsrvc.real") << pid;
    ASSERT_EQ(symlink("/var/run/.racsrvc.real", "/var/run/.racsrvc"), 0);
    expectRefused("a symbolic link");
    unlink("/var/run/.racsrvc.real");
    unlink("/var/run/.racsrvc");
    ASSERT_EQ(mkdir("/var/run/.racsrvc", 0755), 0);
    expectRefused("a directory");
    rmdir("/var/run/.racsrvc");

    pid_t zombie = fork();
    ASSERT_GE(zombie, 0);
    if (zombie == 0)
        _exit(0);
    siginfo_t exited{};
    ASSERT_EQ(waitid(P_PID, zombie, &exited, WEXITED | WNOWAIT), 0); // exited, not yet reaped
    writePidFile(std::to_string(zombie));
    expectRefused("a zombie");
    waitpid(zombie, nullptr, 0);
    expectRefused("a process that is gone");

    writePidFile(pid);
    EXPECT_EQ(tymGetRacMnStatus(), 7);
}

// The service replaces its files whole: a write that fails leaves the old
// file and no temporary, and what a writer that died left beside them is
// gone once the service has written them.
TEST_F(CardService, ItsFilesAreReplacedWholeAndLeaveNoTemporary) {
    const char* pidFile = "/var/run/.racsrvc";
    const char* stateFile = "/var/run/.racMNstate";
    writePidFile("old\n");
    const pid_t limited = fork();
    ASSERT_GE(limited, 0);
    if (limited == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{2, 2};
        if (setrlimit(RLIMIT_FSIZE, &limit) == 0)
            execl(RACSRVC_STANDIN, RACSRVC_STANDIN, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(limited, &status, 0), limited);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the pid file was written";
    EXPECT_EQ(kortest::contentOf(pidFile), "old\n");
    EXPECT_EQ(kortest::temporariesOf(pidFile), std::set<std::string>{});

    for (const char* file : {pidFile, stateFile})
        ASSERT_NO_FATAL_FAILURE(kortest::leaveDeadWritersTemporary(file));
    startService("0x9");
    EXPECT_EQ(tymGetRacMnStatus(), 9);
    EXPECT_EQ(kortest::contentOf(pidFile), std::to_string(service) + "\n");
    EXPECT_EQ(kortest::contentOf(stateFile), "0x9");
    for (const char* file : {pidFile, stateFile})
        EXPECT_EQ(kortest::temporariesOf(file), std::set<std::string>{})
            << "a dead writer's temporary beside " << file << " stayed";
}

} // namespace
