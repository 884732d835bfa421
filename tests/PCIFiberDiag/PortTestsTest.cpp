// The NVRAM and state tests and the diagnostic that holds them.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "PCIFiberDiag/PortCheckTest.h"
#include "PCIFiberDiag/UpdateProgress.h"
#include "PCIFiberDiag/korfiber.h"
#include "StandInFixture.h"

using namespace VarnDiags::PCIFiberDiag;
using namespace korfiber_test;
using VarnDiags::DeviceEnum::IDevice;
using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;
using VarnDiags::Diag::DiagnosticSettings;
using VarnDiags::Diag::DiagnosticStatus;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr const char* WWN = "20 00 00 e0 8b 01 02 03";
const std::string DESCRIPTOR =
    std::string("4|8962|0|") + WWN + "|QLogic PCI Fiber Channel Adapter|QLA2312 Dual Port|";

struct Outcome {
    DiagnosticResult::TestResult result;
    unsigned code;
    DiagnosticEvent::EventType type;
};

void expectOutcome(const DiagnosticResult& result, const Outcome& expected, const char* name) {
    EXPECT_EQ(result.getTestResult(), expected.result) << name;
    EXPECT_EQ(result.getEventCode(), expected.code) << name;
    EXPECT_EQ(result.getEventType(), expected.type) << name;
    EXPECT_EQ(result.getEventParameter(), 0u) << name;
}

class NotAnHba : public IDevice {
public:
    IDevice* clone(const char*) override { return new NotAnHba; }
    int open(AccessMode) override { return 0; }
    void close() override {}
};

class PortTests : public StandInFixture {
protected:
    std::ofstream m_log; // unopened: takes nothing
    VarnDiags::System::EventQueue m_queue;
};

// The working directory and DIAGLOG of one test, restored afterwards.
class LogDirectory {
public:
    LogDirectory() {
        char pattern[] = "/tmp/korfiber-log-XXXXXX";
        m_path = mkdtemp(pattern);
        m_previous = fs::current_path();
        fs::current_path(m_path);
        setenv("DIAGLOG", "0", 1);
    }
    ~LogDirectory() {
        unsetenv("DIAGLOG");
        fs::current_path(m_previous);
        fs::remove_all(m_path);
    }
    std::string read(const char* name) const {
        std::ifstream in(m_path / name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path, m_previous;
};

} // namespace

TEST_F(PortTests, ResultsByPortOutcome) {
    const Outcome passed{DiagnosticResult::PASSED, 0, DiagnosticEvent::INFORMATION_EVENT};
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> ports;
        Outcome nvram, state;
    };
    const Case cases[] = {
        {"two ports pass", {{0, 0}, {0, 0}}, passed, passed},
        {"second port's state fails",
         {{0, 0}, {0, 0x20000200}},
         passed,
         {DiagnosticResult::FAILED, 151, DiagnosticEvent::ERROR_EVENT}},
        {"second port's NVRAM fails",
         {{0, 0}, {0x20000100, 0}},
         {DiagnosticResult::FAILED, 150, DiagnosticEvent::ERROR_EVENT},
         passed},
    };
    for (const Case& c : cases) {
        load({adapter(WWN, "QLA2312", c.ports)});
        QLogicHBA device(DESCRIPTOR.c_str());
        ASSERT_EQ(device.open(QLogicHBA::OPEN_TEST), 0);
        NVRAMTest nvram(m_log, m_queue);
        HbaStateTest state(m_log, m_queue);
        for (auto [test, expected] : {std::pair<PortCheckTest*, Outcome>{&nvram, c.nvram},
                                      std::pair<PortCheckTest*, Outcome>{&state, c.state}}) {
            std::unique_ptr<DiagnosticResult> result(test->run(&device, DiagnosticSettings()));
            ASSERT_NE(result, nullptr);
            expectOutcome(*result, expected, c.name);
            EXPECT_EQ(test->getStatus().getStatus(), DiagnosticStatus::COMPLETE);
            EXPECT_EQ(test->getStatus().getProgress(), 100u);
        }
    }
}

TEST_F(PortTests, FailureNamesThePortAndItsText) {
    load({adapter(WWN, "QLA2312", {{0, 0}, {0, 0x20000200}})});
    QLogicHBA device(DESCRIPTOR.c_str());
    ASSERT_EQ(device.open(QLogicHBA::OPEN_TEST), 0);
    HbaStateTest state(m_log, m_queue);
    std::unique_ptr<DiagnosticResult> result(state.run(&device, DiagnosticSettings()));
    EXPECT_EQ(result->getEventString(), "port 1: Port not ready");
}

TEST_F(PortTests, OtherDeviceIsAnInvalidReference) {
    NotAnHba other;
    for (bool withDevice : {true, false}) {
        NVRAMTest nvram(m_log, m_queue);
        std::unique_ptr<DiagnosticResult> result(
            nvram.run(withDevice ? &other : nullptr, DiagnosticSettings()));
        expectOutcome(*result, {DiagnosticResult::UNUSUAL_STATUS, 3, DiagnosticEvent::ERROR_EVENT},
                      withDevice ? "other device" : "no device");
        EXPECT_EQ(nvram.getStatus().getProgress(), 100u);
    }
}

