// The memory diagnostic and its pattern-verify test, in process, over the
// data manager stand-in and real (small) memory. The test's fixed waits go
// through the shell's sleeper, which records them here.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "HostDapi2/Sleeper.h"
#include "MemoryDevice.h"
#include "MemoryPatternVerifyTest.h"
#include "Orbisknostic.h"
#include "StandinFixture.h"
#include "SystemDevice.h"

namespace orbisk_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;
using VarnDiags::MemoryDevices::MemoryChunk;
using VarnDiags::MemoryDevices::MemoryDevice;
using VarnDiags::MemoryDevices::PatternTestEngine;
namespace fs = std::filesystem;

std::mutex s_sleepsMutex;
std::vector<unsigned int> s_sleeps;

void recordingSleeper(unsigned int seconds) {
    {
        std::lock_guard<std::mutex> guard(s_sleepsMutex);
        s_sleeps.push_back(seconds);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::vector<unsigned int> sleeps() {
    std::lock_guard<std::mutex> guard(s_sleepsMutex);
    return s_sleeps;
}

struct Event {
    unsigned int code;
    std::string text;
    bool operator==(const Event& other) const { return code == other.code && text == other.text; }
};

void PrintTo(const Event& event, std::ostream* out) {
    *out << event.code << " \"" << event.text << "\"";
}

struct RunCase {
    const char* name;
    Machine machine;
    std::vector<const char*> environment; // NAME=value
    int seam = 0;                         // 1: spoil a pattern block; 2: refuse a thread
    bool memoryDevice = true;
    DiagnosticResult::TestResult result;
    unsigned int code;
    DiagnosticEvent::EventType type;
    std::vector<Event> events;
    bool memoryTested;
    const char* text = "";
};

void PrintTo(const RunCase& c, std::ostream* out) {
    *out << c.name;
}

// Two modules, DIMM A1 and DIMM A2, with these failure modes.
Machine modules(std::uint32_t first, std::uint32_t second) {
    Machine machine;
    machine.arrays = {{{"DIMM", "A1", 4096, first}, {"DIMM", "A2", 4096, second}}};
    machine.pageFileKB = 1u << 20;
    return machine;
}

Machine with(Machine machine, void (*change)(Machine&)) {
    change(machine);
    return machine;
}

constexpr auto UNUSUAL = DiagnosticResult::UNUSUAL_STATUS;
constexpr auto FAILED = DiagnosticResult::FAILED;
constexpr auto PASSED = DiagnosticResult::PASSED;
constexpr auto WARNING = DiagnosticEvent::WARNING_EVENT;
constexpr auto ERROR = DiagnosticEvent::ERROR_EVENT;
constexpr auto INFO = DiagnosticEvent::INFORMATION_EVENT;

const RunCase RUN_CASES[] = {
    {"TestModeWithErrstr",
     modules(0, 0),
     {"ERRSTR=anything"},
     0,
     true,
     FAILED,
     7,
     ERROR,
     {{7, "TESTING EVENT DIMM"}},
     false,
     "TESTING RESULT DIMM"},
    {"NotAMemoryDevice", modules(0, 0), {}, 0, false, UNUSUAL, 3, WARNING, {}, false},
    {"DataManagerDown",
     with(modules(0, 0), [](Machine& m) { m.ready = false; }),
     {},
     0,
     true,
     UNUSUAL,
     8,
     WARNING,
     {},
     false},
    {"NoSizesObject",
     with(modules(0, 0), [](Machine& m) { m.pageFileKB.reset(); }),
     {},
     0,
     true,
     UNUSUAL,
     8,
     WARNING,
     {},
     false},
    {"PageFileTooSmall",
     with(modules(0, 0), [](Machine& m) { m.pageFileKB = 7372; }),
     {},
     0,
     true,
     UNUSUAL,
     4,
     WARNING,
     {},
     false},
    {"PageFileExactly90Percent",
     with(modules(0, 0), [](Machine& m) { m.pageFileKB = 7373; }),
     {},
     0,
     true,
     PASSED,
     0,
     INFO,
     {},
     true},
    {"EccLoggingOffWithFaultyModule",
     with(modules(0, 0x05), [](Machine& m) { m.eccLogging = 0; }),
     {},
     0,
     true,
     FAILED,
     9,
     ERROR,
     {{14, "DIMM A2"}, {16, "DIMM A2"}},
     false},
    {"FailoverActiveModulesClean",
     with(modules(0, 0),
          [](Machine& m) {
              m.config = std::vector<int>{0, 0, 1};
          }),
     {},
     0,
     true,
     FAILED,
     10,
     ERROR,
     {},
     false},
    {"AllClean", modules(0, 0), {}, 0, true, PASSED, 0, INFO, {}, true},
    {"NonCriticalModule", modules(1, 0), {}, 0, true, FAILED, 12, ERROR, {{14, "DIMM A1"}}, true},
    {"CriticalModuleEveryBit",
     modules(0x21, 0x1F),
     {},
     0,
     true,
     FAILED,
     13,
     ERROR,
     {{14, "DIMM A1"},
      {14, "DIMM A2"},
      {15, "DIMM A2"},
      {16, "DIMM A2"},
      {17, "DIMM A2"},
      {18, "DIMM A2"}},
     true},
    {"MismatchIgnoresModules", modules(1, 0), {}, 1, true, UNUSUAL, 6, ERROR, {}, true},
    {"ThreadNotStarted", modules(0, 0), {}, 2, true, UNUSUAL, 5, WARNING, {}, true},
    {"MemDebugPretendsModuleFaults",
     modules(0, 0),
     {"MEMDEBUG=1"},
     0,
     true,
     FAILED,
     13,
     ERROR,
     {{14, "DIMM A1"}, {16, "DIMM A1"}},
     true},
};

class PatternVerifyRun : public StandinTest, public ::testing::WithParamInterface<RunCase> {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        VarnDiags::HostDapi2::setSleeper(&recordingSleeper);
        std::lock_guard<std::mutex> guard(s_sleepsMutex);
        s_sleeps.clear();
    }
    void TearDown() override {
        for (const char* assignment : GetParam().environment)
            unsetenv(std::string(assignment).substr(0, std::string(assignment).find('=')).c_str());
        PatternTestEngine::refuseThreadStart(-1);
        MemoryChunk::setAfterWriteHook(nullptr);
        VarnDiags::HostDapi2::setSleeper(nullptr);
        StandinTest::TearDown();
    }
};

TEST_P(PatternVerifyRun, ResultEventsAndWaits) {
    const RunCase& c = GetParam();
    load(c.machine);
    for (const char* assignment : c.environment)
        putenv(const_cast<char*>(assignment));
    if (c.seam == 1)
        MemoryChunk::setAfterWriteHook([](char* block, std::size_t) { block[0] = 0; });
    if (c.seam == 2)
        PatternTestEngine::refuseThreadStart(1);

    std::unique_ptr<VarnDiags::DeviceEnum::IDevice> device;
    if (c.memoryDevice)
        device = std::make_unique<MemoryDevice>(std::string("8192:02:DIMM A1:DIMM A2"));
    else
        device = std::make_unique<VarnDiags::SystemDevices::SystemDevice>(0, "8192:02:A:B");

    std::ofstream log;
    VarnDiags::System::EventQueue queue;
    VarnDiags::Orbisk::MemoryPatternVerifyTest test(log, queue);
    ::testing::internal::CaptureStdout();
    std::unique_ptr<DiagnosticResult> result(test.run(device.get(), {}));
    ::testing::internal::GetCapturedStdout();

    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->getTestResult(), c.result);
    EXPECT_EQ(result->getEventCode(), c.code);
    EXPECT_EQ(result->getEventType(), c.type);
    EXPECT_EQ(result->getEventString(), c.text);
    EXPECT_EQ(test.getStatus().getStatus(), VarnDiags::Diag::DiagnosticStatus::COMPLETE);

    std::vector<Event> events;
    while (std::unique_ptr<VarnDiags::System::IEvent> popped{queue.popEvent()}) {
        auto* event = dynamic_cast<DiagnosticEvent*>(popped.get());
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(event->getEventType(), INFO);
        EXPECT_EQ(event->getEventParameter(), event->getEventCode());
        events.push_back({event->getEventCode(), event->getEventString()});
    }
    EXPECT_THAT(events, ElementsAreArray(c.events));

    auto* memory = dynamic_cast<MemoryDevice*>(device.get());
    if (memory != nullptr) {
        EXPECT_EQ(memory->getProgress(), c.memoryTested ? 100 : 0);
    }

    // Two seconds after each module event; four at the end of a normal run;
    // polls of two seconds in between.
    const std::vector<unsigned int> waits = sleeps();
    const bool testMode =
        !c.environment.empty() && std::string(c.environment[0]) == "ERRSTR=anything";
    EXPECT_EQ(!waits.empty() && waits.back() == 4, !testMode);
    std::size_t twos = 0;
    for (unsigned int wait : waits)
        twos += wait == 2;
    const std::size_t moduleEvents = testMode ? 0 : c.events.size();
    if (c.memoryTested) {
        EXPECT_GE(twos, moduleEvents);
    } else {
        EXPECT_EQ(twos, moduleEvents);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PatternVerifyRun, ::testing::ValuesIn(RUN_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StandinTest, AbortEndsThePatternTestPromptly) {
    Machine machine = modules(0, 0);
    machine.pageFileKB = 4194304;
    load(machine);
    VarnDiags::HostDapi2::setSleeper(&recordingSleeper);
    MemoryDevice device(std::string("1900000:02:DIMM A1:DIMM A2"));
    std::ofstream log;
    VarnDiags::System::EventQueue queue;
    VarnDiags::Orbisk::MemoryPatternVerifyTest test(log, queue);
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        test.abortTest();
    });
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<DiagnosticResult> result(test.run(&device, {}));
    aborter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(device.getProgress(), 100);
    VarnDiags::HostDapi2::setSleeper(nullptr);
}

