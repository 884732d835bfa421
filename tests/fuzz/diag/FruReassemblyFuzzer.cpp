// Reassembly of a descriptor from the host's FRU entries. The input is a
// list of entries "key\tvalue\n"; whatever it holds, reading never fails
// badly, and a descriptor stored by the shell always reads back whole.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "HostDapi2/DescriptorStore.h"
#include "dapi2.h"
#include "dapi2_control.h"

namespace {

tag_DapiDiagDevice* newDevice() {
    tag_DapiDiagDevice* device = nullptr;
    Dapi2_CreateDevicePCI("PCI", 0, "n", "l", "d", 0, 0, 0, &device);
    if (device == nullptr)
        std::abort();
    return device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dapi2_control::reset();
    const std::string text(reinterpret_cast<const char*>(data), size);

    tag_DapiDiagDevice* entries = newDevice();
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        const std::string key = line.substr(0, tab);
        const std::string value = tab == std::string::npos ? "" : line.substr(tab + 1);
        Dapi2_AddFruAdditionalInfoToDevice(entries, key.c_str(), "", value.c_str());
    }
    VarnDiags::HostDapi2::readDescriptor(entries);

    const std::string descriptor = text.substr(0, text.find('\0'));
    tag_DapiDiagDevice* stored = newDevice();
    VarnDiags::HostDapi2::storeDescriptor(stored, descriptor);
    if (VarnDiags::HostDapi2::readDescriptor(stored) != descriptor)
        std::abort();
    return 0;
}
