// The HBA descriptor parser on arbitrary text: what it accepts is written
// to a descriptor that parses to the same fields, and the device built from
// any text is either valid and rebuilds itself exactly, or invalid without
// a WWN.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PCIFiberDiag/HbaDescriptor.h"
#include "PCIFiberDiag/QLogicHBA.h"

using namespace VarnDiags::PCIFiberDiag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    HbaIdentity identity;
    const bool parsed = parseHbaDescriptor(text.c_str(), identity);
    if (parsed) {
        const std::string written = writeHbaDescriptor(identity);
        HbaIdentity again;
        if (!parseHbaDescriptor(written.c_str(), again) || again.bus != identity.bus ||
            again.deviceNumber != identity.deviceNumber || again.typeCode != identity.typeCode ||
            again.wwnText != identity.wwnText || again.name != identity.name ||
            again.description != identity.description)
            std::abort();
    }

    QLogicHBA device(text.c_str());
    if (device.isDeviceReferenceValid()) {
        QLogicHBA again(device.getDeviceDescriptor());
        if (!again.isDeviceReferenceValid() ||
            std::string(again.getDeviceDescriptor()) != device.getDeviceDescriptor())
            std::abort();
    } else if (device.getDeviceOSFileDescriptor() != nullptr) {
        std::abort();
    }
    return 0;
}
