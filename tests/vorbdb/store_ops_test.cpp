#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "store_fixture.h"
#include "vorbdb/vorbdb.h"

namespace {

constexpr int kCorvance = 1, kStrandix = 2, kSweeplet = 3, kZutr = 15;
constexpr int kUninstallString = 5, kPatchUninstallString = 6;

const std::string kLongLine = "Corvance.uninstallstring=" + std::string(1475, 'x');

struct RewriteCase {
    const char* name;
    std::optional<std::string> before; // no database when empty
    std::function<int()> operation;
    int result;
    std::optional<std::string> after;
};

std::string raw(const char* bytes) {
    return bytes;
}

class RewriteTest : public StoreTest {
protected:
    void run(const RewriteCase& c) {
        SCOPED_TRACE(c.name);
        reset();
        if (c.before)
            writeDb(*c.before);
        EXPECT_EQ(c.operation(), c.result);
        EXPECT_EQ(readDb(), c.after ? *c.after : "<missing>");
        EXPECT_EQ(leftoverTempFiles(), 0);
    }
};

TEST_F(RewriteTest, EveryOperationWritesExactlyTheExpectedBytes) {
    const std::string L = kLongLine;
    const RewriteCase cases[] = {
        {"first update creates the database with one line", std::nullopt,
         [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "unins.exe /s"); }, 0,
         lines({"zutr.uninstallstring=unins.exe /s"})},
        {"update replaces the key in place",
         lines({"Corvance.installedversion=1", "zutr.uninstallstring=old",
                "zutr.installedversion=2"}),
         [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "new"); }, 0,
         lines({"Corvance.installedversion=1", "zutr.uninstallstring=new",
                "zutr.installedversion=2"})},
        {"update leaves a key that merely starts with the key",
         lines({"zutr.patch.uninstallstringA=a", "zutr.patch.uninstallstring=b"}),
         [] { return AuQVDBInstallUpdate(kZutr, kPatchUninstallString, "c"); }, 0,
         lines({"zutr.patch.uninstallstringA=a", "zutr.patch.uninstallstring=c"})},
        {"update appends beside a longer key", lines({"zutr.patch.uninstallstringA=a"}),
         [] { return AuQVDBInstallUpdate(kZutr, kPatchUninstallString, "c"); }, 0,
         lines({"zutr.patch.uninstallstringA=a", "zutr.patch.uninstallstring=c"})},
        {"update of an empty value", std::nullopt,
         [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, ""); }, 0,
         lines({"zutr.uninstallstring="})},
        {"update of a key outside the table", lines({"zutr.installdrive=C:"}),
         [] { return AuQVDBInstallUpdateString(kZutr, "installpath", "\\Zutr"); }, 0,
         lines({"zutr.installdrive=C:", "zutr.installpath=\\Zutr"})},
        {"update after a last line without a newline", raw("Corvance.x=1\nzutr.installpath=C:"),
         [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "u"); }, 0,
         lines({"Corvance.x=1", "zutr.installpath=C:", "zutr.uninstallstring=u"})},
        {"CRLF lines go through a rewrite unchanged",
         raw("a.b=1\r\nzutr.uninstallstring=old\r\nc.d=2\r\n"),
         [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "new"); }, 0,
         "a.b=1\r\n" + lines({"zutr.uninstallstring=new"}) + "c.d=2\r\n"},
        {"CRLF lines and other CRs kept beside dropped lines",
         raw("zutr.x=1\r\na.b=1\r\r\nzutr.y=2\nc.d=x\ry\r\n"),
         [] { return AuQVDBInstallDeleteAll(kZutr); }, 0, raw("a.b=1\r\r\nc.d=x\ry\r\n")},
        {"a last line without a newline stays so when nothing follows it",
         raw("zutr.uninstallstring=x\nc.d=2"),
         [] { return AuQVDBInstallDelete(kZutr, kUninstallString); }, 0, raw("c.d=2")},
        {"component rewrite adding nothing after a last line without a newline",
         raw("zutr.a=1\r\nVesk.b=2"),
         [] { return AuQVDBInstallUpdateComponent(kZutr, "", "", "", "", "", "", ""); }, 0,
         raw("Vesk.b=2")},
        {"component record after a last line without a newline", raw("Vesk.b=2"),
         [] { return AuQVDBInstallUpdateComponent(kZutr, "", "", "", "", "", "", "E12"); }, 0,
         lines({"Vesk.b=2", "zutr.installerrormsgid=E12"})},
        {"a 1500-character line goes through a rewrite whole", lines({L, "zutr.uninstallstring=a"}),
         [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "b"); }, 0,
         lines({L, "zutr.uninstallstring=b"})},
        {"delete drops only the exact key",
         lines({"zutr.patch.uninstallstringA=a", "zutr.patch.uninstallstring=b"}),
         [] { return AuQVDBInstallDelete(kZutr, kPatchUninstallString); }, 0,
         lines({"zutr.patch.uninstallstringA=a"})},
        {"delete of an absent key changes nothing", lines({"zutr.patch.uninstallstringA=a"}),
         [] { return AuQVDBInstallDelete(kZutr, kPatchUninstallString); }, -1,
         lines({"zutr.patch.uninstallstringA=a"})},
        {"delete on a missing database", std::nullopt,
         [] { return AuQVDBInstallDelete(kZutr, kUninstallString); }, -1, std::nullopt},
        {"delete-all drops the project's keys and nothing else",
         lines({"Corvance.uninstallstring=remove zutr.installpath", "zutr.installpath=C",
                "ZUTRT.installedversion=1", "zutr.custom.key=x", "zutrx.a=b"}),
         [] { return AuQVDBInstallDeleteAll(kZutr); }, 0,
         lines({"Corvance.uninstallstring=remove zutr.installpath", "ZUTRT.installedversion=1",
                "zutrx.a=b"})},
        {"delete-all on a missing database", std::nullopt,
         [] { return AuQVDBInstallDeleteAll(kZutr); }, 0, std::nullopt},
        {"component rewrite replaces the project's lines",
         lines({"zutr.installpath=\\z", "Corvance.x=1", "zutr.uninstallstring=old"}),
         [] {
             return AuQVDBInstallUpdateComponent(kZutr, "Zutr", "", "unins", "2.1", "", "0", "");
         },
         0,
         lines({"Corvance.x=1", "zutr.uninstallDisplayName=Zutr", "zutr.uninstallstring=unins",
                "zutr.installedversion=2.1", "zutr.installationresult=0"})},
        {"component rewrite with every value empty", lines({"zutr.a=1", "Vesk.b=2"}),
         [] { return AuQVDBInstallUpdateComponent(kZutr, "", "", "", "", "", "", ""); }, 0,
         lines({"Vesk.b=2"})},
        {"component rewrite creates the database", std::nullopt,
         [] { return AuQVDBInstallUpdateComponent(kZutr, "", "", "", "", "", "", "E12"); }, 0,
         lines({"zutr.installerrormsgid=E12"})},
        {"first link", std::nullopt, [] { return AuQVDBUpdateLink(kCorvance, kStrandix); }, 0,
         lines({"Corvance.requireProjects=Strandix"})},
        {"link already in a list of one", lines({"Corvance.requireProjects=Strandix"}),
         [] { return AuQVDBUpdateLink(kCorvance, kStrandix); }, 0,
         lines({"Corvance.requireProjects=Strandix"})},
        {"link appended, longer key left alone",
         lines({"Corvance.requireProjects=Strandix", "Corvance.requireProjectsX=Y"}),
         [] { return AuQVDBUpdateLink(kCorvance, kSweeplet); }, 0,
         lines({"Corvance.requireProjects=Strandix,Sweeplet", "Corvance.requireProjectsX=Y"})},
        {"link to an empty list", lines({"Corvance.requireProjects="}),
         [] { return AuQVDBUpdateLink(kCorvance, kSweeplet); }, 0,
         lines({"Corvance.requireProjects=Sweeplet"})},
        {"link on a last line without a newline", raw("a.b=1\nCorvance.requireProjects=Strandix"),
         [] { return AuQVDBUpdateLink(kCorvance, kSweeplet); }, 0,
         lines({"a.b=1", "Corvance.requireProjects=Strandix,Sweeplet"})},
    };
    for (const RewriteCase& c : cases)
        run(c);
}