// Runs in a fresh directory, so Orbisknostic.log lands there.
class DiagnosticLog : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        m_previous = fs::current_path();
        m_directory = fs::temp_directory_path() / ("orbisk_log_" + std::to_string(getpid()));
        fs::remove_all(m_directory);
        fs::create_directories(m_directory);
        fs::current_path(m_directory);
        setenv("DIAGLOG", "0", 1);
    }
    void TearDown() override {
        unsetenv("DIAGLOG");
        fs::current_path(m_previous);
        fs::remove_all(m_directory);
        StandinTest::TearDown();
    }
    fs::path m_previous, m_directory;
};

TEST_F(DiagnosticLog, SharedByEveryDiagnosticAndAppended) {
    {
        VarnDiags::Orbisk::Orbisknostic first;
        VarnDiags::Orbisk::Orbisknostic second;
        EXPECT_EQ(first.getDiagnosticStatus().getStatus(),
                  VarnDiags::Diag::DiagnosticStatus::READY);
    }
    { VarnDiags::Orbisk::Orbisknostic third; }
    std::ifstream in("Orbisknostic.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, 21));
    EXPECT_THAT(lines, ElementsAre("******************** ", "******************** ",
                                   "******************** "));
}

TEST_F(DiagnosticLog, UnopenableLogMeansNoTest) {
    fs::create_directory("Orbisknostic.log");
    VarnDiags::Orbisk::Orbisknostic diagnostic;
    EXPECT_EQ(diagnostic.getDiagnosticStatus().getStatus(),
              VarnDiags::Diag::DiagnosticStatus::INIT_FAILED);
    load(modules(0, 0));
    VarnDiags::DeviceEnum::VirtualDevice handle(new MemoryDevice(std::string("8192:01:X")));
    std::unique_ptr<DiagnosticResult> result(diagnostic.runDiagnostic(&handle, {}));
    EXPECT_EQ(result->getTestResult(), DiagnosticResult::FAILED) << "a test that cannot start";
    // A later diagnostic may succeed once the log can be opened.
    fs::remove("Orbisknostic.log");
    VarnDiags::Orbisk::Orbisknostic later;
    EXPECT_EQ(later.getDiagnosticStatus().getStatus(), VarnDiags::Diag::DiagnosticStatus::READY);
}

} // namespace
} // namespace orbisk_test