TEST_F(PortTests, TickerMovesProgressWhileTheChecksRunThenTheFinalHundredStands) {
    // Ticker seconds of 10 ms and two ports of 50 ms each: the "ten second"
    // test, which the ticker moves by about 5 per cent.
    const auto saved = VarnDiags::Diag::UpdateProgress::setSecondLength(10ms);
    qlsdm_standin::setSleeper(nullptr);
    load({adapter(WWN, "QLA2312")}, {{"verify_delay_ms", 50}});
    QLogicHBA device(DESCRIPTOR.c_str());
    ASSERT_EQ(device.open(QLogicHBA::OPEN_TEST), 0);
    HbaStateTest state(m_log, m_queue);

    std::atomic<bool> done{false};
    unsigned highestBeforeEnd = 0;
    std::thread watcher([&] {
        while (!done) {
            DiagnosticStatus now = state.getStatus();
            if (now.getStatus() != DiagnosticStatus::COMPLETE)
                highestBeforeEnd = std::max(highestBeforeEnd, now.getProgress());
            std::this_thread::sleep_for(1ms);
        }
    });
    std::unique_ptr<DiagnosticResult> result(state.run(&device, DiagnosticSettings()));
    std::this_thread::sleep_for(50ms); // a ticker still alive would show here
    const unsigned after = state.getStatus().getProgress();
    done = true;
    watcher.join();
    VarnDiags::Diag::UpdateProgress::setSecondLength(saved);

    EXPECT_EQ(result->getTestResult(), DiagnosticResult::PASSED);
    EXPECT_GE(highestBeforeEnd, 1u);
    EXPECT_LE(highestBeforeEnd, 5u);
    EXPECT_EQ(after, 100u);
}

TEST_F(PortTests, DiagnosticRunsTheSelectedTestOnTheRebuiltDevice) {
    load({adapter(WWN, "QLA2312", {{0, 0}, {0, 0x20000200}})});
    struct Case {
        const char* name;
        std::string descriptor;
        int test;
        Outcome expected;
    };
    const Case cases[] = {
        {"NVRAM test",
         DESCRIPTOR,
         0,
         {DiagnosticResult::PASSED, 0, DiagnosticEvent::INFORMATION_EVENT}},
        {"state test",
         DESCRIPTOR,
         1,
         {DiagnosticResult::FAILED, 151, DiagnosticEvent::ERROR_EVENT}},
        {"no adapter with the WWN",
         "4|8962|0|20 00 00 00 00 00 00 77|QLogic PCI Fiber Channel Adapter|QLA2312|",
         0,
         {DiagnosticResult::UNUSUAL_STATUS, VarnDiags::Diag::ENGINE_OPEN_FAILED,
          DiagnosticEvent::ERROR_EVENT}},
    };
    for (const Case& c : cases) {
        korfiber diagnostic;
        ASSERT_EQ(diagnostic.getDiagnosticStatus().getStatus(), DiagnosticStatus::READY);
        VirtualDevice handle(new QLogicHBA(c.descriptor.c_str()));
        std::unique_ptr<DiagnosticResult> summary(diagnostic.runDiagnostic(
            &handle, DiagnosticSettings({c.test}, false, false, false, false, "")));
        expectOutcome(*summary, c.expected, c.name);
        EXPECT_EQ(qlsdm_standin::openHandles(), 0u) << c.name << ": closed after the run";
    }
}

TEST_F(PortTests, DiagnosticLogFollowsDiaglog) {
    load({adapter(WWN, "QLA2312")});
    LogDirectory directory;
    {
        korfiber diagnostic;
        VirtualDevice handle(new QLogicHBA(DESCRIPTOR.c_str()));
        std::unique_ptr<DiagnosticResult> summary(diagnostic.runDiagnostic(
            &handle, DiagnosticSettings({0}, false, false, false, false, "")));
        korfiber second; // shares the log; the first's banner is not repeated as a new file
    }
    const std::string log = directory.read("korfiber.log");
    EXPECT_EQ(log.rfind("******************** ", 0), 0u) << log;
    EXPECT_NE(log.find("\nPCIFiberDiag::NVRAMTest::run()\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\nPCIFiberDiag::NVRAMTest::pResult: PASSED TEST_COMPLETED_SUCCESSFULLY "
                       "INFORMATION_EVENT\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(fs::status(directory.path() / "korfiber.log").permissions() & fs::perms::others_write,
              fs::perms::none);
}

TEST_F(PortTests, LogThatCannotOpenFailsTheDiagnostic) {
    LogDirectory directory;
    fs::create_directory(directory.path() / "korfiber.log");
    korfiber diagnostic;
    EXPECT_EQ(diagnostic.getDiagnosticStatus().getStatus(), DiagnosticStatus::INIT_FAILED);
    VirtualDevice handle(new QLogicHBA(DESCRIPTOR.c_str()));
    std::unique_ptr<DiagnosticResult> summary(
        diagnostic.runDiagnostic(&handle, DiagnosticSettings()));
    EXPECT_NE(summary->getTestResult(), DiagnosticResult::PASSED) << "no test, never a pass";
}
