// The table filled from a process source of the test's own making: this
// binary links it in place of the performance data.
#include "process_source.h"
#include "process_table.h"
#include "terminate_task.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

namespace {
std::vector<haltrix::ListedProcess> g_processes;
bool g_listingWorks = true;
std::size_t g_askedLimit = 0;
} // namespace

bool haltrix::listProcesses(std::vector<ListedProcess>& out, std::size_t limit) {
    g_askedLimit = limit;
    out.clear();
    if (!g_listingWorks)
        return false;
    for (std::size_t i = 0; i < g_processes.size() && i < limit; ++i)
        out.push_back(g_processes[i]);
    return true;
}

namespace {

using haltrix::ProcessEntry;

class ProcessTable : public ::testing::Test {
protected:
    void SetUp() override {
        g_processes.clear();
        g_listingWorks = true;
        table.assign(haltrix::kTableCapacity, ProcessEntry{});
    }
    std::size_t collect() { return haltrix::CollectProcessList(table.data(), table.size()); }
    std::vector<ProcessEntry> table;
};

TEST_F(ProcessTable, NamesGetTheExtensionAndZeroIdsAreMarked) {
    g_processes = {{u"notepad", 1234}, {u"Idle", 0}, {u"a.b", 7}};
    ASSERT_EQ(collect(), 3u);
    EXPECT_STREQ(table[0].name, "notepad.exe");
    EXPECT_EQ(table[0].processId, 1234u);
    EXPECT_EQ(table[1].processId, haltrix::kNoProcessId);
    EXPECT_STREQ(table[2].name, "a.b.exe");
    EXPECT_EQ(table[0].window, 0u);
}

TEST_F(ProcessTable, NameLengthLimits) {
    g_processes = {{std::u16string(255, u'n'), 1},  // 255 + ".exe" + NUL fits
                   {std::u16string(256, u'n'), 2},  // converts, but not with ".exe"
                   {std::u16string(260, u'n'), 3}}; // does not convert into 260 bytes
    ASSERT_EQ(collect(), 3u);
    EXPECT_EQ(std::strlen(table[0].name), 259u);
    EXPECT_STREQ(table[1].name, "");
    EXPECT_STREQ(table[2].name, "unknown");
}

TEST_F(ProcessTable, FillsAtMostCapacityMinusOne) {
    for (uint32_t i = 0; i < 300; ++i)
        g_processes.push_back({u"p", i + 1});
    EXPECT_EQ(collect(), 255u);
    EXPECT_EQ(g_askedLimit, 255u);
    EXPECT_EQ(table[254].processId, 255u);
    EXPECT_EQ(table[255].processId, 0u);
}

TEST_F(ProcessTable, FailedListingFillsNothing) {
    g_processes = {{u"notepad", 1234}};
    g_listingWorks = false;
    EXPECT_EQ(collect(), 0u);
}

TEST(TerminateTask, LeavesProtectedAndUnopenableProcessesAloneAsHandled) {
    ProcessEntry self{};
    self.processId = GetCurrentProcessId();
    haltrix::ProtectedProcesses ids = haltrix::currentProtectedProcesses();
    EXPECT_EQ(ids.self, GetCurrentProcessId());
    EXPECT_EQ(haltrix::TerminateTask(self, ids), 1); // and we are still here
    ProcessEntry parent{};
    parent.processId = 4242;
    EXPECT_EQ(haltrix::TerminateTask(parent, {1, 4242}), 1);
    ProcessEntry none{};
    none.processId = haltrix::kNoProcessId;
    EXPECT_EQ(haltrix::TerminateTask(none, ids), 1);
}

} // namespace
