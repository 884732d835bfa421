#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "System/DEvent.h"
#include "System/Lock.h"
#include "System/LogStreams.h"

namespace fs = std::filesystem;
using VarnDiags::System::closeLogStreams;
using VarnDiags::System::logLine;
using VarnDiags::System::openLogStreams;

namespace {

// Runs each test in a fresh temporary directory, DIAGLOG unset.
class LogStreams : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = fs::current_path();
        char pattern[] = "/tmp/diaglog-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        fs::current_path(m_dir);
        unsetenv("DIAGLOG");
    }
    void TearDown() override {
        closeLogStreams();
        unsetenv("DIAGLOG");
        fs::current_path(m_previous);
        fs::remove_all(m_dir);
    }
    static std::string contents(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void writeEveryLevel() {
        std::ofstream* levels[] = {pLogFile0, pLogFile1, pLogFile2,
                                   pLogFile3, pLogFile4, pLogFile5};
        for (int k = 0; k < 6; ++k)
            logLine(levels[k], "level ", k);
    }

    fs::path m_previous, m_dir;
};

} // namespace

TEST_F(LogStreams, UnsetMakesNoFile) {
    openLogStreams("testmod");
    writeEveryLevel();
    closeLogStreams();
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(LogStreams, LevelSelectsWhichStreamsReachTheFile) {
    struct Case {
        const char* value;
        int level;
    };
    for (Case c :
         {Case{"0", 0}, Case{"2", 2}, Case{"5", 5}, Case{"9", 5}, Case{"-1", 5}, Case{"x", 5}}) {
        setenv("DIAGLOG", c.value, 1);
        openLogStreams("testmod");
        EXPECT_EQ(pLogFile, pLogFile0);
        writeEveryLevel();
        closeLogStreams();
        std::string expected;
        for (int k = 0; k <= c.level; ++k)
            expected += "level " + std::to_string(k) + "\n";
        EXPECT_EQ(contents("testmodApp.log"), expected) << "DIAGLOG=" << c.value;
    }
}

TEST_F(LogStreams, ReopeningTruncatesAndUsesMode0664) {
    setenv("DIAGLOG", "0", 1);
    mode_t old = umask(0);
    openLogStreams("testmod");
    logLine(pLogFile, "first run");
    openLogStreams("testmod");
    logLine(pLogFile, "second run");
    closeLogStreams();
    umask(old);
    EXPECT_EQ(contents("testmodApp.log"), "second run\n");
    EXPECT_EQ(fs::status("testmodApp.log").permissions(), static_cast<fs::perms>(0664));
}

TEST_F(LogStreams, SymbolicLinkIsNotFollowed) {
    std::ofstream("victim") << "keep me\n";
    fs::create_symlink("victim", "testmodApp.log");
    setenv("DIAGLOG", "5", 1);
    openLogStreams("testmod");
    logLine(pLogFile, "must go nowhere");
    closeLogStreams();
    EXPECT_EQ(contents("victim"), "keep me\n");
    EXPECT_TRUE(fs::is_symlink("testmodApp.log"));
}

TEST_F(LogStreams, AppendModeKeepsEarlierLines) {
    std::ofstream log;
    ASSERT_TRUE(VarnDiags::System::openLogFile(log, "own.log", true));
    logLine(&log, "one");
    log.close();
    ASSERT_TRUE(VarnDiags::System::openLogFile(log, "own.log", true));
    logLine(&log, "two");
    log.close();
    EXPECT_EQ(contents("own.log"), "one\ntwo\n");
    fs::create_directory("adir");
    EXPECT_FALSE(VarnDiags::System::openLogFile(log, "adir", true));
}

TEST_F(LogStreams, GateAndLockMessagesGoToLevelFive) {
    setenv("DIAGLOG", "5", 1);
    openLogStreams("testmod");
    {
        VarnDiags::System::DEvent gate;
        gate.signal(0);
        gate.wait();
    }
    closeLogStreams();
    std::string log = contents("testmodApp.log");
    for (const char* line : {"DEvent::DEvent()", "DEvent::Signal()", "DEvent::BeforeWait()",
                             "DEvent::AfterWait()", "DEvent::~DEvent()"})
        EXPECT_NE(log.find(line), std::string::npos) << line;

    setenv("DIAGLOG", "4", 1);
    openLogStreams("testmod");
    { VarnDiags::System::DEvent quiet; }
    closeLogStreams();
    EXPECT_EQ(contents("testmodApp.log"), "");
}

TEST_F(LogStreams, NullOrClosedStreamTakesNothing) {
    logLine(nullptr, "nothing");
    logLine(pLogFile, "nothing either");
    EXPECT_TRUE(fs::is_empty(m_dir));
}
