// The sandbox runner must keep every write to /etc, /tmp and /run private and
// give the card's address on a loopback that no packet leaves.
#include "process_runner.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

// Started without a shell, so that the runner's own path may hold anything.
int runInSandbox(const std::vector<std::string>& args) {
    const TempDirectory output("kor-sandbox-test");
    const ProcessResult result = runProcess(KOR_SANDBOX, args, {}, output.path().string());
    std::cerr << result.err;
    return result.exitCode;
}

std::string uniqueName(const char* dir) {
    return std::string(dir) + "/kor-sandbox-probe-" + std::to_string(getpid());
}

TEST(Sandbox, WritesToSystemDirectoriesStayPrivate) {
    for (const char* dir : {"/etc", "/tmp", "/run"}) {
        const std::string probe = uniqueName(dir);
        ASSERT_EQ(0, runInSandbox({"--", "sh", "-c", "echo x > " + probe + " && test -s " + probe}))
            << dir;
        EXPECT_NE(0, access(probe.c_str(), F_OK)) << probe << " leaked out of the sandbox";
    }
}

TEST(Sandbox, RunStartsEmptyAndMachineFilesStayVisible) {
    EXPECT_EQ(0, runInSandbox({"--", "sh", "-c", "test -z \"$(ls -A /run)\""}));
    EXPECT_EQ(0, runInSandbox({"--", "test", "-f", "/etc/passwd"}));
}

TEST(Sandbox, LoopbackCarriesCardAndExtraAddressesOnly) {
    const std::string check = "ip -4 -o addr show dev lo | grep -qF \" 192.168.234.236/32 \" && "
                              "ip -4 -o addr show dev lo | grep -qF \" 10.11.12.13/32 \" && "
                              "test \"$(ip -o link show | wc -l)\" = 1";
    EXPECT_EQ(0, runInSandbox({"--addr", "10.11.12.13", "--", "sh", "-c", check}));
}

TEST(Sandbox, ExitCodeOfCommandIsReturned) {
    EXPECT_EQ(7, runInSandbox({"--", "sh", "-c", "exit 7"}));
}

} // namespace
