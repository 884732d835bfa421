// A FIFO at one of the library's fixed paths: every call returns at once with
// its failure status (or, for the trace files, goes on untraced), holds no
// lock afterwards, and the FIFO is left as it was.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "call_in_child.h"
#include "store_fixture.h"
#include "vorbdb/vorbdb.h"

namespace {

constexpr int kZutr = 15, kUninstallString = 5;
constexpr std::chrono::seconds kLimit(3);

int select() {
    char* value = nullptr;
    int length = 0;
    int rc = AuQVDBInstallSelect(kZutr, kUninstallString, &value, &length);
    AuQVDBFreeMemory(reinterpret_cast<void**>(&value));
    return rc;
}

int update() {
    return AuQVDBInstallUpdate(kZutr, kUninstallString, "b");
}

struct FifoCase {
    const char* name;
    const char* fifo;                   // the fixed path that holds a FIFO
    std::vector<const char*> flagFiles; // regular files made beside it
    std::function<int()> call;
    int expected;
};

class FifoAtFixedPath : public StoreTest, public ::testing::WithParamInterface<FifoCase> {};

TEST_P(FifoAtFixedPath, NeitherBlocksNorHoldsTheLock) {
    const FifoCase& c = GetParam();
    writeDb(lines({"zutr.uninstallstring=a"}));
    for (const char* flag : c.flagFiles)
        writeFile(path(flag), "");
    const std::string fifo = path(c.fifo);
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    kortest::CallInChild stuck(c.call);
    EXPECT_EQ(stuck.result(kLimit), std::optional<int>(c.expected)) << "the call did not return";
    struct stat st;
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";

    ASSERT_EQ(::unlink(fifo.c_str()), 0);
    if (std::string(c.fifo) == "qvinstal.db")
        writeDb(lines({"zutr.uninstallstring=a"}));
    kortest::CallInChild next(update);
    EXPECT_EQ(next.result(kLimit), std::optional<int>(0)) << "a later call was kept waiting";
    EXPECT_EQ(readDb(), lines({"zutr.uninstallstring=b"}));
}

INSTANTIATE_TEST_SUITE_P(
    Store, FifoAtFixedPath,
    ::testing::Values(FifoCase{"selectOnDatabase", "qvinstal.db", {}, select, -1},
                      FifoCase{"updateOnDatabase", "qvinstal.db", {}, update, -1},
                      FifoCase{"deleteOnDatabase",
                               "qvinstal.db",
                               {},
                               [] { return AuQVDBInstallDelete(kZutr, kUninstallString); },
                               -1},
                      FifoCase{"deleteAllOnDatabase",
                               "qvinstal.db",
                               {},
                               [] { return AuQVDBInstallDeleteAll(kZutr); },
                               -1},
                      FifoCase{"updateLinkOnDatabase",
                               "qvinstal.db",
                               {},
                               [] { return AuQVDBUpdateLink(kZutr, 1); },
                               -1},
                      FifoCase{"selectLinkOnDatabase",
                               "qvinstal.db",
                               {},
                               [] { return AuQVDBSelectLink(kZutr, 1); },
                               0},
                      FifoCase{"componentOnDatabase",
                               "qvinstal.db",
                               {},
                               [] {
                                   return AuQVDBInstallUpdateComponent(kZutr, "n", "", "", "", "",
                                                                       "", "");
                               },
                               -1},
                      FifoCase{"installCheckOnItsFlag", "qvinsflg.db", {}, AuQVDBInstallCheck, 0},
                      // The trace files only decide whether and where a statement goes:
                      // the update itself is done, untraced.
                      FifoCase{"updateWithTraceFlag", "qvflg.db", {}, update, 0},
                      FifoCase{"updateWithTraceLog", "qvdbg.db", {"qvflg.db"}, update, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
