#include "DumpLogTest.h"

#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

const RaidTestTexts kTexts = {
    "DumpLogTest::DumpLogTest()",
    "MorvaneRaidDiag::DumpLogTest::run()",
    nullptr,
    "MorvaneRaidDiag::DumpLogTest::pResult: ",
};

} // namespace

DumpLogTest::DumpLogTest(std::ofstream& log, System::EventQueue& events)
    : RaidFunctionalTest(log, events, kTexts) {}

Diag::DiagnosticResult* DumpLogTest::check(MorvaneRaidCtrl& ctrl) {
    return makeResult(ctrl.dumpDiagnosticLog(FILE_NAME) ? TEST_COMPLETED_SUCCESSFULLY
                                                        : TEST_DUMP_LOG_FUNCTION_FAILED);
}

} // namespace VarnDiags::MorvaneRaidDiag
