#include "SMARTdeviceTest.h"

#include "FsaDevices.h"
#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

const RaidTestTexts kTexts = {
    "SMARTdeviceTest::SMARTdeviceTest()",
    "MorvaneRaidDiag::SMARTdeviceTest::run()",
    nullptr,
    "MorvaneRaidDiag::SMARTdeviceTest::pResult: ",
};

} // namespace

SMARTdeviceTest::SMARTdeviceTest(std::ofstream& log, System::EventQueue& events)
    : RaidFunctionalTest(log, events, kTexts) {}

Diag::DiagnosticResult* SMARTdeviceTest::check(MorvaneRaidCtrl& ctrl) {
    for (const ScsiDevice& device : ctrl.getDeviceVector())
        if (device.getDeviceClass() == FSA_SDC_CONTAINER_COMPATIBLE && !device.getSmartInfo())
            return makeResult(GET_SMART_INFO_FAILED);
    return makeResult(TEST_COMPLETED_SUCCESSFULLY);
}

} // namespace VarnDiags::MorvaneRaidDiag
