#pragma once
// Makes the controller rescan its buses and compares its storage devices
// before and after: a missing device outranks a new one.

#include "RaidFunctionalTest.h"
#include "ScsiDevice.h"

#include <vector>

namespace VarnDiags::MorvaneRaidDiag {

class DeviceScanTest : public RaidFunctionalTest {
public:
    DeviceScanTest(std::ofstream& log, System::EventQueue& events);

    // Devices of `after` that `before` lacks, in their order.
    static std::vector<ScsiDevice> findAddedDevices(const std::vector<ScsiDevice>& before,
                                                    const std::vector<ScsiDevice>& after);
    // Devices of `before` that `after` lacks, in their order.
    static std::vector<ScsiDevice> findMissingDevices(const std::vector<ScsiDevice>& before,
                                                      const std::vector<ScsiDevice>& after);

protected:
    Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) override;
};

} // namespace VarnDiags::MorvaneRaidDiag
