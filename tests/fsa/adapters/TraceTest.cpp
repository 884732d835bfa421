#include "Trace.h"
#include "FsaApi.h"
#include "FsaMessages.h"
#include "TraceText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> lines(const char* path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unlink("/tmp/dbg.api");
        FsaUxDbgFileSetName("/tmp/dbg.api");
        FsaUxDbgFileClrModule(0xFFFFFFFF, 0xFFFFFFFF);
        FsaUxDbgFileSetLevel(0);
    }
    void TearDown() override { FsaUxDbgFileSetLevel(0); }
};

TEST_F(TraceTest, LinesAreFilteredByLevelAndModule) {
    FsaUxDbgFilePrintf(FSA_DBG_FIB, 1, "off %d\n", 1);
    EXPECT_EQ(::access("/tmp/dbg.api", F_OK), -1); // level 0 touches no file
    FsaUxDbgFileSetLevel(2);
    FsaUxDbgFileSetAdapter();
    FsaUxDbgFilePrintf(FSA_DBG_FIB, 2, "kept %d\n", 7);
    FsaUxDbgFilePrintf(FSA_DBG_FIB, 3, "too detailed\n");
    FsaUxDbgFilePrintf(FSA_DBG_SIGNAL, 1, "module not chosen\n");
    FsaUxDbgFilePrintf(FSA_DBG_MISSED, 1, "%s%s", "src/dir/file.cpp", "fn");
    FsaUxDbgFileSetOther();
    FsaUxDbgFilePrintf(FSA_DBG_MISSED, 1, "%s%s", "src/dir/file.cpp", "fn");
    FsaUxDbgFilePrintf(FSA_DBG_LATER, 1, "%s%s", "file.cpp", "later");
    const auto got = lines("/tmp/dbg.api");
    ASSERT_EQ(got.size(), 3u);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%5d ", static_cast<int>(::getpid()));
    EXPECT_EQ(got[0].rfind(prefix, 0), 0u);
    EXPECT_NE(got[0].find(" FIB   kept 7"), std::string::npos);
    EXPECT_NE(got[1].find(" MISSE -- file.cpp: fn() is missing"), std::string::npos);
    EXPECT_NE(got[2].find(" LATER -- file.cpp: later() is put off"), std::string::npos);
}

TEST_F(TraceTest, CommandLineSwitches) {
    const struct {
        const char* arg;
        int result;
    } cases[] = {{"-l3", 1},   {"-L6", 0},       {"-L", 0}, {"-Lx", 0},
                 {"-mall", 1}, {"-Mnothing", 0}, {"-x", 0}, {"", 0}};
    for (const auto& c : cases) {
        std::string arg = c.arg;
        EXPECT_EQ(FsaUxParseCmdLineArg(arg.data()), c.result) << c.arg;
    }
    EXPECT_TRUE(FsaUxDbgFileTstModule(0, 0x8000)); // TERM came with -MALL
    std::string file = "-F/tmp/MiXed.API";
    EXPECT_EQ(FsaUxParseCmdLineArg(file.data()), 1);
    EXPECT_STREQ(FsaUxDbgFileGetName(), "/tmp/mixed.api");
    const char original[] = "/tmp/Keep.Case";
    FsaUxDbgFileSetName(original);
    EXPECT_STREQ(original, "/tmp/Keep.Case"); // the caller's text is left alone
    EXPECT_STREQ(FsaUxDbgFileGetName(), "/tmp/keep.case");
}

TEST_F(TraceTest, FileInUseAndEmptying) {
    EXPECT_EQ(FsaUxDbgFileInUse(), FSA_STS_FAILURE);
    FsaUxDbgFileSetLevel(1);
    FsaUxDbgFileSetAll();
    FsaUxDbgFilePrintf(FSA_DBG_TEXT, 1, "something\n");
    EXPECT_EQ(FsaUxDbgFileInUse(), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaUxDbgFileOpenEmptyClose(), FSA_STS_SUCCESS);
    EXPECT_TRUE(lines("/tmp/dbg.api").empty());
}

