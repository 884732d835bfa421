// The partition enumeration: one locally attached element of the sorted
// partition cache per call, continued from the previous answer.
#include "ContainerCaches.h"
#include "ContainerInfo.h"
#include "CtChannel.h"
#include "Frame.h"
#include "FsaApi.h"
#include "FsaContainerInfo.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"
#include "Trace.h"

#include <cstring>

namespace {

std::uint32_t partitionState(const Pce& e) {
    const Partition& p = e.partition;
    if (PCE_IsFree(e))
        return 0;
    if (e.state == FSA_PCE_ON_DISK)
        return 6;
    const std::uint32_t w28 = par::flags(p);
    if (w28 & (1u << 12))
        return 3;
    const std::uint32_t bit = par::u16(p, par::kMemberIndex) & 31;
    if ((par::u32(p, 64) >> bit & 1) || e.state == FSA_PCE_USED_NO_MBR)
        return 4;
    if (w28 & (1u << 30))
        return 5;
    return w28 & 1 ? 1 : 2;
}

void answer(FSAAPI_CONTEXT* ctx, const Pce& e, FSA_PARTITION_INFO* info) {
    const Partition& p = e.partition;
    std::memset(info, 0, sizeof *info);
    SCSI_GetStandardID(ctx, &info->device, static_cast<int>(par::drive(p)));
    info->offset = std::uint64_t(par::start(p)) * 512;
    info->size = std::uint64_t(par::size(p)) * 512;
    info->state = partitionState(e);
    info->level0Type = CT_GetFsaCtrType(par::l0Type(p));
    info->level0.containerNumber = 0xFFFFFFFFu;
    info->level1.containerNumber = 0xFFFFFFFFu;
    const std::uint32_t s = info->state;
    if (s == 1 || s == 2 || s == 3 || s == 4 || s == 6) {
        info->level0 = {par::l0Number(p), 0, FsaAdapterSerial(ctx)};
        // Element word 63 (the disk set's state) 1: the disk set's owner.
        std::uint32_t state, owner;
        std::memcpy(&state, e.diskSetInfo + 4 * 22, 4);
        std::memcpy(&owner, e.diskSetInfo + 4 * 16, 4);
        if (state == 1)
            info->level0.adapterSerial = FsaGetSerialFromDSOwner(owner);
    }
    info->level1Type = CT_GetFsaCtrType(par::l1Type(p));
    if (s == 1)
        info->level1 = {par::l1Number(p), 0, FsaAdapterSerial(ctx)};
    info->hasWord32 = par::u32(p, 128) != 0;
    info->hasMemberIndex = par::u16(p, par::kMemberIndex) != 0;
}

bool sameKey(const std::uint32_t key[7], const FSA_PARTITION* p) {
    std::uint32_t k[7];
    std::memcpy(k, p, sizeof(FSA_PARTITION));
    return std::memcmp(k, key, sizeof k) == 0;
}

} // namespace

extern "C" FSA_STATUS FsaGetFsaPartitionInfo(void* handle, int next, const FSA_PARTITION* partition,
                                             FSA_PARTITION_INFO* info) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (!info)
            return FSA_STS_BAD_ARGUMENTS;
        if (!partition && !next)
            return FSA_STS_BAD_ARGUMENTS;
        if (partition && !SCSI_AddressEncodable(&partition->device))
            return SCSI_DRIVE_NOT_FOUND;
        if (!partition)
            CT_InvalidateCache(ctx); // a new enumeration starts from a fresh picture
        CT_UpdateCache(ctx);
        FsaContainerCaches& c = *ctx->containerCaches;
        std::lock_guard<std::recursive_mutex> lock(c.mutex);
        const PceList& list = c.list;
        const int count = static_cast<int>(list.size());
        auto local = [&](int from) {
            while (from < count && !LOCAL_ATTACHED(&list[from]))
                ++from;
            return from;
        };
        int cursor;
        if (!partition) {
            if (list.empty())
                return FSA_STS_NO_MORE_PARTITIONS;
            cursor = local(0);
        } else if (next && c.cursor >= 0 && sameKey(c.lastKey, partition)) {
            cursor = local(c.cursor + 1);
        } else {
            const int drive = SCSI_DriveId(ctx, &partition->device);
            cursor = count;
            for (int i = 0; i < count; ++i) {
                const Partition& p = list[i].partition;
                if (!LOCAL_ATTACHED(&list[i]) || static_cast<int>(par::drive(p)) != drive)
                    continue;
                if (partition->offset == 0 ||
                    (std::uint64_t(par::start(p)) * 512 == partition->offset &&
                     std::uint64_t(par::size(p)) * 512 == partition->size)) {
                    cursor = i;
                    break;
                }
            }
            if (next && cursor < count)
                cursor = local(cursor + 1);
        }
        if (cursor > count) {
            UtilPrintDebugFormatted("FsaGetFsaPartitionInfo: Internal Error:\n");
            UtilPrintDebugFormatted(
                "... pFC->pPrtnCache->lastIndex = %d, pFC->pPrtnCache->listCount = %d\n", cursor,
                count);
        }
        if (cursor >= count)
            return FSA_STS_NO_MORE_PARTITIONS;
        const Pce& e = list[cursor];
        if (e.state == FSA_PCE_NO_EXTENT && par::l0Type(e.partition) != 8)
            return FSA_STS_NO_MORE_PARTITIONS;
        answer(ctx, e, info);
        c.cursor = cursor;
        FSA_PARTITION key{info->device, info->offset, info->size};
        std::memcpy(c.lastKey, &key, sizeof key);
        return FSA_STS_SUCCESS;
    });
}
