// Route choice (type word x route file x service probe), the debug gate.
#include "card_fixture.h"
#include "killed_writers.h"
#include "replaced_files.h"
#include "telm/telm.h"

#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr const char* kRouteFile = "/var/run/.racevent";
constexpr const char* kProbeLog = "/tmp/service-probe.log";

enum class File { Missing, Zero, One, Two, Short, OutOfRange };
enum class Went { Direct, Library, Nowhere };

void writeRouteFile(File file) {
    unlink(kRouteFile);
    if (file == File::Missing)
        return;
    int32_t values[] = {0, 0, 1, 2, 1, 7};
    int32_t value = values[static_cast<int>(file)];
    std::ofstream out(kRouteFile, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&value), file == File::Short ? 2 : 4);
}

bool probeRan() {
    std::ifstream log(kProbeLog);
    std::string line;
    return static_cast<bool>(std::getline(log, line)) && line == "varnzutr status-quiet";
}

class Routes : public telmtest::CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        std::string path = std::string(KOR_SERVICE_STANDIN_DIR) + ":" + std::getenv("PATH");
        setenv("PATH", path.c_str(), 1);
        setenv("SERVICE_STANDIN_LOG", kProbeLog, 1);
        // Held loaded so the library route finds it by its soname.
        library = dlopen(SPCMP_LIBRARY, RTLD_NOW);
        ASSERT_NE(library, nullptr) << dlerror();
        calls = control<int (*)()>("spcmpStandinCallCount");
        lastType = control<int (*)()>("spcmpStandinLastType");
        failWith = control<void (*)(int)>("spcmpStandinFailWith");
        control<void (*)()>("spcmpStandinReset")();
    }
    void TearDown() override {
        if (library)
            dlclose(library);
        unlink(kRouteFile);
        unlink(kProbeLog);
        CardTest::TearDown();
    }

    Went call(int type) {
        size_t before = requests();
        int libraryBefore = calls();
        char out[64];
        int status = -1;
        int rc = devuzObjIdGet(type, 16, 6, 0, out, sizeof out, &status);
        if (requests() > before)
            return rc == 0 ? Went::Direct : Went::Nowhere;
        if (calls() > libraryBefore) {
            EXPECT_EQ(lastType(), 3) << "the library gets the card type alone";
            return Went::Library;
        }
        return Went::Nowhere;
    }

    template <class Fn> Fn control(const char* name) {
        void* symbol = dlsym(library, name);
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<Fn>(symbol);
    }

    void* library = nullptr;
    int (*calls)() = nullptr;
    int (*lastType)() = nullptr;
    void (*failWith)(int) = nullptr;
};

struct RouteCase {
    int type;
    File file;
    int probeStatus;
    Went expected;
    bool probe;
};

class RouteTable : public Routes, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(RouteTable, ChoosesTheRoute) {
    const RouteCase& c = GetParam();
    writeRouteFile(c.file);
    setenv("SERVICE_STANDIN_STATUS", std::to_string(c.probeStatus).c_str(), 1);
    EXPECT_EQ(call(c.type), c.expected);
    EXPECT_EQ(probeRan(), c.probe);
}

INSTANTIATE_TEST_SUITE_P(Table, RouteTable,
                         ::testing::Values(
                             // Explicit routes never look at the file or run the probe.
                             RouteCase{0x103, File::Two, 3, Went::Direct, false},
                             RouteCase{0x203, File::One, 0, Went::Library, false},
                             RouteCase{0xFF03, File::Missing, 0, Went::Library, false},
                             RouteCase{0x004, File::One, 0, Went::Nowhere, false},
                             RouteCase{0x100, File::One, 0, Went::Nowhere, false},
                             // Automatic: file 1 is direct without the probe.
                             RouteCase{0x003, File::One, 3, Went::Direct, false},
                             // Otherwise the probe decides: 2..126 = not running = library.
                             RouteCase{0x003, File::Missing, 3, Went::Library, true},
                             RouteCase{0x003, File::Missing, 0, Went::Direct, true},
                             RouteCase{0x003, File::Zero, 2, Went::Library, true},
                             RouteCase{0x003, File::Zero, 126, Went::Library, true},
                             RouteCase{0x003, File::Two, 127, Went::Direct, true},
                             RouteCase{0x003, File::Two, 1, Went::Direct, true},
                             RouteCase{0x003, File::Short, 3, Went::Library, true},
                             RouteCase{0x003, File::OutOfRange, 3, Went::Library, true},
                             RouteCase{0x003, File::OutOfRange, 0, Went::Direct, true}));

TEST_F(Routes, ProbeThatCannotStartMeansDirect) {
    writeRouteFile(File::Two);
    setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(call(0x003), Went::Direct);
}

TEST_F(Routes, LibraryFailuresAreHandedBack) {
    failWith(-7);
    char out[32];
    int status;
    EXPECT_EQ(devuzObjIdGet(0x203, 16, 6, 0, out, sizeof out, &status), -7);
    failWith(0);
    EXPECT_EQ(devuzObjIdSet(0x203, 17, 2, 0, "lib", &status), 0);
    EXPECT_EQ(devuzObjIdGet(0x203, 17, 2, 0, out, sizeof out, &status), 0);
    EXPECT_STREQ(out, "lib");
    EXPECT_EQ(devuzObjName(0x203, "cmd", out, sizeof out, &status), 0);
    EXPECT_STREQ(out, "spcmp: cmd");
}

