// Stopping and deleting real services of the wine prefix in-process, with
// the waits counted instead of slept.
#include "child_process.h"
#include "service_control.h"
#include "sleeper.h"

#include <gtest/gtest.h>

namespace {

std::vector<unsigned long> g_sleeps;

void recordSleep(unsigned long ms) {
    g_sleeps.push_back(ms);
}

class ServiceControlTest : public testing::Test {
protected:
    void SetUp() override {
        g_sleeps.clear();
        previous = setSleepFunction(recordSleep);
        manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager, nullptr);
    }
    void TearDown() override {
        setSleepFunction(previous);
        for (SC_HANDLE service : services) {
            SERVICE_STATUS status;
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            DeleteService(service);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(manager);
    }
    // Registers and starts the test service; the handle stays with the test.
    SC_HANDLE start(const std::string& name, const std::string& arguments = "") {
        std::string binary = "\"" + wintest::binDir() + "\\kor_test_service.exe\" " + arguments;
        SC_HANDLE service =
            CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                           binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(service, nullptr) << name;
        if (!service)
            return nullptr;
        services.push_back(service);
        EXPECT_TRUE(StartServiceA(service, 0, nullptr));
        for (int i = 0; i < 100 && state(service) != SERVICE_RUNNING; ++i)
            Sleep(50);
        EXPECT_EQ(state(service), static_cast<DWORD>(SERVICE_RUNNING));
        return service;
    }
    static DWORD state(SC_HANDLE service) {
        SERVICE_STATUS status{};
        return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
    }
    static std::string name(const char* suffix) {
        return "korsc" + std::to_string(GetCurrentProcessId()) + suffix;
    }

    SleepFunction previous = nullptr;
    SC_HANDLE manager = nullptr;
    std::vector<SC_HANDLE> services;
};

TEST_F(ServiceControlTest, StopsARunningServiceAndAcceptsAStoppedOne) {
    SC_HANDLE service = start(name("run"));
    EXPECT_EQ(StopService(name("run"), "desc"), 1);
    EXPECT_EQ(state(service), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_LE(g_sleeps.size(), 15u);
    g_sleeps.clear();
    EXPECT_EQ(StopService(name("run"), ""), 1); // already stopped
    EXPECT_TRUE(g_sleeps.empty());
    EXPECT_EQ(StopService(name("none"), ""), 0);
}

TEST_F(ServiceControlTest, GivesUpOnAServiceStillStopPendingAfter120Polls) {
    SC_HANDLE service = start(name("slow"), "slow");
    EXPECT_EQ(StopService(name("slow"), ""), 0);
    EXPECT_EQ(state(service), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(g_sleeps, std::vector<unsigned long>(120, 1000));
}

TEST_F(ServiceControlTest, RemovesRunningAndAlreadyMarkedServices) {
    SC_HANDLE service = start(name("del"));
    EXPECT_EQ(RemoveService(name("del"), ""), 1);
    EXPECT_EQ(state(service), static_cast<DWORD>(SERVICE_RUNNING)); // not stopped first
    EXPECT_FALSE(DeleteService(service));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
    EXPECT_EQ(RemoveService(name("del"), ""), 1);
    EXPECT_EQ(RemoveService(name("none"), ""), 0);
}

} // namespace
