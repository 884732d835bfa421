// The host's SCSI mid-layer as far as container exposure reaches it: lines
// written to /proc/scsi/scsi. "scsi add-single-device H C T L" brings the
// host disk at instance H, target T, lun L back (a disk the driver deleted
// is known to the host again); "scsi remove-single-device H C T L" takes it
// out of the host's sight, which the driver's records do not show: the
// model marks it apart.
#include "CoreHandlers.h"

#include <cstdio>
#include <cstring>

namespace qorsim {

bool isScsiMidLayerPath(const char* path) {
    return path && std::strcmp(path, "/proc/scsi/scsi") == 0;
}

void applyScsiMidLayerText(Model& model, const std::string& text) {
    int host = 0, channel = 0, target = 0, lun = 0;
    const char* line = text.c_str();
    const bool add = std::sscanf(line, "scsi add-single-device %d %d %d %d", &host, &channel,
                                 &target, &lun) == 4;
    if (!add && std::sscanf(line, "scsi remove-single-device %d %d %d %d", &host, &channel, &target,
                            &lun) != 4)
        return;
    for (auto& [index, adapter] : model.adapters)
        for (auto& [number, disk] : adapter.hostDisks)
            if (disk.instance == host && disk.target == target && disk.lun == lun) {
                disk.removedFromHost = !add;
                if (add)
                    disk.deleted = false;
            }
}

} // namespace qorsim
