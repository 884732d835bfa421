#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "Diag/ProgramPlug.h"
#include "HostDapi2/DebuggerAid.h"
#include "HostDapi2/HostShell.h"
#include "HostDapi2/ProgramHooks.h"
#include "System/LogStreams.h"
#include "dapi2.h"

namespace VarnDiags::HostDapi2 {

using DeviceEnum::IDevice;
using System::logLine;

namespace {

// Registers the device and offers it to the host; false when it failed.
bool registerWithHost(IDevice* device) {
    tag_DapiDiagDevice* hostDevice = nullptr;
    if (PROGRAM_HOOKS.registerDevice == nullptr ||
        PROGRAM_HOOKS.registerDevice(device, &hostDevice) != 0 || hostDevice == nullptr)
        return false;
    Dapi2_AddDevice(hostDevice);
    return true;
}

// TEST_DEV, read each time: only the device with this index is registered.
std::optional<int> selectedDevice() {
    const char* value = std::getenv("TEST_DEV");
    if (value == nullptr)
        return std::nullopt;
    return std::atoi(value);
}

} // namespace

int VarnFrameworkEnumFunction() {
    startDebuggerIfAsked("DEBUG_ENUM");
    logLine(pLogFile, "Inside int VarnFrameworkEnumFunction()");
    std::unique_ptr<DeviceEnum::IDeviceEnumerator> enumerator(GetVarnDiagsDeviceEnumeratorObject());
    if (enumerator == nullptr)
        return HOST_NO_DEVICE;
    std::unique_ptr<std::vector<DeviceEnum::VirtualDevice>> devices(enumerator->getDeviceVector());
    if (devices == nullptr)
        return HOST_NO_DEVICE;

    logLine(pLogFile, "Testable Devices Found.");
    const std::optional<int> only = selectedDevice();
    int result = HOST_NO_DEVICE;
    for (std::size_t index = 0; index < devices->size(); ++index) {
        DeviceEnum::VirtualDevice& handle = (*devices)[index];
        if (!handle.openDevice(IDevice::OPEN_TEST)) {
            logLine(pLogFile, "VarnFrameworkEnumFunction(): Failed to open device.");
            return HOST_ENUMERATION_FAILED;
        }
        IDevice* device = handle.getDevice();
        if (!device->isDeviceReferenceValid()) {
            logLine(pLogFile,
                    "VarnFrameworkEnumFunction(): Invalid Device or the Device was not found.");
            return HOST_ENUMERATION_FAILED;
        }
        if (!only) {
            if (!registerWithHost(device))
                return HOST_ENUMERATION_FAILED;
            result = HOST_PASSED;
        } else if (static_cast<long>(index) == *only) {
            logLine(pLogFile, "ONLY Adding TEST_DEV number ", *only);
            return registerWithHost(device) ? HOST_PASSED : HOST_ENUMERATION_FAILED;
        } else {
            logLine(pLogFile, "Current Device number is :", index);
            logLine(pLogFile, "***....looking to add Device num: ", *only, "for testing");
        }
        handle.closeDevice();
    }
    return result;
}

} // namespace VarnDiags::HostDapi2
