// The real Sweepix.exe run silently under wine: terminating processes through
// the terminator, running uninstallers, stopping and deleting services.
#include "child_process.h"
#include "file_fixture.h"
#include "sweepix_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using testing::Contains;
using wintest::Child;

std::string tag() {
    return wintest::uniqueLetters("kp");
}

TEST(SweepixProgram, KillsProcessesAndRunsUninstallers) {
    SweepixRun sweepix;
    const std::string d = sweepix.dir();
    // Two sleepers under names of their own; only the first is listed.
    std::vector<std::unique_ptr<Child>> sleepers;
    for (const char* suffix : {"one", "two"}) {
        std::string exe = d + "\\" + tag() + suffix + ".exe";
        ASSERT_TRUE(
            CopyFileA((wintest::binDir() + "\\kor_sleeper.exe").c_str(), exe.c_str(), FALSE));
        sleepers.push_back(std::make_unique<Child>("\"" + exe + "\" 60"));
        ASSERT_TRUE(sleepers.back()->started());
    }
    // Files the program brings along are copied below the system drive for the run.
    CreateDirectoryA(sweepix.path("issfiles").c_str(), nullptr);
    writeFile(sweepix.path("issfiles\\marker.txt"), "iss");
    const std::string issFiles = systemDrive() + "\\temp\\issfiles";
    ASSERT_FALSE(exists(issFiles)) << "left over from an earlier run";

    const std::string uninstallKey = "Software\\" + tag() + "\\Uninstall";
    setRegString(HKEY_CURRENT_USER, uninstallKey, "Cmd", "cmd /c echo reg>");
    const std::string ctorLine = "cmd /c echo x> " + d + "\\ctor.txt & rem \\Ctor.DLL";
    sweepix.writeIni("[PROCESSES_TO_KILL]\n" + tag() + "one\n" +
                     "[UNINSTALL_APPS_TO_RUN]\ncmd /c echo ran> " + d + "\\ran.txt\n" + ctorLine +
                     "\n" + "cmd /c copy " + issFiles + "\\marker.txt " + d + "\\iss.txt\n" +
                     "[RUN_UNINSTALL_FROM_REGISTRY]\nHKEY_CURRENT_USER\\" + uninstallKey +
                     ":Cmd:" + d + "\\reg.txt\nHKEY_CURRENT_USER\\" + uninstallKey + ":Missing\n" +
                     "HKEY_CURRENT_USER\\" + uninstallKey + ":\n");
    long code = sweepix.runSilent();
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + tag()).c_str());

    EXPECT_EQ(code, 1); // a registry uninstaller ran
    EXPECT_EQ(sleepers[0]->waitExit(5000), 1) << "terminated by the terminator";
    EXPECT_TRUE(sleepers[1]->running());
    EXPECT_EQ(readFile(d + "\\ran.txt"), "ran\r\n");
    EXPECT_FALSE(exists(d + "\\ctor.txt"));
    EXPECT_EQ(readFile(d + "\\iss.txt"), "iss");
    EXPECT_FALSE(exists(issFiles)) << "created for the run, removed after it";
    EXPECT_EQ(readFile(d + "\\reg.txt"), "reg\r\n");

    auto lines = sweepix.logLines();
    const std::string entry = "HKEY_CURRENT_USER\\" + uninstallKey;
    for (const std::string& line :
         {tag() + "one", "cmd /c echo ran> " + d + "\\ran.txt",
          "Cannot run " + ctorLine + " because ctor.dll is not present on the system.",
          "cmd /c echo reg> " + d + "\\reg.txt",
          "Registry entry " + entry + ":Missing does not exist"})
        EXPECT_THAT(lines, Contains(line));
}

TEST(SweepixProgram, KeepsTheControllerDriverAcrossItsProductsUninstaller) {
    const std::string drivers = windowsDir() + "\\system32\\drivers\\";
    writeFile(drivers + "REDADE.RUR", "driver");
    // The product's uninstaller takes the driver with it.
    const std::string key = "Software\\" + tag() + "\\Varn KELV 2";
    setRegString(HKEY_CURRENT_USER, key, "UninstallString", "cmd /c del " + drivers + "REDADE.RUR");
    SweepixRun sweepix;
    sweepix.writeIni("[RUN_UNINSTALL_FROM_REGISTRY]\nHKEY_CURRENT_USER\\" + key +
                     ":UninstallString\n");
    EXPECT_EQ(sweepix.runSilent(), 1);
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + tag()).c_str());

    EXPECT_EQ(readFile(drivers + "REDADE.RUR"), "driver");
    EXPECT_FALSE(exists(drivers + "QORMGT.SY_"));
    auto lines = sweepix.logLines();
    auto saving = std::find(lines.begin(), lines.end(), "Saving copy of driver REDADE.RUR");
    ASSERT_NE(saving, lines.end());
    ASSERT_GE(lines.end() - saving, 3);
    EXPECT_EQ(saving[1], "cmd /c del " + drivers + "REDADE.RUR");
    EXPECT_EQ(saving[2], "Restoring saved REDADE.RUR");
    DeleteFileA((drivers + "REDADE.RUR").c_str());
}

