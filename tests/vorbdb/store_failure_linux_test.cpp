// Failures of the file system itself, made real inside the sandbox's private
// mount namespace: a full disk, a read-only /etc, a database that cannot be
// replaced or read.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store_fixture.h"
#include "vorbdb/vorbdb.h"

namespace fs = std::filesystem;

namespace {

constexpr int kZutr = 15, kUninstallString = 5;

// A mount undone at scope end.
class Mount {
public:
    Mount(const char* source, std::string target, const char* type, unsigned long flags,
          const char* options)
        : target_(std::move(target)),
          ok_(::mount(source, target_.c_str(), type, flags, options) == 0) {}
    ~Mount() {
        if (ok_)
            ::umount2(target_.c_str(), MNT_DETACH);
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    bool ok() const { return ok_; }

private:
    std::string target_;
    bool ok_;
};

// Fills the file system of `path` until a write fails for lack of space.
void fill(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    char block[4096] = {};
    for (std::size_t size = sizeof block; size > 0; size /= 2)
        while (::write(fd, block, size) == static_cast<ssize_t>(size)) {
        }
    ::close(fd);
}

int rewritesOfZutr() {
    const std::string big(8192, 'b');
    int failures = 0;
    failures += AuQVDBInstallUpdate(kZutr, kUninstallString, big.c_str()) == -1;
    failures += AuQVDBInstallDelete(kZutr, kUninstallString) == -1;
    failures += AuQVDBInstallDeleteAll(kZutr) == -1;
    failures += AuQVDBUpdateLink(kZutr, 1) == -1;
    failures += AuQVDBInstallUpdateComponent(kZutr, big.c_str(), "", "", "", "", "", "") == -1;
    return failures;
}

TEST_F(StoreTest, DiskFullLeavesTheDatabaseByteIdentical) {
    Mount tiny("vorbdb-full", "/etc", "tmpfs", 0, "size=64k,mode=0755");
    ASSERT_TRUE(tiny.ok()) << std::strerror(errno);
    const std::string before = lines({"zutr.uninstallstring=a", "Corvance.x=1"});
    writeDb(before);
    fill("/etc/filler");
    EXPECT_EQ(rewritesOfZutr(), 5);
    EXPECT_EQ(readDb(), before);
    EXPECT_EQ(leftoverTempFiles(), 0);

    fs::remove("/etc/filler");
    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "b"), 0);
    EXPECT_EQ(readDb(), lines({"zutr.uninstallstring=b", "Corvance.x=1"}));
}

TEST_F(StoreTest, ReadOnlyDirectoryLeavesTheDatabaseByteIdentical) {
    ASSERT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "a"), 0); // the lock file exists too
    const std::string before = readDb();
    Mount bind("/etc", "/etc", nullptr, MS_BIND, nullptr);
    ASSERT_TRUE(bind.ok()) << std::strerror(errno);
    ASSERT_EQ(::mount(nullptr, "/etc", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0)
        << std::strerror(errno);
    EXPECT_EQ(rewritesOfZutr(), 5);
    EXPECT_EQ(readDb(), before);
    char* value = nullptr;
    int length = 0;
    EXPECT_EQ(AuQVDBInstallSelect(kZutr, kUninstallString, &value, &length), 0);
    EXPECT_STREQ(value, "a");
    AuQVDBFreeMemory(reinterpret_cast<void**>(&value));
}

TEST_F(StoreTest, FailedReplaceIsReportedAndLeavesTheDatabaseByteIdentical) {
    const std::string before = lines({"zutr.uninstallstring=a"});
    writeDb(before);
    writeFile(path("qvflg.db"), "");
    // A mount point cannot be renamed over.
    Mount pinned(dbPath().c_str(), dbPath(), nullptr, MS_BIND, nullptr);
    ASSERT_TRUE(pinned.ok()) << std::strerror(errno);
    EXPECT_EQ(rewritesOfZutr(), 5);
    EXPECT_EQ(readDb(), before);
    EXPECT_EQ(leftoverTempFiles(), 0);
    std::string log = readFile(path("qvdbg.db"));
    EXPECT_NE(log.find("\nRename Failed "), std::string::npos);
    EXPECT_NE(log.find("\nMajor Error..2\ntheProjectId 15 theParameterID uninstallstring"),
              std::string::npos);
    EXPECT_NE(log.find("\nMajor Error...1\ntheProjectId 15 theParameterID uninstallstring"),
              std::string::npos);
}

TEST_F(StoreTest, UnreadableDatabaseIsNotTakenForAnEmptyOne) {
    fs::create_directory(dbPath());
    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "a"), -1);
    EXPECT_EQ(sleeps, 1); // a second attempt after one wait
    EXPECT_EQ(rewritesOfZutr(), 5);
    EXPECT_TRUE(fs::is_directory(dbPath()));
    EXPECT_TRUE(fs::is_empty(dbPath()));
    EXPECT_EQ(leftoverTempFiles(), 0);
    fs::remove(dbPath());
}

TEST_F(StoreTest, RewriteKeepsTheDatabaseModeAndCreatesNewOnes0644) {
    mode_t old = ::umask(077);
    ASSERT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "a"), 0);
    struct stat st;
    ASSERT_EQ(::stat(dbPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(::chmod(dbPath().c_str(), 0600), 0);
    ASSERT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "b"), 0);
    ASSERT_EQ(::stat(dbPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ::umask(old);
}

TEST_F(StoreTest, RewriteWaitsForTheLockHolder) {
    ASSERT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "a"), 0);
    int lock = ::open(path("qvinstal.lck").c_str(), O_RDWR);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    auto update = std::async(std::launch::async,
                             [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "b"); });
    EXPECT_EQ(update.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_EQ(readDb(), lines({"zutr.uninstallstring=a"}));
    ::close(lock);
    EXPECT_EQ(update.get(), 0);
    EXPECT_EQ(readDb(), lines({"zutr.uninstallstring=b"}));
}

} // namespace
