#include "MemoryRegistration.h"

#include "HostDapi2/ProgramHooks.h"
#include "System/LogStreams.h"
#include "SystemDevice.h"
#include "dapi2.h"

namespace VarnDiags::Orbisk {

using System::logLine;

namespace {

const char* text(const char* value) {
    return value != nullptr ? value : "";
}

} // namespace

int CreateDapi2DeviceFromVarnDevice(DeviceEnum::IDevice* device, tag_DapiDiagDevice** hostDevice) {
    if (hostDevice == nullptr)
        return -1;
    *hostDevice = nullptr;
    auto* systemDevice = dynamic_cast<SystemDevices::SystemDevice*>(device);
    if (systemDevice == nullptr) {
        logLine(pLogFile, "Your System device not of TYPE SystemDevice");
        return -1;
    }
    // The size the data manager reported, before any debugging or test cap.
    Dapi2_CreateDeviceMemory(
        "MEMORY", 0, text(systemDevice->getDeviceName()), text(systemDevice->getDeviceDescriptor()),
        text(systemDevice->getDeviceDescription()), systemDevice->getMemSize(), hostDevice);
    if (*hostDevice == nullptr) {
        logLine(pLogFile, "device failed to create by Dapi2");
        return -1;
    }
    HostDapi2::addDescriptorToHostDevice(*hostDevice, systemDevice->getDeviceDescriptor());
    return 0;
}

} // namespace VarnDiags::Orbisk
