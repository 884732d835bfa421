#include "DeviceScanTest.h"

#include "MorvaneRaidCtrl.h"
#include "ResultCodes.h"

#include <algorithm>

namespace VarnDiags::MorvaneRaidDiag {

namespace {

const RaidTestTexts kTexts = {
    "DeviceScanTest::DeviceScanTest()",
    "MorvaneRaidDiag::DeviceScanTest::run()",
    "MorvaneRaidDiag::DeviceScanTest::run(): Invalid Morvane Controller reference.",
    "MorvaneRaidDiag::DeviceScanTest::run(): pResult: ",
};

std::vector<ScsiDevice> notIn(const std::vector<ScsiDevice>& from,
                              const std::vector<ScsiDevice>& other) {
    std::vector<ScsiDevice> out;
    for (const ScsiDevice& d : from)
        if (std::none_of(other.begin(), other.end(), [&](const ScsiDevice& o) { return o == d; }))
            out.push_back(d);
    return out;
}

} // namespace

DeviceScanTest::DeviceScanTest(std::ofstream& log, System::EventQueue& events)
    : RaidFunctionalTest(log, events, kTexts) {}

std::vector<ScsiDevice> DeviceScanTest::findAddedDevices(const std::vector<ScsiDevice>& before,
                                                         const std::vector<ScsiDevice>& after) {
    return notIn(after, before);
}

std::vector<ScsiDevice> DeviceScanTest::findMissingDevices(const std::vector<ScsiDevice>& before,
                                                           const std::vector<ScsiDevice>& after) {
    return notIn(before, after);
}

Diag::DiagnosticResult* DeviceScanTest::check(MorvaneRaidCtrl& ctrl) {
    const std::vector<ScsiDevice> before = ctrl.getDeviceVector();
    logLine("MorvaneRaidDiag::DeviceScanTest::run(): Performing Device Rescan.");
    const bool rescanned = ctrl.rescanDevices();
    if (!rescanned)
        logLine("MorvaneRaidDiag::DeviceScanTest::run(): Device Rescan Failed.");
    logLine("MorvaneRaidDiag::DeviceScanTest::run(): Device Rescan completed.");
    if (!rescanned)
        return makeResult(PAUSE_IO_FUNCTION_FAILED);

    logLine("MorvaneRaidDiag::DeviceScanTest::run(): Checking for change in device configuration.");
    const std::vector<ScsiDevice> after = ctrl.getDeviceVector();
    const std::vector<ScsiDevice> added = findAddedDevices(before, after);
    const std::vector<ScsiDevice> missing = findMissingDevices(before, after);
    if (!missing.empty()) {
        logLine("MorvaneRaidDiag::DeviceScanTest::run(): Detected missing SCSI device(s).");
        return makeResult(MISSING_SCSI_DEVICES);
    }
    if (!added.empty()) {
        logLine("MorvaneRaidDiag::DeviceScanTest::run(): Detected additional SCSI device(s).");
        return makeResult(FOUND_NEW_SCSI_DEVICES);
    }
    logLine("MorvaneRaidDiag::DeviceScanTest::run(): No change detected in device configuration.");
    return makeResult(TEST_COMPLETED_SUCCESSFULLY);
}

} // namespace VarnDiags::MorvaneRaidDiag
