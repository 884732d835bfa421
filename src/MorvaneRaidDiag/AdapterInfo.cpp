#include "AdapterInfo.h"

#include <cstring>

namespace VarnDiags::MorvaneRaidDiag {

namespace {

RevisionRecord revisionOf(const FSA_REVISION& r) {
    RevisionRecord out;
    std::memcpy(out.bytes, &r, sizeof out.bytes);
    return out;
}

} // namespace

ADAPTER_INFO adapterInfoFrom(const FSA_GENERAL_INFO& g) {
    ADAPTER_INFO info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.block, g.spareName, sizeof info.block);
    std::memcpy(info.adapterTypeText, g.adapterTypeText, sizeof info.adapterTypeText);
    const FSA_REVISION* revisions[8] = {
        &g.libraryVersion,  &g.spareRevision[0], &g.fileSysDriverVersion, &g.miniportDriverVersion,
        &g.firmwareVersion, &g.monitorVersion,   &g.hardwareVersion,      &g.biosVersion};
    for (std::size_t i = 0; i < info.revisions.size(); ++i)
        info.revisions[i] = revisionOf(*revisions[i]);
    info.carried[0] = (std::uint64_t(g.channelCount) << 32) | g.maxTargetId;
    info.carried[1] = (std::uint64_t(g.ownerIdHigh) << 32) | g.ownerIdLow;
    info.pciBus = g.pciBus;
    info.pciDevice = g.pciSlot;
    info.adapterType = g.adapterType;
    info.furtherWord = g.adapterOptions;
    info.flags[0] = g.miscFlag0 != 0;
    info.flags[1] = g.miscFlag1 != 0;
    info.flags[2] = g.hasOce != 0;
    return info;
}

} // namespace VarnDiags::MorvaneRaidDiag
