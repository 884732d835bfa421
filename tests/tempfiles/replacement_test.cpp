// Files replaced whole through a temporary beside them: the order of the
// system calls, what every failure leaves, the mode, and the temporaries of
// writers that died.
#include "tempfiles/file_calls.h"
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
using kor::tempfiles::FileCalls;
using kor::tempfiles::Replacement;

namespace {

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Logs the calls a replacement makes and fails the one named `failing`
// (its `failingCall`th call, counted from 1) with `failure`.
class RecordingCalls : public FileCalls {
public:
    std::vector<std::string> log;
    std::string failing;
    int failingCall = 1;
    int failure = EIO;
    std::string syncedContent; // the temporary's content when it was synced

    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (fails("write"))
            return -1;
        return FileCalls::write(fd, data, size);
    }
    int fchmod(int fd, mode_t mode) override {
        return fails("fchmod") ? -1 : FileCalls::fchmod(fd, mode);
    }
    int fchown(int fd, uid_t owner, gid_t group) override {
        return fails("fchown") ? -1 : FileCalls::fchown(fd, owner, group);
    }
    int fsync(int fd) override {
        struct stat st {};
        const bool directory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        if (!directory)
            syncedContent = contentOf("/proc/self/fd/" + std::to_string(fd));
        return fails(directory ? "fsync directory" : "fsync file") ? -1 : FileCalls::fsync(fd);
    }
    int close(int fd) override {
        const int rc = FileCalls::close(fd); // released whatever the answer
        return fails("close") ? -1 : rc;
    }
    int rename(const char* from, const char* to, unsigned flags) override {
        return fails("rename") ? -1 : FileCalls::rename(from, to, flags);
    }
    int openDirectory(const char* path) override {
        return fails("open directory") ? -1 : FileCalls::openDirectory(path);
    }

private:
    bool fails(const std::string& call) {
        log.push_back(call);
        int seen = 0;
        for (const std::string& earlier : log)
            seen += earlier == call;
        if (call != failing || seen != failingCall)
            return false;
        errno = failure;
        return true;
    }
};

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
    // Leaves a temporary of `prefix` as a writer that died mid-write does.
    static void dieWriting(const std::string& prefix) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto* dying = new kor::tempfiles::OwnedTemporary(prefix);
            const int fd = dying->openForWriting();
            ::_exit(fd >= 0 && ::write(fd, "half", 4) == 4 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
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
        ASSERT_NO_FATAL_FAILURE(dieWriting(prefix));
        ASSERT_NO_FATAL_FAILURE(dieWriting(prefix));
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