TEST_F(RewriteTest, RefusedTextsLeaveTheDatabaseAlone) {
    const std::string before = lines({"zutr.uninstallstring=a"});
    const RewriteCase cases[] = {
        {"line feed in a value", before,
         [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, "a\nzutr.x=y"); }, -1, before},
        {"carriage return in a value", before,
         [] { return AuQVDBInstallUpdateString(kZutr, "installpath", "a\rb"); }, -1, before},
        {"null value", before, [] { return AuQVDBInstallUpdate(kZutr, kUninstallString, nullptr); },
         -1, before},
        {"= in a parameter", before,
         [] { return AuQVDBInstallUpdateString(kZutr, "uninstallstring=b", "x"); }, -1, before},
        {"line feed in a parameter", before,
         [] { return AuQVDBInstallUpdateString(kZutr, "a\nb", "x"); }, -1, before},
        {"empty parameter", before, [] { return AuQVDBInstallUpdateString(kZutr, "", "x"); }, -1,
         before},
        {"null parameter", before, [] { return AuQVDBInstallUpdateString(kZutr, nullptr, "x"); },
         -1, before},
        {"empty parameter of the operation", before,
         [] { return DeleteParameterForProjectID(kZutr, ""); }, -1, before},
        {"line feed in a component value", before,
         [] { return AuQVDBInstallUpdateComponent(kZutr, "a", "", "b\nc", "", "", "", ""); }, -1,
         before},
        {"null component value", before,
         [] { return AuQVDBInstallUpdateComponent(kZutr, "a", "", "", "", nullptr, "", ""); }, -1,
         before},
        {"project with = for the component record", before,
         [] { return AppendComponentToDBWithOtherProjects("zutr=", "a", "", "", "", "", "", ""); },
         -1, before},
    };
    for (const RewriteCase& c : cases)
        run(c);
}

