#include "RaidFixture.h"

#include "HostDapi2/Sleeper.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unistd.h>

namespace raidtest {

namespace {

std::mutex g_mutex;
std::vector<unsigned int> g_sleeps;
std::function<void(unsigned int)> g_hook;

void recordSleep(unsigned int seconds) {
    std::function<void(unsigned int)> hook;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hook = g_hook;
    }
    if (hook)
        hook(seconds);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sleeps.push_back(seconds);
}

} // namespace

void RaidTest::SetUp() {
    SimTest::SetUp();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_sleeps.clear();
        g_hook = nullptr;
    }
    VarnDiags::HostDapi2::setSleeper(&recordSleep);
    char cwd[PATH_MAX] = {};
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    m_oldDir = cwd;
    char dir[] = "/tmp/raiddiag.XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    m_dir = dir;
    ASSERT_EQ(::chdir(dir), 0);
    ::unsetenv("DIAGLOG");
}

void RaidTest::TearDown() {
    ::unsetenv("DIAGLOG");
    VarnDiags::HostDapi2::setSleeper(nullptr);
    EXPECT_EQ(::chdir(m_oldDir.c_str()), 0);
    EXPECT_EQ(sim.openNodeCount(), 0u) << "an adapter was left open";
    SimTest::TearDown();
}

std::vector<unsigned int> RaidTest::sleeps() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_sleeps;
}

void RaidTest::onSleep(std::function<void(unsigned int)> hook) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_hook = std::move(hook);
}

std::vector<int> RaidTest::ctCommands() const {
    std::vector<int> commands;
    for (const auto& e : sim.journal())
        if (e.ctCommand >= 0)
            commands.push_back(e.ctCommand);
    return commands;
}

std::string RaidTest::fileText(const std::string& name) {
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace raidtest
