// The PCI descriptor parser: any text either leaves the device invalid or
// yields a device whose own descriptor parses back to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PCIDevices/PCIDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    VarnDiags::PCIDevices::PCIDevice device(text.c_str());
    if (!device.isDeviceReferenceValid())
        return 0;
    const std::string written = device.getDeviceDescriptor();
    VarnDiags::PCIDevices::PCIDevice again(written.c_str());
    if (!again.isDeviceReferenceValid() || written != again.getDeviceDescriptor())
        std::abort();
    device.setDeviceLocation();
    return 0;
}