class SelectTest : public StoreTest {
protected:
    // The value and result of a select by parameter text.
    std::pair<int, std::string> select(const char* parameter) {
        char* value = nullptr;
        int length = -1;
        int result = AuQVDBInstallSelectString(kZutr, parameter, &value, &length);
        std::string text =
            value != nullptr ? std::string(value, static_cast<std::size_t>(length)) : "<none>";
        if (value != nullptr) {
            EXPECT_EQ(std::strlen(value), static_cast<std::size_t>(length));
        }
        AuQVDBFreeMemory(reinterpret_cast<void**>(&value));
        if (result != 0) {
            EXPECT_EQ(length, 0);
        }
        return {result, text};
    }
};

TEST_F(SelectTest, FindsTheExactKeyAndItsWholeValue) {
    const std::string longValue(1500, 'v');
    writeDb("zutr.patch.uninstallstringA=x\nzutr.patch.uninstallstring=y\nzutr.long=" + longValue +
            "\nzutr.bare\nzutr.empty=\nzutr.crlf=c\r\nzutr.twice=1\nzutr.twice=2\nzutr.last=end");
    using R = std::pair<int, std::string>;
    EXPECT_EQ(select("patch.uninstallstring"), (R{0, "y"}));
    EXPECT_EQ(select("patch.uninstallstringA"), (R{0, "x"}));
    EXPECT_EQ(select("long"), (R{0, longValue}));
    EXPECT_EQ(select("bare"), (R{0, ""}));
    EXPECT_EQ(select("empty"), (R{0, ""}));
    EXPECT_EQ(select("crlf"), (R{0, "c"}));
    EXPECT_EQ(select("twice"), (R{0, "1"}));
    EXPECT_EQ(select("last"), (R{0, "end"}));
    EXPECT_EQ(select("patch"), (R{-1, "<none>"}));
    EXPECT_EQ(select(""), (R{-1, "<none>"}));
}

TEST_F(SelectTest, MissingDatabaseSelectsNothing) {
    char marker = 0;
    char* value = &marker;
    int length = 9;
    EXPECT_EQ(AuQVDBInstallSelect(kZutr, kUninstallString, &value, &length), -1);
    EXPECT_EQ(value, &marker);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(AuQVDBSelectLink(kCorvance, kStrandix), 0);
    EXPECT_FALSE(exists(dbPath()));
}

TEST_F(SelectTest, LinksAreMatchedElementByElement) {
    writeDb(lines({"Corvance.requireProjectsX=Sweeplet", "Corvance.requireProjects=Strandix",
                   "Fennick.requireProjects=StrandixX,XSweeplet",
                   "Zorbit.requireProjects=Toffa,Vesk"}));
    EXPECT_EQ(AuQVDBSelectLink(1, kStrandix), 1);
    EXPECT_EQ(AuQVDBSelectLink(1, kSweeplet), 0);
    EXPECT_EQ(AuQVDBSelectLink(4, kStrandix), 0);
    EXPECT_EQ(AuQVDBSelectLink(4, kSweeplet), 0);
    EXPECT_EQ(AuQVDBSelectLink(8, 7), 1);
    EXPECT_EQ(AuQVDBSelectLink(8, 13), 1);
    EXPECT_EQ(AuQVDBSelectLink(8, 12), 0);
}

