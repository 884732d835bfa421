// A reader holding the database blocks the replace for a while; one holding
// it exclusively blocks the read. Either way the database stays as it was.
// A system that refuses to write a move through (Windows NT 4.0) still gets
// the database replaced.
// Temporaries that dead writers left are removed by the next rewrite.
#include <windows.h>

#include <string>
#include <vector>

#include "os_move_windows.h"
#include "store_fixture.h"
#include "vorbdb/vorbdb.h"

namespace {

constexpr int kZutr = 15, kUninstallString = 5;

class HeldFile {
public:
    HeldFile(const std::string& path, DWORD share)
        : h_(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldFile() {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool held() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

TEST_F(StoreTest, ReplaceBlockedByAReaderIsTried20TimesThenReported) {
    const std::string before = lines({"zutr.uninstallstring=a"});
    writeDb(before);
    {
        HeldFile reader(dbPath(), FILE_SHARE_READ);
        ASSERT_TRUE(reader.held());
        EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "b"), -1);
        EXPECT_EQ(sleeps, 19);
        EXPECT_EQ(readDb(), before);
        EXPECT_EQ(leftoverTempFiles(), 0);
    }
    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "b"), 0);
    EXPECT_EQ(readDb(), lines({"zutr.uninstallstring=b"}));
}

TEST_F(StoreTest, DatabaseHeldExclusivelyIsNotTakenForAnEmptyOne) {
    const std::string before = lines({"zutr.uninstallstring=a"});
    writeDb(before);
    HeldFile holder(dbPath(), 0);
    ASSERT_TRUE(holder.held());
    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, 8, "1.0"), -1);
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(AuQVDBInstallUpdateComponent(kZutr, "a", "", "", "", "", "", ""), -1);
    EXPECT_EQ(leftoverTempFiles(), 0);
}

// The move call of a system that refuses the write-through flag with
// `refusal`, recording the flags of every call.
struct RefusingMove {
    static DWORD refusal;
    static std::vector<DWORD> calls;
    static BOOL WINAPI move(LPCSTR from, LPCSTR to, DWORD flags) {
        calls.push_back(flags);
        if (flags & MOVEFILE_WRITE_THROUGH) {
            SetLastError(refusal);
            return FALSE;
        }
        return MoveFileExA(from, to, flags);
    }
};
DWORD RefusingMove::refusal = 0;
std::vector<DWORD> RefusingMove::calls;

class WriteThroughRefused : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        RefusingMove::calls.clear();
        vorbdb::os::setMoveFileCall(RefusingMove::move);
    }
    void TearDown() override {
        vorbdb::os::setMoveFileCall(nullptr);
        StoreTest::TearDown();
    }
};

TEST_F(WriteThroughRefused, AsWindowsNT4DoesTheMoveIsMadeWithoutIt) {
    RefusingMove::refusal = ERROR_INVALID_PARAMETER;
    writeDb(lines({"zutr.uninstallstring=a"}));
    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "b"), 0);
    EXPECT_EQ(readDb(), lines({"zutr.uninstallstring=b"}));
    EXPECT_EQ(leftoverTempFiles(), 0);
    EXPECT_EQ(sleeps, 0);
    const std::vector<DWORD> expected = {MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH,
                                         MOVEFILE_REPLACE_EXISTING};
    EXPECT_EQ(RefusingMove::calls, expected);
}

TEST_F(WriteThroughRefused, ForAnotherReasonTheMoveFailsAsBefore) {
    RefusingMove::refusal = ERROR_ACCESS_DENIED;
    const std::string before = lines({"zutr.uninstallstring=a"});
    writeDb(before);
    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "b"), -1);
    EXPECT_EQ(readDb(), before);
    EXPECT_EQ(leftoverTempFiles(), 0);
    // Every attempt asked for write-through and nothing else.
    EXPECT_EQ(RefusingMove::calls,
              std::vector<DWORD>(20, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

TEST_F(StoreTest, OnlyTemporariesOfWritersThatAreGoneAreRemoved) {
    const DWORD gone = 0x7FFFFFF0;
    ASSERT_EQ(OpenProcess(SYNCHRONIZE, FALSE, gone), nullptr) << "a process id nobody has";
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const std::string dead = path("qvinstal.tmp.") + std::to_string(gone) + ".7.0";
    const std::string live = path("qvinstal.tmp.") + std::to_string(GetCurrentProcessId()) + ".7.0";
    const std::string others[] = {path("qvinstal.tmp.2147483632.7"),
                                  path("qvinstal.tmp.2147483632.x.0"),
                                  path("qvinstal.tmp.2147483632..0"),
                                  path("qvinstal.tmp2147483632.7.0"), path("qvinstal.tmp")};
    writeFile(dead, "left by a crash");
    writeFile(live, "being written");
    for (const std::string& other : others)
        writeFile(other, "not a temporary of ours");

    EXPECT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "a"), 0);
    EXPECT_FALSE(exists(dead));
    EXPECT_EQ(readFile(live), "being written");
    for (const std::string& other : others)
        EXPECT_TRUE(exists(other)) << other;
}

} // namespace
