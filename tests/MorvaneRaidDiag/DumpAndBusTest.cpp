// The controller's diagnostic dump into a file, the dump log test, and the
// SCSI channel list and bus reset.
#include "DeviceTestsFixture.h"
#include "DumpLogTest.h"
#include "FsaApi.h"
#include "FsaMaintenance.h"
#include "RunRaidTest.h"
#include "recording_calls.h"
#include "replaced_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using raidtest::runRaidTest;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::MorvaneRaidDiag::BusInfo;
using VarnDiags::MorvaneRaidDiag::DumpLogTest;

class ControllerDump : public raidtest::DiskControllerTest {
protected:
    // The whole text dump, read through a handle of the test's own.
    std::string dumpText() {
        void* h = open("qor0", FSA_ACC_READ_ONLY);
        std::string text;
        int all = -1;
        EXPECT_EQ(
            FsaDiagnostic(
                h, 0, &all,
                [](const char* piece, void* user) { *static_cast<std::string*>(user) += piece; },
                &text),
            FSA_STS_SUCCESS);
        FsaCloseAdapter(h);
        return text;
    }
};

TEST_F(ControllerDump, TheDumpLandsInTheFileWhole) {
    const std::string expected = dumpText();
    ASSERT_FALSE(expected.empty());
    {
        std::ofstream old(DumpLogTest::FILE_NAME);
        old << std::string(100000, 'x'); // longer than the dump: replaced, not overwritten
    }
    const auto out = runRaidTest<DumpLogTest>(ctrl.get());
    EXPECT_EQ(out.code, 0u);
    EXPECT_EQ(out.lines, (std::vector<std::string>{
                             "DumpLogTest::DumpLogTest()", "MorvaneRaidDiag::DumpLogTest::run()",
                             "MorvaneRaidDiag::DumpLogTest::pResult: PASSED "
                             "TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT"}));
    EXPECT_EQ(fileText(DumpLogTest::FILE_NAME), expected);
    struct stat st;
    ASSERT_EQ(::stat(DumpLogTest::FILE_NAME, &st), 0);
    EXPECT_EQ(st.st_mode & 0777 & ~0664, 0u);
}

TEST_F(ControllerDump, ALinkInTheFilesPlaceIsReplacedNotFollowed) {
    {
        std::ofstream victim("victim");
        victim << "keep";
    }
    ASSERT_EQ(::symlink("victim", DumpLogTest::FILE_NAME), 0);
    EXPECT_TRUE(ctrl->dumpDiagnosticLog(DumpLogTest::FILE_NAME));
    EXPECT_EQ(fileText("victim"), "keep");
    struct stat st;
    ASSERT_EQ(::lstat(DumpLogTest::FILE_NAME, &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(ControllerDump, Failures) {
    const std::string failed = "MorvaneRaidDiag::DumpLogTest::pResult: UNUSUAL_STATUS "
                               "TEST_DUMP_LOG_FUNCTION_FAILED ERROR_EVENT";
    // A directory in the file's place: no file can be made, no temporary
    // file is left behind.
    ASSERT_EQ(::mkdir(DumpLogTest::FILE_NAME, 0755), 0);
    auto out = runRaidTest<DumpLogTest>(ctrl.get());
    EXPECT_EQ(out.code, 15u);
    EXPECT_EQ(out.type, DiagnosticEvent::ERROR_EVENT);
    EXPECT_EQ(out.lines.back(), failed);
    ASSERT_EQ(::rmdir(DumpLogTest::FILE_NAME), 0);
    EXPECT_EQ(std::system("test -z \"$(ls | grep DumpLogTest.log.)\""), 0);

    // The library refuses the dump (the device holds no adapter handle).
    ctrl->close();
    out = runRaidTest<DumpLogTest>(ctrl.get());
    EXPECT_EQ(out.code, 15u);
    EXPECT_EQ(out.lines.back(), failed);
}

TEST_F(ControllerDump, TheDumpIsOnTheDiskWholeBeforeItTakesTheFilesPlace) {
    const std::string expected = dumpText();
    ASSERT_FALSE(expected.empty());
    std::ofstream(DumpLogTest::FILE_NAME) << "old";
    kortest::RecordingCalls calls;
    {
        const kortest::ScopedFileCalls installed(calls);
        ASSERT_TRUE(ctrl->dumpDiagnosticLog(DumpLogTest::FILE_NAME));
    }
    EXPECT_EQ(calls.syncedContent, expected) << "the dump was not synced whole";
    const auto at = [&](const char* call) {
        return std::find(calls.log.begin(), calls.log.end(), call) - calls.log.begin();
    };
    EXPECT_LT(at("fsync file"), at("rename")) << "synced after it replaced the file";
    EXPECT_LT(at("rename"), at("fsync directory")) << "the directory was not synced after";
    EXPECT_EQ(fileText(DumpLogTest::FILE_NAME), expected);
}

TEST_F(ControllerDump, AFailedOrDeadWriterLeavesTheOldFileAndNoTemporary) {
    const std::string expected = dumpText();
    std::ofstream(DumpLogTest::FILE_NAME) << "old";
    // The call runs in a forked child, which shares none of this process's
    // adapter handles: it opens the controller itself (read-only, as this
    // process holds it read-write), without an event thread, which the copy
    // of a threaded process had better not start.
    EXPECT_EQ(kortest::callWithFileSizeLimit(
                  expected.size() / 2,
                  [&] {
                      FsaInitCreateThread(1);
                      VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl own("qor0");
                      if (own.open(VarnDiags::DeviceEnum::IDevice::OPEN_READ) != 0)
                          return -1;
                      return own.dumpDiagnosticLog(DumpLogTest::FILE_NAME) ? 1 : 0;
                  }),
              0);
    EXPECT_EQ(fileText(DumpLogTest::FILE_NAME), "old");
    EXPECT_EQ(kortest::temporariesOf(DumpLogTest::FILE_NAME), std::set<std::string>{});

    ASSERT_NO_FATAL_FAILURE(kortest::leaveDeadWritersTemporary(DumpLogTest::FILE_NAME));
    ASSERT_TRUE(ctrl->dumpDiagnosticLog(DumpLogTest::FILE_NAME));
    EXPECT_EQ(fileText(DumpLogTest::FILE_NAME), expected);
    EXPECT_EQ(kortest::temporariesOf(DumpLogTest::FILE_NAME), std::set<std::string>{})
        << "a dead writer's temporary stayed";
}

using Buses = raidtest::DiskControllerTest;

TEST_F(Buses, OneEntryPerChannel) {
    const auto buses = ctrl->getBusInfoVector();
    ASSERT_EQ(buses.size(), 2u);
    for (const BusInfo& b : buses) {
        EXPECT_EQ(b.highestTarget, 15u);
    }
    VarnDiags::MorvaneRaidDiag::BusInfoVector collected;
    VarnDiags::MorvaneRaidDiag::ChannelEnumCallback(0, nullptr, &collected);
    EXPECT_TRUE(collected.empty());
}

TEST_F(Buses, Reset) {
    EXPECT_TRUE(ctrl->resetBus(1));
    EXPECT_EQ(countOf(scsiOperations(), 22), 1u);
    EXPECT_FALSE(ctrl->resetBus(7)); // no such bus
    ctrl->close();
    ASSERT_EQ(ctrl->open(VarnDiags::DeviceEnum::IDevice::OPEN_QUERY), 0);
    EXPECT_FALSE(ctrl->resetBus(1)); // needs read-write access
}

} // namespace
