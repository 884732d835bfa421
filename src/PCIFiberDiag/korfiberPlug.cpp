// What korfiber plugs into the host shell.

#include "Diag/ProgramPlug.h"
#include "HostDapi2/ProgramHooks.h"
#include "PCIFiberDiag/QLogicHBA.h"
#include "PCIFiberDiag/QLogicHBAEnumerator.h"
#include "PCIFiberDiag/korfiber.h"

namespace VarnDiags {
const char* const MODULE_NAME = "korfiber";
} // namespace VarnDiags

const VarnDiags::HostDapi2::ProgramHooks VarnDiags::HostDapi2::PROGRAM_HOOKS = {
    &VarnDiags::HostDapi2::CreateDapi2DeviceFromVarnDevice, VarnDiags::HostDapi2::Debugger::Ddd};

using VarnDiags::DeviceEnum::IDevice;
using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::PCIFiberDiag::QLogicHBA;

int GetNumberOfTests() {
    return 2;
}

VarnDiags::DeviceEnum::IDeviceEnumerator* GetVarnDiagsDeviceEnumeratorObject() {
    return new VarnDiags::PCIFiberDiag::QLogicHBAEnumerator;
}

VarnDiags::Diag::IDiagnostics* GetVarnDiagsTestObject() {
    return new VarnDiags::PCIFiberDiag::korfiber;
}

void GetVarnVirtualDevice(const char* descriptor, VirtualDevice** handle) {
    if (handle == nullptr)
        return;
    QLogicHBA prototype;
    IDevice* rebuilt = prototype.clone(descriptor);
    auto* hba = dynamic_cast<QLogicHBA*>(rebuilt);
    if (hba == nullptr)
        delete rebuilt;
    *handle = new VirtualDevice(hba);
}
