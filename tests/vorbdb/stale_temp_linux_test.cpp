// Temporaries of rewrites that died: the next rewrite removes them, and only
// them.
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "killed_writers.h"
#include "store_fixture.h"
#include "vorbdb/vorbdb.h"

namespace {

constexpr int kZutr = 15, kUninstallString = 5;

TEST_F(StoreTest, KilledRewritesLeaveNoTemporaryAfterTheNextRewrite) {
    std::string big;
    for (int i = 0; i < 60000; ++i)
        big += "Corvance.key" + std::to_string(i) + "=" + std::string(80, 'v') + "\n";
    writeDb(big);
    int round = 0;
    ASSERT_NO_FATAL_FAILURE(kortest::killRewritesMidway(
        [&] { AuQVDBInstallUpdate(kZutr, kUninstallString, std::to_string(++round).c_str()); },
        [&](pid_t writer) {
            const std::string own = "qvinstal.tmp." + std::to_string(writer) + ".";
            for (const auto& entry : std::filesystem::directory_iterator("/etc"))
                if (entry.path().filename().string().rfind(own, 0) == 0)
                    return true;
            return false;
        }));
    ASSERT_GT(leftoverTempFiles(), 0) << "the kills left nothing to clean";
    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "final"), 0);
    EXPECT_EQ(leftoverTempFiles(), 0);
    EXPECT_EQ(readDb(), big + "zutr.uninstallstring=final\n");
}

TEST_F(StoreTest, ALiveWritersTemporaryIsLeftAlone) {
    const std::string live = path("qvinstal.tmp.") + std::to_string(::getpid()) + ".aB3dE9";
    writeFile(live, "being written");
    const int held = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string dead = path("qvinstal.tmp.999999999.Zz9Yx8");
    writeFile(dead, "left by a crash");

    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "a"), 0);
    EXPECT_EQ(readFile(live), "being written");
    EXPECT_FALSE(exists(dead));

    ::close(held); // its writer is gone now
    EXPECT_EQ(AuQVDBInstallDelete(kZutr, kUninstallString), 0);
    EXPECT_FALSE(exists(live));
    EXPECT_EQ(leftoverTempFiles(), 0);
}

} // namespace
