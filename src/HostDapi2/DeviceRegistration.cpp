#include <string>

#include "HostDapi2/DescriptorStore.h"
#include "HostDapi2/ProgramHooks.h"
#include "PCIDevices/IPCIDevice.h"
#include "System/LogStreams.h"
#include "dapi2.h"

namespace VarnDiags::HostDapi2 {

using System::logLine;

namespace {

// The host's device number: every registration attempt of the process
// uses one up, successful or not.
int s_devId = 0;

const char* text(const char* value) {
    return value != nullptr ? value : "";
}

} // namespace

void addDescriptorToHostDevice(tag_DapiDiagDevice* hostDevice, const char* descriptor) {
    logLine(pLogFile, "Now...Attempt at Adding placeholder-FRU to device.");
    Dapi2_AddFruToDevice(hostDevice, "placeholder", "placeholder", "placeholder", "placeholder",
                         "placeholder", "placeholder");
    logLine(pLogFile, "Attempting to add -> \"", text(descriptor), "\" to FRU ");
    storeDescriptor(hostDevice, text(descriptor));
    Dapi2_AddTestsToDevice(hostDevice, "*");
}

int CreateDapi2DeviceFromVarnDevice(DeviceEnum::IDevice* device, tag_DapiDiagDevice** hostDevice) {
    if (hostDevice == nullptr)
        return -1;
    *hostDevice = nullptr;
    auto* pciDevice = dynamic_cast<PCIDevices::IPCIDevice*>(device);
    if (pciDevice == nullptr) {
        logLine(pLogFile, "Your PCI Device device not of TYPE IPCIDevice");
        ++s_devId;
        logLine(pLogFile, "device failed to create by Dapi2");
        return -1;
    }
    Dapi2_CreateDevicePCI("PCI", s_devId, text(pciDevice->getDeviceName()),
                          text(pciDevice->getDeviceLocation()),
                          text(pciDevice->getDeviceDescription()), pciDevice->getBusNum(),
                          pciDevice->getDeviceNum(), pciDevice->getFuncNum(), hostDevice);
    ++s_devId;
    if (*hostDevice == nullptr) {
        logLine(pLogFile, "device failed to create by Dapi2");
        return -1;
    }
    addDescriptorToHostDevice(*hostDevice, pciDevice->getDeviceDescriptor());
    return 0;
}

} // namespace VarnDiags::HostDapi2
