// Binds the SDM library the way korfiber does, without linking it, so each
// run finds whatever libqlsdm.so its library path offers. Prints what the
// binding achieved; the log goes to probeApp.log (DIAGLOG) in the working
// directory.

#include <cstdio>
#include <memory>

#include "PCIFiberDiag/QLogicHBA.h"
#include "PCIFiberDiag/QLogicHBAEnumerator.h"
#include "PCIFiberDiag/SdmBinding.h"
#include "System/LogStreams.h"

using namespace VarnDiags::PCIFiberDiag;

int main() {
    VarnDiags::System::openLogStreams("probe");
    {
        QLogicHBAEnumerator enumerator;
        std::unique_ptr<std::vector<VarnDiags::DeviceEnum::VirtualDevice>> devices(
            enumerator.getDeviceVector());
        std::printf("entry points: %s\n", sdmEntryPoints() != nullptr ? "bound" : "none");
        std::printf("devices: %zu\n", devices->size());
        QLogicHBA device("4|8962|0|20 00 00 e0 8b 01 02 03|QLogic PCI Fiber Channel "
                         "Adapter|QLA2312 Dual Port|");
        std::printf("open: %d\n", device.open(QLogicHBA::OPEN_TEST));
    }
    VarnDiags::System::closeLogStreams();
    return 0;
}