// Threads of one process updating while another selects: no update is lost,
// no select fails, and readers never make a replace wait.
TEST_F(StoreTest, ThreadsUpdatingBesideAReaderLoseNothing) {
    constexpr int kThreads = 3, kUpdates = 20;
    ASSERT_EQ(AuQVDBInstallUpdateString(kZutr, "seed", "1"), 0);
    std::atomic<bool> done{false};
    std::atomic<int> failedSelects{0};
    std::thread reader([&] {
        while (!done) {
            char* value = nullptr;
            int length = 0;
            failedSelects += AuQVDBInstallSelectString(kZutr, "seed", &value, &length) != 0;
            AuQVDBFreeMemory(reinterpret_cast<void**>(&value));
        }
    });
    std::vector<std::thread> writers;
    std::atomic<int> failedUpdates{0};
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < kUpdates; ++i) {
                std::string key = "t" + std::to_string(t) + "_" + std::to_string(i);
                failedUpdates += AuQVDBInstallUpdateString(kZutr, key.c_str(), "v") != 0;
            }
        });
    for (std::thread& w : writers)
        w.join();
    done = true;
    reader.join();
    EXPECT_EQ(failedUpdates, 0);
    EXPECT_EQ(failedSelects, 0);
    EXPECT_EQ(sleeps, 0);
    const std::string db = readDb();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kUpdates; ++i)
            EXPECT_NE(db.find("zutr.t" + std::to_string(t) + "_" + std::to_string(i) + "=v"),
                      std::string::npos);
}

TEST_F(StoreTest, InstallCheckFollowsTheFlagFile) {
    EXPECT_EQ(AuQVDBInstallCheck(), 0);
    writeFile(path("qvinsflg.db"), "");
    EXPECT_EQ(AuQVDBInstallCheck(), 1);
}

TEST_F(StoreTest, TraceIsWrittenOnlyWhileTheFlagFileExists) {
    ASSERT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "a"), 0);
    EXPECT_FALSE(exists(path("qvdbg.db")));

    writeFile(path("qvflg.db"), "");
    ASSERT_EQ(AuQVDBInstallDelete(kZutr, kUninstallString), 0);
    ASSERT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, "b"), 0);
    EXPECT_EQ(readFile(path("qvdbg.db")),
              "\nCall AuQVDBInstallDelete theProjectID 15 theParameterID 5"
              "\nCall AuQVDBInstallDelete theProjectID 15 theParameterID 5 Result 0"
              "\nCall AuQVDBInstallUpdate theProjectID "
              "\nCall AuQVDBInstallUpdate theProjectID 15 theParameterID 5 StringValue b"
              "\nReturn Succ ....2 theProjectId 15 theParameterID uninstallstring"
              "\nCall AuQVDBInstallUpdate theProjectID 15 theParameterID 5 StringValue b Result 0");
}

TEST_F(StoreTest, TraceLinesAreBounded) {
    writeFile(path("qvflg.db"), "");
    const std::string value(5000, 'v');
    ASSERT_EQ(AuQVDBInstallUpdate(kZutr, kUninstallString, value.c_str()), 0);
    std::string log = readFile(path("qvdbg.db"));
    EXPECT_NE(log.find("\nFirst Entry theProjectID 15 theParameterID uninstallstring"),
              std::string::npos);
    EXPECT_NE(log.find("\nFirst AU_SUCCESSFUL theProjectId  15 theParameterID uninstallstring"),
              std::string::npos);
    EXPECT_LT(log.size(), 4 * 1024u);
    EXPECT_EQ(readDb(), lines({"zutr.uninstallstring=" + value}));
}

TEST_F(StoreTest, AppendComponentWritesTheRecordToAnOpenFile) {
    std::string target = path("component.txt");
    FILE* file = std::fopen(target.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(AppendComponentToDB(file, "Vesk", "V", "", "", "1.0", "", "", ""), 0);
    EXPECT_EQ(AppendComponentToDB(nullptr, "Vesk", "", "", "", "", "", "", ""), -1);
    std::fclose(file);
    EXPECT_EQ(readFile(target),
              lines({"Vesk.uninstallDisplayName=V", "Vesk.installedversion=1.0"}));
}

} // namespace