TEST(SweepixProgram, AnUninstallerThatCannotStartIsReportedAndChangesNothing) {
    SweepixRun sweepix;
    const std::string key = "Software\\" + tag() + "\\Uninstall";
    const std::string missing = sweepix.path("no such uninstaller.exe");
    setRegString(HKEY_CURRENT_USER, key, "Cmd", "\"" + missing + "\"");
    sweepix.writeIni("[RUN_UNINSTALL_FROM_REGISTRY]\nHKEY_CURRENT_USER\\" + key + ":Cmd:/x\n");
    EXPECT_EQ(sweepix.runSilent(), 0);
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + tag()).c_str());

    auto lines = sweepix.logLines();
    const std::string commandLine = "\"" + missing + "\" /x";
    auto run = std::find(lines.begin(), lines.end(), commandLine);
    ASSERT_NE(run, lines.end());
    ASSERT_GE(lines.end() - run, 2);
    EXPECT_EQ(run[1], "Could not start " + commandLine + " (error 2).");
}

TEST(SweepixProgram, LeavesAnIssfilesDirectoryThatExistedBefore) {
    SweepixRun sweepix;
    const std::string issFiles = systemDrive() + "\\temp\\issfiles";
    CreateDirectoryA((systemDrive() + "\\temp").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA(issFiles.c_str(), nullptr));
    CreateDirectoryA(sweepix.path("issfiles").c_str(), nullptr);
    writeFile(sweepix.path("issfiles\\marker.txt"), "iss");
    sweepix.writeIni("");
    EXPECT_EQ(sweepix.runSilent(), 0);
    EXPECT_EQ(readFile(issFiles + "\\marker.txt"), "iss");
    DeleteFileA((issFiles + "\\marker.txt").c_str());
    RemoveDirectoryA(issFiles.c_str());
}

// A test service registered with the system's sc tool, running.
class TestService {
public:
    TestService(const std::string& name, const std::string& displayName) {
        std::string exe = wintest::binDir() + "\\kor_test_service.exe";
        std::string output;
        wintest::runCapture("sc create " + name + " binPath= \"" + exe + "\" DisplayName= \"" +
                                displayName + "\"",
                            output);
        wintest::runCapture("sc start " + name, output);
        manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        // Kept open, so that the service can be stopped after it was deleted.
        service_ = OpenServiceA(manager_, name.c_str(), SERVICE_ALL_ACCESS);
    }
    ~TestService() {
        SERVICE_STATUS status;
        if (service_) {
            ControlService(service_, SERVICE_CONTROL_STOP, &status);
            DeleteService(service_);
            CloseServiceHandle(service_);
        }
        if (manager_)
            CloseServiceHandle(manager_);
    }
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    DWORD state() const {
        SERVICE_STATUS status{};
        return QueryServiceStatus(service_, &status) ? status.dwCurrentState : 0;
    }
    // Deleted while this handle keeps it: a second delete says so.
    bool markedForDelete() const {
        return !DeleteService(service_) && GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
    }
    bool running() const {
        for (int i = 0; i < 100 && state() != SERVICE_RUNNING; ++i)
            Sleep(50);
        return state() == SERVICE_RUNNING;
    }

private:
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

TEST(SweepixProgram, StopsAndDeletesServices) {
    const std::string a = tag() + "a", b = tag() + "b";
    const std::string display = "Sweepix test service " + tag();
    TestService first(a, display), second(b, "Other " + tag());
    ASSERT_TRUE(first.running());
    ASSERT_TRUE(second.running());

    SweepixRun sweepix;
    sweepix.writeIni("[SINGLESERVICES_TO_STOP]\n" + display + ";found by display name\n" + tag() +
                     "none;no such service\n[DEPENDENTSERVICES_TO_STOP]\n" + a +
                     "\n[SERVICES_TO_DELETE]\n" + b + ";running\n" + tag() + "none\n");
    EXPECT_EQ(sweepix.runSilent(), 1);

    EXPECT_EQ(first.state(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(first.markedForDelete());
    EXPECT_TRUE(second.markedForDelete());
    auto lines = sweepix.logLines();
    for (const std::string& line :
         {display + " rc = 1", tag() + "none rc = 0", a + " rc = 1", b + " rc = 1"})
        EXPECT_THAT(lines, Contains(line));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), tag() + "none rc = 0"), 2);
}

} // namespace