TEST_F(TraceTest, UnopenableFileFillsTheDebugFileSlot) {
    FsaUxDbgFileSetLevel(1);
    ::mkdir("/tmp/notafile", 0755);
    FsaUxDbgFileSetName("/tmp/notafile");
    EXPECT_EQ(FsaUxDbgFileInUse(), FSA_STS_UX_DEBUG_FILE);
    char text[FSA_ERROR_TEXT_SIZE];
    FsaGetErrorTextA(FSA_STS_UX_DEBUG_FILE, text);
    char expected[128];
    std::snprintf(expected, sizeof expected, "Failed to open debug file, %3d=%.30s.", EISDIR,
                  std::strerror(EISDIR));
    EXPECT_STREQ(text, std::string(expected)
                           .substr(0, std::strlen("Failed to open debug file, "
                                                  "nnn=ssssssssssssssssssssssssssssss."))
                           .c_str());
    ::symlink("/tmp/elsewhere.api", "/tmp/link.api");
    FsaUxDbgFileSetName("/tmp/link.api");
    EXPECT_EQ(FsaUxDbgFileInUse(), FSA_STS_UX_DEBUG_FILE);
    EXPECT_EQ(::access("/tmp/elsewhere.api", F_OK), -1);
}

TEST(TraceText, EnumerationTexts) {
    EXPECT_STREQ(fauxAscii_FSA_FIBCommand(106), "unknown FIB_COMMAND");
    EXPECT_STREQ(fauxAscii_FSA_FIBCommand(126), "SetInterruptDefTimer");
    EXPECT_STREQ(fauxAscii_FSA_FIBCommand(704), "IsAdapterPaused");
    EXPECT_STREQ(fauxAscii_FSA_Access(9), "FSA_RZC_LL_CLUSTER_MANAGER");
    EXPECT_EQ(std::strlen(fauxAscii_FSA_Access(9)), 26u);
    EXPECT_STREQ(fauxAscii_FSA_Access(10), "unknown");
    EXPECT_STREQ(fauxAscii_FSA_Avail(2), "FSA_AVL_READ_ONLY");
    EXPECT_STREQ(fauxAscii_FSA_Usage(15), "unknown");
    EXPECT_STREQ(fauxAscii_FSA_Usage(16), "FSA_CU_UX_UNMAPPED");
    EXPECT_STREQ(fauxAscii_FSA_FIBStructType(3), "TCtPerf");
    EXPECT_STREQ(fauxAscii_OS_Cmd(6), "F_SETLK");
    EXPECT_STREQ(fauxAscii_OS_Type(2), "F_UNLCK");
    EXPECT_STREQ(fauxAscii_OS_Whence(2), "SEEK_END");

    _FIB fib{};
    fib.StructType = 1;
    fib.Command = 500;
    fib.Size = 464;
    std::uint32_t command = 175;
    std::memcpy(fib.data + 4, &command, 4);
    EXPECT_STREQ(fauxAscii_FSA_TFibCommand(&fib), "[unknown CTCOMMAND:175]");
    command = 0;
    std::memcpy(fib.data + 4, &command, 4);
    EXPECT_STREQ(fauxAscii_FSA_TFibCommand(&fib), "Null");
    command = 183;
    std::memcpy(fib.data + 4, &command, 4);
    EXPECT_STREQ(fauxAscii_FSA_TFibCommand(&fib), "LAST_COMMAND");
    fib.Size = 12;
    std::uint32_t kind = 1;
    std::memcpy(fib.data, &kind, 4);
    EXPECT_STREQ(fauxAscii_FSA_TFibCommand(&fib), "VM_NameServe");
    fib.Size = 20;
    EXPECT_STREQ(fauxAscii_FSA_TFibCommand(&fib), "[unknown TFib, Header.Size:20]");
    fib.Command = 700;
    EXPECT_STREQ(fauxAscii_FSA_TFibCommand(&fib), "");

    char mode[64];
    EXPECT_STREQ(fauxAscii_OS_mode(mode, 0100644), " 0x000081a4 --- -- rw-r--r--");
    EXPECT_STREQ(fauxAscii_OS_mode(mode, 0041777), " 0x000043ff t-- -d rwxrwxrwx");
}

} // namespace
