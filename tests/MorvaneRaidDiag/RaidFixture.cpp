#include "RaidFixture.h"

#include "HostDapi2/Sleeper.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace raidtest {

namespace {

std::mutex g_mutex;
std::vector<unsigned int> g_sleeps;
qorsim::Simulator* g_sim = nullptr;
std::function<void()> g_atNextSleep;

// Waits (bounded) until no adapter event is queued and every open adapter's
// receive thread is back in its wait, that is, done with the last event.
void letEventsArrive() {
    for (int i = 0; i < 2000; ++i) {
        if (g_sim->pendingEvents() == 0 &&
            g_sim->blockedWaiters() >= static_cast<int>(g_sim->openNodeCount()))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void recordSleep(unsigned int seconds) {
    letEventsArrive();
    std::function<void()> action;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_sleeps.push_back(seconds);
        action.swap(g_atNextSleep);
    }
    if (action)
        action();
}

} // namespace

void RaidTest::SetUp() {
    SimTest::SetUp();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_sleeps.clear();
        g_atNextSleep = nullptr;
    }
    g_sim = &sim;
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

void RaidTest::atNextSleep(std::function<void()> action) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_atNextSleep = std::move(action);
}

std::vector<int> RaidTest::sent(int qorsim::JournalEntry::*field) const {
    std::vector<int> values;
    for (const auto& e : sim.journal())
        if (e.*field >= 0)
            values.push_back(e.*field);
    return values;
}

std::string RaidTest::fileText(const std::string& name) {
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace raidtest
