// A database too large for the memory left: every call answers its failure
// status instead of ending the process, traces why, and leaves the database
// as it was, with no temporary file behind.
#include <jni.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "call_in_child.h"
#include "failing_allocations.h"
#include "fake_jni_env.h"
#include "store_fixture.h"
#include "vorbdb/vorbdb.h"

extern "C" JNIEXPORT jstring JNICALL
Java_vorbinst_tools_QVDBJIntf_AuQVDBInstallSelectString(JNIEnv*, jclass, jint, jstring);

namespace {

constexpr int kZutr = 15, kGalvey = 12, kUninstallString = 5;
constexpr std::uint64_t kHugeDatabase = 4ull << 30; // sparse: costs no disk
constexpr std::size_t kMemoryLeft = std::size_t{1} << 30;

struct HugeCase {
    const char* name;
    std::function<int()> call;
    int failure;
};

void PrintTo(const HugeCase& c, std::ostream* out) {
    *out << c.name;
}

class HugeDatabase : public StoreTest, public ::testing::WithParamInterface<HugeCase> {
protected:
    // The database's first line, then zeros up to 4 GiB.
    void makeHuge() {
        writeDb(lines({"zutr.uninstallstring=a"}));
        ASSERT_EQ(::truncate(dbPath().c_str(), static_cast<off_t>(kHugeDatabase)), 0);
        ASSERT_EQ(::lstat(dbPath().c_str(), &before_), 0);
    }
    // The same file, never written since: same inode, size and times.
    void expectUntouched() const {
        struct stat after {};
        ASSERT_EQ(::lstat(dbPath().c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before_.st_ino) << "the database was replaced";
        EXPECT_EQ(after.st_size, before_.st_size);
        EXPECT_EQ(after.st_mtim.tv_sec, before_.st_mtim.tv_sec);
        EXPECT_EQ(after.st_mtim.tv_nsec, before_.st_mtim.tv_nsec) << "the database was written";
        EXPECT_EQ(after.st_ctim.tv_nsec, before_.st_ctim.tv_nsec) << "the database was changed";
        EXPECT_EQ(leftoverTempFiles(), 0);
    }
    std::string trace() const { return readFile(path("qvdbg.db")); }

    struct stat before_ {};
};

TEST_P(HugeDatabase, AnswersTheFailureStatusAndTracesWhy) {
    const HugeCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(makeHuge());
    kortest::CallInChild call([&] {
        kortest::FailingAllocations exhausted(kMemoryLeft);
        return c.call();
    });
    EXPECT_EQ(call.result(std::chrono::seconds(30)), std::optional<int>(c.failure))
        << "the call did not return";
    expectUntouched();
    EXPECT_NE(trace().find(" failed: std::bad_alloc"), std::string::npos) << trace();
}

INSTANTIATE_TEST_SUITE_P(
    Store, HugeDatabase,
    ::testing::Values(
        HugeCase{"select",
                 [] {
                     char* value = nullptr;
                     int length = 7;
                     const int rc = AuQVDBInstallSelect(kZutr, kUninstallString, &value, &length);
                     return rc == -1 && (value != nullptr || length != 0) ? -2 : rc;
                 },
                 -1},
        HugeCase{"selectString",
                 [] {
                     char* value = nullptr;
                     int length = 0;
                     return AuQVDBInstallSelectString(kZutr, "installpath", &value, &length);
                 },
                 -1},
        HugeCase{"update", [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "b"); }, -1},
        HugeCase{"updateString", [] { return AuQVDBInstallUpdateString(kZutr, "x", "y"); }, -1},
        HugeCase{"delete", [] { return AuQVDBInstallDelete(kZutr, kUninstallString); }, -1},
        HugeCase{"deleteAll", [] { return AuQVDBInstallDeleteAll(kZutr); }, -1},
        HugeCase{"updateLink", [] { return AuQVDBUpdateLink(kZutr, kGalvey); }, -1},
        HugeCase{"selectLink", [] { return AuQVDBSelectLink(kZutr, kGalvey); }, 0},
        HugeCase{"component",
                 [] { return AuQVDBInstallUpdateComponent(kZutr, "n", "", "", "", "", "", ""); },
                 -1}),
    [](const auto& info) { return std::string(info.param.name); });

// A value that fits in memory as read, but not once made a Java string: the
// native answers null and releases what it took.
TEST_F(StoreTest, NativeAnswersNullWhenItsStringCannotBeMade) {
    const std::string value(6u << 20, 'v');
    writeDb(lines({"zutr.installpath=" + value}));
    kortest::CallInChild call([&] {
        kortest::FailingAllocations exhausted(8u << 20);
        FakeJni jni;
        const jstring text = Java_vorbinst_tools_QVDBJIntf_AuQVDBInstallSelectString(
            jni.env(), nullptr, kZutr, jni.string("installpath"));
        return text == nullptr && jni.unreleasedChars() == 0 ? 1 : 0;
    });
    EXPECT_EQ(call.result(std::chrono::seconds(30)), std::optional<int>(1))
        << "the native did not return null (or did not return)";
    EXPECT_NE(readFile(path("qvdbg.db")).find(" failed: std::bad_alloc"), std::string::npos);
    EXPECT_EQ(readDb(), lines({"zutr.installpath=" + value}));
}

} // namespace
