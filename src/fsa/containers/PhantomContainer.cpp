// A container the controller does not hold loaded, described from the
// partitions that carry its number.
#include "ContainerCaches.h"
#include "ContainerInfo.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"

#include <cstring>

namespace {

// Usable for the description: as for container lookups, without the disk
// set's state.
bool usable(const FSAAPI_CONTEXT* ctx, const PceList& list, const Pce& e) {
    return LOCAL_ATTACHED(&e) && !PCE_IsFree(e) && !CT_IsConflictingPartition(list, &e) &&
           (par::start(e.partition) || par::l0Type(e.partition) == 8) &&
           par::serial(e.partition) == FsaAdapterSerial(ctx);
}

} // namespace

int CT_GetPhantomContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_CONTAINER_INFO* info,
                           unsigned int size) {
    return CT_WithCache(ctx, [&](const PceList& list) {
        std::memset(info, 0, size);
        CT_GetStandardID(ctx, &info->container, n);
        for (auto& r : info->related)
            r.containerNumber = 0xFFFFFFFFu;
        info->mirrorPartner.containerNumber = 0xFFFFFFFFu;
        info->parent.containerNumber = 0xFFFFFFFFu;
        info->snapshotSource.containerNumber = 0xFFFFFFFFu;
        info->usage = 3;
        info->diskNumber = 0xFFFFFFFFu;

        // The members that carry n at level 0, in member order.
        std::uint32_t count = 0, type = 0;
        std::uint64_t memberBytes = 0;
        bool found = false;
        for (const Pce& e : list) {
            const Partition& p = e.partition;
            if (!usable(ctx, list, e) || !par::levelPresent(par::l0Type(p)) ||
                par::l0Number(p) != n || !par::u16(p, par::kL0Members))
                continue;
            if (!found) {
                count = par::u16(p, par::kL0Members);
                if (count > CT_InfoRoom(size))
                    throw FSA_STATUS(5);
                type = CT_GetFsaCtrType(par::l0Type(p));
                std::memcpy(&info->diskSetInfo, e.diskSetInfo, sizeof e.diskSetInfo);
                found = true;
            }
            const std::uint32_t index = par::u16(p, par::kMemberIndex);
            if (index >= count)
                continue; // names a slot the container does not have
            FSA_PARTITION& m = info->partitions[index];
            SCSI_GetStandardID(ctx, &m.device, static_cast<int>(par::drive(p)));
            m.offset = std::uint64_t(par::start(p)) * 512;
            m.size = std::uint64_t(par::size(p)) * 512;
            memberBytes = m.size;
            info->size += m.size;
            info->hasDrivePartitions = 1;
            CT_MoveCreationInfo(&p, info);
        }
        if (!found) {
            std::memset(info, 0, size);
            info->container.containerNumber = 0xFFFFFFFFu;
            return 0;
        }
        info->type = type;
        info->extendedType = type;
        info->partitionCount = count;
        for (std::uint32_t i = 0; i < count; ++i) {
            FSA_PARTITION& m = info->partitions[i];
            if (m.offset || m.size)
                continue;
            m.device.kind = 1; // missing member
            info->membersMissing = 1;
            if (type == 1 || type == 2 || type == 4) {
                m.size = memberBytes;
                if (type != 1)
                    info->size += memberBytes;
            }
        }
        if (type == 4 && info->size >= memberBytes)
            info->size -= memberBytes;
        if (type == 1)
            info->size = memberBytes;
        return 1;
    });
}
