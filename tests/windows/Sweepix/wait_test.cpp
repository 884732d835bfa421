// The uninstallers' waits, counted by a sleeper of the probe's own: the
// installer engine's poll and the wait for the process count. The probe runs
// as a system outside the NT family, where wine lists processes through the
// Toolhelp functions. Runs in a prefix of its own, so that no other test's
// processes come and go meanwhile.
#include "child_process.h"
#include "file_fixture.h"
#include "sweepix_run.h"

#include <gtest/gtest.h>

namespace {

using wintest::Child;
using wintest::TempDir;

const char* const kProbe = "sweepix_wait_probe.exe";

class WaitTest : public testing::Test {
protected:
    void SetUp() override { wintest::setWineVersionFor(kProbe, "win98"); }
    void TearDown() override { wintest::setWineVersionFor(kProbe, ""); }

    std::string probe(const std::string& section) {
        std::string output;
        long code = wintest::runCapture("\"" + wintest::binDir() + "\\" + kProbe + "\" \"" + ini +
                                            "\" " + section + " " + dir.path().substr(0, 2) +
                                            " \"" + dir.path().substr(3) + "\"",
                                        output, 60000);
        EXPECT_EQ(code, 0) << output;
        return output.substr(0, output.find_first_of("\r\n"));
    }
    std::string copySleeper(const std::string& name) {
        std::string exe = dir.path() + "\\" + name;
        EXPECT_TRUE(
            CopyFileA((wintest::binDir() + "\\kor_sleeper.exe").c_str(), exe.c_str(), FALSE));
        return exe;
    }

    TempDir dir;
    std::string ini = dir.path() + "\\t.ini";
};

TEST_F(WaitTest, EnginePollsTenTimesWhileIkernelRuns) {
    std::string engine = dir.path();
    for (const char* part : {"\\INSTAL~1", "\\engine", "\\6", "\\INTEL3~1"}) {
        engine += part;
        CreateDirectoryA(engine.c_str(), nullptr);
    }
    writeFile(engine + "\\Ctor.dll", "");
    writeFile(ini, "[UNINSTALL_APPS_TO_RUN]\ncmd /c rem \\Ctor.dll\n");

    EXPECT_EQ(probe("[UNINSTALL_APPS_TO_RUN]"), "result=0 sleeps=0 ms=0");
    {
        Child engineProcess("\"" + copySleeper("Ikernel.exe") + "\" 60");
        ASSERT_TRUE(engineProcess.started());
        EXPECT_EQ(probe("[UNINSTALL_APPS_TO_RUN]"), "result=0 sleeps=10 ms=50000");
    }
    // On the NT family wine's performance data lists no processes: the
    // failed query ends the wait at once.
    wintest::setWineVersionFor(kProbe, "");
    Child engineProcess("\"" + dir.path() + "\\Ikernel.exe\" 60");
    EXPECT_EQ(probe("[UNINSTALL_APPS_TO_RUN]"), "result=0 sleeps=0 ms=0");
}

TEST_F(WaitTest, RegistryUninstallerWaitsForTheProcessCount) {
    const std::string key = "Software\\kortest_wait";
    const std::string sleeper = copySleeper("kor_wait_leftover.exe");
    setRegString(HKEY_CURRENT_USER, key, "Quick", "cmd /c rem");
    // The leftover inherits the probe's output pipe, which the test reads to
    // its end: it lives just long enough for the count after the run.
    setRegString(HKEY_CURRENT_USER, key, "Leaves", "cmd /c start \"\" /b \"" + sleeper + "\" 3");
    writeFile(ini, "[RUN_UNINSTALL_FROM_REGISTRY]\nHKEY_CURRENT_USER\\" + key + ":Quick\n");
    EXPECT_EQ(probe("[RUN_UNINSTALL_FROM_REGISTRY]"), "result=1 sleeps=0 ms=0");
    writeFile(ini, "[RUN_UNINSTALL_FROM_REGISTRY]\nHKEY_CURRENT_USER\\" + key + ":Leaves\n");
    EXPECT_EQ(probe("[RUN_UNINSTALL_FROM_REGISTRY]"), "result=1 sleeps=10 ms=100000");
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

} // namespace
