// Rewrite temporaries in a directory of the test's own: their names, the
// lock their writer holds, and which of them a later rewrite removes.
#include "tempfiles/owned_temporary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kor::tempfiles::OwnedTemporary;
using kor::tempfiles::removeStaleTemporaries;

namespace {

class Temporaries : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/tempfiles-test.XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        m_dir = dir;
        m_prefix = m_dir + "/data.tmp";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void create(const std::string& name, const std::string& content = "x") const {
        std::ofstream(m_dir + "/" + name) << content;
    }
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_dir))
            found.insert(entry.path().filename().string());
        return found;
    }
    // The file's lock as another writer would try it.
    static bool lockable(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool taken = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (fd >= 0)
            ::close(fd);
        return taken;
    }

    std::string m_dir;
    std::string m_prefix;
};

TEST_F(Temporaries, ANewOneIsNamedForItsWriterAndHeldUntilItGoes) {
    std::string path;
    {
        OwnedTemporary temporary(m_prefix);
        ASSERT_TRUE(temporary.created());
        path = temporary.path();
        const std::string start = m_prefix + "." + std::to_string(::getpid()) + ".";
        EXPECT_EQ(path.rfind(start, 0), 0u) << path;
        EXPECT_EQ(path.size(), start.size() + 6) << path;
        EXPECT_FALSE(lockable(path)) << "a live writer's file must look held";
        const int fd = temporary.openForWriting();
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "new", 3), 3);
        ASSERT_EQ(::close(fd), 0);
        EXPECT_FALSE(lockable(path)) << "closing the writing descriptor dropped the lock";
        removeStaleTemporaries(m_prefix);
        EXPECT_TRUE(fs::exists(path)) << "a live writer's file was removed";
    }
    EXPECT_FALSE(fs::exists(path)) << "a temporary that was not renamed stays behind";

    {
        OwnedTemporary temporary(m_prefix);
        ASSERT_TRUE(temporary.created());
        ASSERT_EQ(::rename(temporary.path().c_str(), (m_dir + "/data").c_str()), 0);
        temporary.renamed();
        create(fs::path(temporary.path()).filename().string(), "someone else's");
    }
    EXPECT_TRUE(fs::exists(m_dir + "/data"));
    EXPECT_EQ(names().size(), 2u) << "a renamed temporary's name was removed afterwards";
}

TEST_F(Temporaries, OnlyUnheldFilesOfTheOwnNameAreStale) {
    const std::string pid = std::to_string(::getpid());
    struct Case {
        std::string name;
        bool removed;
    };
    const Case cases[] = {
        {"data.tmp." + pid + ".aB3dE9", true}, // the lock decides, not the pid
        {"data.tmp.999999999.Zz9Yx8", true},
        {"data.tmp.12.abcdef", true},
        {"data.tmp.12.abcde", false},   // not mkstemp's six characters
        {"data.tmp.12.abcdefg", false}, // nor here
        {"data.tmp.x1.abcdef", false},  // no pid
        {"data.tmp..abcdef", false},
        {"data.tmpabcdef", false},
        {"data.tmp", false},
        {"other.tmp.12.abcdef", false},
        {"data.tmp.12.abc-ef", false},
    };
    for (const Case& c : cases)
        create(c.name);
    // A writer at work, a symbolic link and a directory of the own name.
    OwnedTemporary live(m_prefix);
    ASSERT_TRUE(live.created());
    ASSERT_EQ(::symlink((m_dir + "/data.tmp").c_str(), (m_dir + "/data.tmp.13.linked").c_str()), 0);
    fs::create_directory(m_dir + "/data.tmp.14.adirec");

    removeStaleTemporaries(m_prefix);

    std::set<std::string> expected = {fs::path(live.path()).filename().string(),
                                      "data.tmp.13.linked", "data.tmp.14.adirec"};
    for (const Case& c : cases)
        if (!c.removed)
            expected.insert(c.name);
    EXPECT_EQ(names(), expected);
    removeStaleTemporaries(m_dir + "/missing/data.tmp"); // no directory: nothing to do
}

} // namespace