TEST_F(Routes, MissingLibraryFailsTheCallEachTime) {
    dlclose(library);
    library = nullptr;
    char out[8];
    int status;
    EXPECT_EQ(devuzObjIdGet(0x203, 16, 6, 0, out, sizeof out, &status), -1);
    EXPECT_EQ(devuzObjIdGet(0x203, 16, 6, 0, out, sizeof out, &status), -1);
}

TEST(LibraryRoute, MissingFunctionFailsWithoutACall) {
    void* partial = dlopen(SPCMP_PARTIAL_LIBRARY, RTLD_NOW);
    ASSERT_NE(partial, nullptr) << dlerror();
    char out[8] = "x";
    int status = -1;
    EXPECT_EQ(devuzObjIdGet(0x203, 16, 6, 0, out, sizeof out, &status), -1);
    EXPECT_EQ(devuzObjIdSet(0x203, 16, 6, 0, "v", &status), -1);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(devuzObjName(0x203, "cmd", out, sizeof out, &status), 0);
    EXPECT_EQ(status, 0);
    dlclose(partial);
}

TEST_F(Routes, StoringTheRouteRewritesTheFileWhole) {
    int value = 1;
    ASSERT_EQ(spIfChoice(&value), 0);
    struct stat info;
    ASSERT_EQ(stat(kRouteFile, &info), 0);
    EXPECT_EQ(info.st_size, 4);
    EXPECT_EQ(info.st_mode & 0777, 0664u);
    EXPECT_EQ(spIfChoice(nullptr), 1);
    value = 3;
    EXPECT_EQ(spIfChoice(&value), -1);
    value = -1;
    EXPECT_EQ(spIfChoice(&value), -1);
    EXPECT_EQ(spIfChoice(nullptr), 1) << "the file is left as it was";
    value = 0;
    ASSERT_EQ(spIfChoice(&value), 0);
    setenv("SERVICE_STANDIN_STATUS", "3", 1);
    EXPECT_EQ(spIfChoice(nullptr), 0);
}

// The file is replaced whole through a temporary beside it: a write that
// fails leaves the stored route, and the temporary of a writer that died is
// gone after the next write.
TEST_F(Routes, AFailedOrKilledWriteLeavesTheRouteAndNoTemporary) {
    int value = 1;
    ASSERT_EQ(spIfChoice(&value), 0);
    EXPECT_EQ(kortest::callWithFileSizeLimit(2,
                                             [] {
                                                 int other = 0;
                                                 return spIfChoice(&other);
                                             }),
              -1);
    EXPECT_EQ(spIfChoice(nullptr), 1) << "a failed write changed the route";
    EXPECT_EQ(kortest::temporariesOf(kRouteFile), std::set<std::string>{});

    ASSERT_NO_FATAL_FAILURE(kortest::killRewritesMidway(
        [] {
            int other = 0;
            spIfChoice(&other);
        },
        [](pid_t) { return !kortest::temporariesOf(kRouteFile).empty(); }, 1));
    ASSERT_EQ(spIfChoice(&value), 0);
    EXPECT_EQ(kortest::temporariesOf(kRouteFile), std::set<std::string>{})
        << "a dead writer's temporary stayed";
    EXPECT_EQ(spIfChoice(nullptr), 1);
}

// The debug gate reads its level once; tests reset it through the exported word.
class DebugGate : public ::testing::Test {
protected:
    void TearDown() override {
        unlink("/var/run/.v3cops");
        debugState = 0;
    }
    static bool prints() {
        testing::internal::CaptureStderr();
        v3cops_printf("gate %d\n", 1);
        return testing::internal::GetCapturedStderr() == "gate 1\n";
    }
};

TEST_F(DebugGate, LevelFileSwitchesPrintingOnlyForOneAndThree) {
    const std::pair<const char*, bool> levels[] = {
        {"1", true},  {"3", true},  {"0x3", true}, {"0", false},       {"2", false},
        {"7", false}, {"4", false}, {"-1", false}, {"garbage", false}, {"01", true}};
    for (const auto& [text, on] : levels) {
        debugState = 0;
        std::ofstream("/var/run/.v3cops") << text << "\n";
        EXPECT_EQ(prints(), on) << text;
        EXPECT_EQ(debugState & 2, 2);
    }
}

TEST_F(DebugGate, ReadOnceAndMissingFileKeepsTheCurrentValue) {
    debugState = 0;
    std::ofstream("/var/run/.v3cops") << "1\n";
    EXPECT_TRUE(prints());
    std::ofstream("/var/run/.v3cops") << "0\n";
    EXPECT_TRUE(prints()) << "the level is read once per process";
    unlink("/var/run/.v3cops");
    debugState = 1;
    EXPECT_TRUE(prints());
    debugState = 0;
    EXPECT_FALSE(prints());
    debugState = 3; // a client may set it directly
    std::ofstream("/var/run/.v3cops") << "0\n";
    EXPECT_TRUE(prints());
}

TEST_F(DebugGate, TracesNameTheirFunction) {
    debugState = 3;
    testing::internal::CaptureStderr();
    EXPECT_EQ(v3Connect("not-an-address", nullptr, 1), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "v3Connect: invalid address 'not-an-address'\n");
}

} // namespace
