#include "NVRAMandBatteryTest.h"

#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

const RaidTestTexts kTexts = {
    "NVRAMandBatteryTest::NVRAMandBatteryTest()",
    "MorvaneRaidDiag::NVRAMandBatteryTest::run()",
    nullptr,
    "MorvaneRaidDiag::NVRAMandBatteryTest::pResult: ",
};

enum class Effect { None, Warning, Error };

struct StateRow {
    unsigned int state;
    unsigned int code;
    Effect effect;
};

// States not listed neither warn nor fail.
const StateRow kNvramStates[] = {
    {MorvaneRaidCtrl::NVRAM_ERROR, NVRAM_ERROR, Effect::Error},
    {MorvaneRaidCtrl::NVRAM_QUERY_FAILED, NVRAM_STATE_UNREADABLE, Effect::Error},
};
const StateRow kBatteryStates[] = {
    {MorvaneRaidCtrl::BATTERY_NEEDS_RECONDITIONING, BATTERY_NEEDS_RECONDITIONING, Effect::Warning},
    {MorvaneRaidCtrl::BATTERY_LOW, BATTERY_LOW, Effect::Warning},
    {MorvaneRaidCtrl::BATTERY_QUERY_FAILED, BATTERY_STATE_UNREADABLE, Effect::Error},
};

template <std::size_t N> const StateRow* rowOf(const StateRow (&rows)[N], unsigned int state) {
    for (const StateRow& row : rows)
        if (row.state == state)
            return &row;
    return nullptr;
}

} // namespace

NVRAMandBatteryTest::NVRAMandBatteryTest(std::ofstream& log, System::EventQueue& events)
    : RaidFunctionalTest(log, events, kTexts) {}

Diag::DiagnosticResult* NVRAMandBatteryTest::check(MorvaneRaidCtrl& ctrl) {
    bool error = false;
    bool warning = false;
    unsigned int code = TEST_COMPLETED_SUCCESSFULLY;
    if (const StateRow* row = rowOf(kNvramStates, ctrl.getNVRAMstate())) {
        error = true;
        code = row->code;
    }
    // The battery's code replaces the NVRAM's; an NVRAM error stays an error.
    if (const StateRow* row = rowOf(kBatteryStates, ctrl.getNVRAMbatteryState())) {
        code = row->code;
        warning = row->effect == Effect::Warning;
        error = error || row->effect == Effect::Error;
    }
    if (error)
        return makeResult(code, Diag::DiagnosticEvent::ERROR_EVENT);
    if (warning)
        return makeResult(code, Diag::DiagnosticEvent::WARNING_EVENT);
    return makeResult(TEST_COMPLETED_SUCCESSFULLY);
}

} // namespace VarnDiags::MorvaneRaidDiag
