#include "GlobalCacheTest.h"

#include "FsaCache.h"
#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

const RaidTestTexts kTexts = {
    "GlobalCacheTest::GlobalCacheTest()",
    "MorvaneRaidDiag::GlobalCacheTest::run()",
    nullptr,
    "MorvaneRaidDiag::GlobalCacheTest::pResult: ",
};

} // namespace

GlobalCacheTest::GlobalCacheTest(std::ofstream& log, System::EventQueue& events)
    : RaidFunctionalTest(log, events, kTexts) {}

Diag::DiagnosticResult* GlobalCacheTest::check(MorvaneRaidCtrl& ctrl) {
    return makeResult(ctrl.getGlobalCacheParams() ? TEST_COMPLETED_SUCCESSFULLY
                                                  : GET_GLOBAL_CACHE_PARAMS_FAILED);
}

} // namespace VarnDiags::MorvaneRaidDiag
