// Files replaced whole through a temporary beside them: the order of the
// system calls, what every failure leaves, the mode, and the temporaries of
// writers that died.
#include "recording_calls.h"
#include "replaced_files.h"
#include "tempfiles/replacement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kor::tempfiles::Existing;
using kor::tempfiles::Replacement;
using kortest::contentOf;
using kortest::RecordingCalls;

namespace {

class Replacements : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/replacement-test.XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        m_dir = dir;
        m_target = m_dir + "/data";
        kor::tempfiles::setFileCalls(&m_calls);
    }
    void TearDown() override {
        kor::tempfiles::setFileCalls(nullptr);
        fs::remove_all(m_dir);
    }

    void writeTarget(const std::string& content, mode_t mode) const {
        std::ofstream(m_target, std::ios::binary) << content;
        ASSERT_EQ(::chmod(m_target.c_str(), mode), 0);
    }
    mode_t modeOf(const std::string& path) const {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_dir))
            found.insert(entry.path().filename().string());
        return found;
    }

    RecordingCalls m_calls;
    std::string m_dir;
    std::string m_target;
};

TEST_F(Replacements, TheFileIsSyncedWholeBeforeTheRenameAndTheDirectoryAfter) {
    writeTarget("old", 0640);
    Replacement file(m_target);
    ASSERT_TRUE(file.created());
    EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), fs::path(m_dir));
    ASSERT_TRUE(file.setMode(0664));
    ASSERT_TRUE(file.write("new "));
    ASSERT_TRUE(file.write("content"));
    EXPECT_EQ(contentOf(m_target), "old") << "the target changed before the commit";
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(m_calls.log,
              (std::vector<std::string>{"fchmod", "write", "write", "fsync file", "close", "rename",
                                        "open directory", "fsync directory", "close"}));
    EXPECT_EQ(m_calls.syncedContent, "new content");
    EXPECT_EQ(contentOf(m_target), "new content");
    EXPECT_EQ(modeOf(m_target), 0664u);
    EXPECT_EQ(names(), std::set<std::string>{"data"});
}

TEST_F(Replacements, AnyFailureBeforeThePlaceLeavesTheOldFileAndNoTemporary) {
    struct Case {
        const char* call;
        int nth;
    };
    const Case cases[] = {{"fchmod", 1},     {"fchown", 1}, {"write", 1}, {"write", 2},
                          {"fsync file", 1}, {"close", 1},  {"rename", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " #" + std::to_string(c.nth));
        writeTarget("old", 0640);
        m_calls.log.clear();
        m_calls.failing = c.call;
        m_calls.failingCall = c.nth;
        {
            Replacement file(m_target);
            ASSERT_TRUE(file.created());
            file.setOwner(::geteuid(), ::getegid());
            file.setMode(0664);
            file.write("first ");
            file.write("second"); // after a failed write: the commit fails all the same
            EXPECT_FALSE(file.commit());
            EXPECT_FALSE(file.commit()) << "a second commit placed the file";
        }
        EXPECT_EQ(contentOf(m_target), "old");
        EXPECT_EQ(modeOf(m_target), 0640u);
        EXPECT_EQ(names(), std::set<std::string>{"data"}) << "a temporary stayed behind";
        const bool renamed =
            std::find(m_calls.log.begin(), m_calls.log.end(), "rename") != m_calls.log.end();
        EXPECT_EQ(renamed, std::string(c.call) == "rename") << "renamed after a failure";
    }
}

TEST_F(Replacements, AFailedDirectorySyncStillLeavesTheNewFileInPlace) {
    for (const char* call : {"open directory", "fsync directory"}) {
        SCOPED_TRACE(call);
        writeTarget("old", 0644);
        m_calls.failing = call;
        Replacement file(m_target);
        file.write("new");
        EXPECT_TRUE(file.commit());
        EXPECT_EQ(contentOf(m_target), "new");
    }
}

