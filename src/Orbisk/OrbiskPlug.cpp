// The memory diagnostic's plug into the host shell.

#include <memory>

#include "Diag/ProgramPlug.h"
#include "HostDapi2/ProgramHooks.h"
#include "MemoryDevice.h"
#include "MemoryDeviceEnumerator.h"
#include "MemoryRegistration.h"
#include "Orbisknostic.h"

const char* const VarnDiags::MODULE_NAME = "Orbisk";

const VarnDiags::HostDapi2::ProgramHooks VarnDiags::HostDapi2::PROGRAM_HOOKS = {
    &VarnDiags::Orbisk::CreateDapi2DeviceFromVarnDevice, VarnDiags::HostDapi2::Debugger::Gdb};

int GetNumberOfTests() {
    return 0;
}

VarnDiags::DeviceEnum::IDeviceEnumerator* GetVarnDiagsDeviceEnumeratorObject() {
    return new VarnDiags::MemoryDevices::MemoryDeviceEnumerator;
}

VarnDiags::Diag::IDiagnostics* GetVarnDiagsTestObject() {
    return new VarnDiags::Orbisk::Orbisknostic;
}

void GetVarnVirtualDevice(const char* descriptor, VarnDiags::DeviceEnum::VirtualDevice** handle) {
    if (handle == nullptr)
        return;
    *handle = nullptr;
    VarnDiags::MemoryDevices::MemoryDevice empty;
    std::unique_ptr<VarnDiags::DeviceEnum::IDevice> clone(empty.clone(descriptor));
    auto* memory = dynamic_cast<VarnDiags::MemoryDevices::MemoryDevice*>(clone.get());
    if (memory == nullptr)
        return;
    clone.release();
    *handle = new VarnDiags::DeviceEnum::VirtualDevice(memory);
}
