// Memory device descriptors come back from the host: whatever the text, the
// parser either refuses it or yields parameters that write back to a text
// that reads the same; a system device built from it never misbehaves.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MemoryParameterList.h"
#include "SystemDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = VarnDiags::DeviceEnum::parseMemoryParameters(text.c_str());
    if (parsed) {
        const std::string written = VarnDiags::DeviceEnum::formatMemoryParameters(*parsed);
        const auto again = VarnDiags::DeviceEnum::parseMemoryParameters(written.c_str());
        if (!again || again->totalKB != parsed->totalKB || again->names != parsed->names)
            std::abort();
    }
    VarnDiags::SystemDevices::SystemDevice device(text.c_str());
    if (device.isDeviceReferenceValid() && device.getParamList() == nullptr)
        std::abort();
    (void)device.getMemSize();
    return 0;
}
