// korraid's plug into the host shell.
#include "Diag/ProgramPlug.h"
#include "HostDapi2/ProgramHooks.h"
#include "MorvaneRaidCtrl.h"
#include "MorvaneRaidCtrlDiag.h"
#include "MorvaneRaidEnumerator.h"

const char* const VarnDiags::MODULE_NAME = "korraid";

const VarnDiags::HostDapi2::ProgramHooks VarnDiags::HostDapi2::PROGRAM_HOOKS = {
    &VarnDiags::HostDapi2::CreateDapi2DeviceFromVarnDevice, VarnDiags::HostDapi2::Debugger::Ddd};

int GetNumberOfTests() {
    return 0;
}

VarnDiags::DeviceEnum::IDeviceEnumerator* GetVarnDiagsDeviceEnumeratorObject() {
    return new VarnDiags::MorvaneRaidDiag::MorvaneRaidEnumerator;
}

VarnDiags::Diag::IDiagnostics* GetVarnDiagsTestObject() {
    return new VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrlDiag;
}

void GetVarnVirtualDevice(const char* descriptor, VarnDiags::DeviceEnum::VirtualDevice** handle) {
    VarnDiags::MorvaneRaidDiag::MorvaneRaidCtrl prototype;
    *handle = new VarnDiags::DeviceEnum::VirtualDevice(prototype.clone(descriptor));
}