TEST_F(Replacements, TheModeIsTheOneSetWhateverTheUmask) {
    struct Case {
        bool set;
        mode_t mode;
        mode_t expected;
    };
    const Case cases[] = {
        {true, 0664, 0664},   {true, 0644, 0644}, {true, 0600, 0600},
        {true, 02755, 02755}, {false, 0, 0600}, // a temporary's own
    };
    const mode_t saved = ::umask(077);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        writeTarget("old", 0640);
        Replacement file(m_target);
        if (c.set) {
            ASSERT_TRUE(file.setMode(c.mode));
        }
        file.write("x");
        ASSERT_TRUE(file.commit());
        EXPECT_EQ(modeOf(m_target), c.expected);
    }
    ::umask(saved);
    if (::geteuid() == 0) {
        Replacement file(m_target);
        ASSERT_TRUE(file.setOwner(1234, 4321));
        ASSERT_TRUE(file.commit());
        struct stat st {};
        ASSERT_EQ(::stat(m_target.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 4321u);
    }
}

TEST_F(Replacements, KeepingAnExistingFileRefusesToReplaceIt) {
    writeTarget("old", 0644);
    {
        Replacement file(m_target);
        file.write("new");
        EXPECT_FALSE(file.commit(Existing::Keep));
        EXPECT_EQ(errno, EEXIST);
    }
    EXPECT_EQ(contentOf(m_target), "old");
    EXPECT_EQ(names(), std::set<std::string>{"data"});
    ASSERT_EQ(::unlink(m_target.c_str()), 0);
    Replacement file(m_target);
    file.write("new");
    EXPECT_TRUE(file.commit(Existing::Keep));
    EXPECT_EQ(contentOf(m_target), "new");
}

TEST_F(Replacements, ANewReplacementRemovesWhatDeadWritersLeft) {
    struct Case {
        const char* prefix; // in the directory; none: the target's own name
        const char* otherName;
    };
    const Case cases[] = {{nullptr, "data.kept"}, {".hidden.writer", ".hidden.writerX"}};
    for (const Case& c : cases) {
        const std::string prefix = c.prefix ? m_dir + "/" + c.prefix : m_target;
        SCOPED_TRACE(prefix);
        std::ofstream(m_dir + "/" + c.otherName) << "not a temporary";
        ASSERT_NO_FATAL_FAILURE(kortest::leaveDeadWritersTemporary(prefix));
        ASSERT_NO_FATAL_FAILURE(kortest::leaveDeadWritersTemporary(prefix));
        ASSERT_EQ(names().size(), 3u);
        Replacement file(m_target, prefix);
        ASSERT_TRUE(file.created());
        EXPECT_EQ(names(),
                  (std::set<std::string>{fs::path(file.temporaryPath()).filename(), c.otherName}));
        file.write("whole");
        ASSERT_TRUE(file.commit());
        EXPECT_EQ(names(), (std::set<std::string>{"data", c.otherName}));
        EXPECT_EQ(contentOf(m_target), "whole");
        fs::remove(m_dir + "/" + c.otherName);
        fs::remove(m_target);
    }
}

// Writers that take no lock of their own: each one's new temporary is
// removed as stale by none of the others, so every commit succeeds.
TEST_F(Replacements, WritersWithoutALockNeverRemoveEachOthersTemporaries) {
    kor::tempfiles::setFileCalls(nullptr);
    constexpr int kWriters = 4;
    constexpr int kRounds = 400;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int round = 0; round < kRounds; ++round) {
                Replacement file(m_target);
                file.write(std::to_string(w) + ":" + std::to_string(round));
                if (!file.commit())
                    ::_exit(1);
            }
            ::_exit(0);
        }
        writers.push_back(child);
    }
    for (const pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a commit failed";
    }
    EXPECT_EQ(names(), std::set<std::string>{"data"});
}

} // namespace
