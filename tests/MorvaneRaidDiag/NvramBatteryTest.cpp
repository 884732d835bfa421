// The NVRAM and battery test on the simulated controller's NVRAM states.
#include "MorvaneRaidCtrl.h"
#include "NVRAMandBatteryTest.h"
#include "RaidFixture.h"
#include "RunRaidTest.h"

#include <cerrno>

namespace {

using VarnDiags::DeviceEnum::IDevice;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;
using VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl;
using VarnDiags::MorvaneRaidDiag::NVRAMandBatteryTest;

constexpr int kFsCommand = 300; // the NVRAM status travels in a file-system FIB

class NvramBattery : public raidtest::RaidTest {
protected:
    void SetUp() override {
        RaidTest::SetUp();
        ctrl = std::make_unique<MorvaneRaidCtrl>("qor0");
        ASSERT_EQ(ctrl->open(IDevice::OPEN_TEST), 0);
    }
    void TearDown() override {
        ctrl.reset();
        RaidTest::TearDown();
    }
    // The controller's own battery codes for the library's states none,
    // needs reconditioning, low and OK.
    void setStates(unsigned int nvram, unsigned int battery) {
        static const std::uint32_t kControllerBattery[] = {0, 3, 1, 2};
        sim.update(0, [&](qorsim::Adapter& a) {
            a.maint.nvram.state = nvram;
            a.maint.nvram.battery = kControllerBattery[battery];
        });
    }
    // The NVRAM status queries after the first `skip` fail `times` times.
    void failQueries(int skip, int times) {
        qorsim::Fault f;
        f.fibCommand = kFsCommand;
        f.error = EIO;
        f.skip = skip;
        f.times = times;
        sim.inject(f);
    }
    std::unique_ptr<MorvaneRaidCtrl> ctrl;
};

TEST_F(NvramBattery, StatesGiveCodesAndEventTypes) {
    const struct {
        unsigned int nvram, battery;
        int failSkip, failTimes; // failTimes 0: no failure
        unsigned int code;
        DiagnosticEvent::EventType type;
        const char* words;
    } cases[] = {
        {1, 3, 0, 0, 0, DiagnosticEvent::INFORMATION_EVENT,
         "PASSED TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT"},
        {0, 0, 0, 0, 0, DiagnosticEvent::INFORMATION_EVENT,
         "PASSED TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT"},
        {3, 3, 0, 0, 0, DiagnosticEvent::INFORMATION_EVENT,
         "PASSED TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT"},
        {4, 0, 0, 0, 0, DiagnosticEvent::INFORMATION_EVENT,
         "PASSED TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT"},
        {2, 3, 0, 0, 7, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS NVRAM_IN_ERROR_STATE ERROR_EVENT"},
        {2, 2, 0, 0, 9, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS NVRAM_BATTERY_IS_LOW ERROR_EVENT"},
        {1, 1, 0, 0, 8, DiagnosticEvent::WARNING_EVENT,
         "UNUSUAL_STATUS NVRAM_BATTERY_NEEDS_RECONDITIONING WARNING_EVENT"},
        {0, 2, 0, 0, 9, DiagnosticEvent::WARNING_EVENT,
         "UNUSUAL_STATUS NVRAM_BATTERY_IS_LOW WARNING_EVENT"},
        // Both queries fail: the battery's code wins.
        {1, 3, 0, -1, 14, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS TEST_FAILED_TO_GET_NVRAM_BATTERY_STATE ERROR_EVENT"},
        // Only the NVRAM query fails; the battery is OK.
        {1, 3, 0, 1, 13, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS TEST_FAILED_TO_GET_NVRAM_STATE ERROR_EVENT"},
        // Only the battery query fails.
        {1, 3, 1, 1, 14, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS TEST_FAILED_TO_GET_NVRAM_BATTERY_STATE ERROR_EVENT"},
        // The NVRAM query fails and the battery needs reconditioning: an error.
        {1, 1, 0, 1, 8, DiagnosticEvent::ERROR_EVENT,
         "UNUSUAL_STATUS NVRAM_BATTERY_NEEDS_RECONDITIONING ERROR_EVENT"},
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.nvram) + "/" + std::to_string(c.battery) +
                                 " failing " + std::to_string(c.failTimes);
        sim.clearFaults();
        setStates(c.nvram, c.battery);
        if (c.failTimes)
            failQueries(c.failSkip, c.failTimes);
        const auto out = raidtest::runRaidTest<NVRAMandBatteryTest>(ctrl.get());
        EXPECT_EQ(out.result, c.code ? DiagnosticResult::UNUSUAL_STATUS : DiagnosticResult::PASSED)
            << name;
        EXPECT_EQ(out.code, c.code) << name;
        EXPECT_EQ(out.type, c.type) << name;
        ASSERT_EQ(out.lines.size(), 3u) << name;
        EXPECT_EQ(out.lines[2],
                  std::string("MorvaneRaidDiag::NVRAMandBatteryTest::pResult: ") + c.words)
            << name;
    }
}

TEST_F(NvramBattery, StateQueriesOfTheController) {
    setStates(3, 2);
    EXPECT_EQ(ctrl->getNVRAMstate(), 3u);
    EXPECT_EQ(ctrl->getNVRAMbatteryState(), 2u);
    failQueries(0, -1);
    EXPECT_EQ(ctrl->getNVRAMstate(), MorvaneRaidCtrl::NVRAM_QUERY_FAILED);
    EXPECT_EQ(ctrl->getNVRAMbatteryState(), MorvaneRaidCtrl::BATTERY_QUERY_FAILED);
}

} // namespace
