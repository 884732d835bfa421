// Checks of requested free-space extents, and the removal of the containers
// that stand on a drive about to be reused.

#include "ContainerCaches.h"
#include "Context.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "DeleteByDisk.h"
#include "ParamChecks.h"
#include "PartitionFields.h"
#include "PckServices.h"
#include "ScsiCommands.h"
#include "SortedPartitionList.h"

#include <memory>
#include <new>

namespace {

constexpr std::uint64_t kAlign = 0xFFFF; // extents are multiples of 64 KiB

bool sameDrive(const FSA_STORAGE_DEVICE& a, const FSA_STORAGE_DEVICE& b) {
    return a.scsi.bus == b.scsi.bus && a.scsi.target == b.scsi.target && a.scsi.lun == b.scsi.lun;
}

// Whether the controller's own partition table still holds a configured
// partition on the drive's disk. The containers found through the sorted
// cache rest on each disk's slice information; a damaged answer there puts
// a disk's partitions on another drive, and the drive would look free.
bool tableHoldsPartitionOn(FSAAPI_CONTEXT* ctx, int deviceId) {
    const int slice = CT_GetSliceFromDriveHandle(ctx, deviceId, 1, nullptr);
    for (const auto& e : CT_GetPCEsForPartitionsInMemory(ctx, CT_GetPartitionTableSize(ctx))) {
        const Partition& p = e.partition;
        if (par::serial(p) && par::size(p) && par::drive(p) == static_cast<std::uint32_t>(slice) &&
            (par::u32(p, par::kFlags) & par::kFlagConfigured))
            return true;
    }
    return false;
}

FSA_STATUS rebuildCaches(FSAAPI_CONTEXT* ctx) {
    CT_InvalidateCache(ctx);
    return static_cast<FSA_STATUS>(CT_UpdateCache(ctx));
}

// A free element of the sorted cache holding the whole extent.
void checkExtentIsFree(const PceList& cache, std::uint32_t drive,
                       const FSA_STORAGE_DEVICE_SPACE& s) {
    const std::uint64_t end = s.offset + s.size;
    for (const Pce& e : cache) {
        if (par::drive(e.partition) != drive)
            continue;
        const std::uint64_t start = std::uint64_t{par::start(e.partition)} * 512;
        const std::uint64_t stop = start + std::uint64_t{par::size(e.partition)} * 512;
        if (s.offset < start || s.offset >= stop)
            continue;
        if (e.state != FSA_PCE_FREE)
            throw FSA_STS_FREE_SPACE_IN_USE;
        if (stop >= end)
            return;
    }
    throw FSA_STS_FREE_SPACE_NOT_FOUND;
}

} // namespace

void PCK_ValidateFreeSpace(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE_SPACE* spaces,
                           std::uint32_t count, int allowSmall) {
    SCSI_RequireDriveIds(
        ctx, count, [&](std::uint32_t i) -> const FSA_STORAGE_DEVICE& { return spaces[i].device; });
    if (const FSA_STATUS s = rebuildCaches(ctx); s != FSA_STS_SUCCESS)
        throw s;
    const std::uint32_t limit = CT_GetMaxNumberOfCtrPartitions(ctx);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint64_t wanted = CT_GetNumberOfPartitionsAlreadyOnDevice(ctx, &spaces[i].device.scsi);
        for (std::uint32_t j = i; j < count; ++j)
            wanted += sameDrive(spaces[j].device, spaces[i].device);
        if (wanted > limit)
            throw FSA_STS_DRIVE_FULL;
    }

    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const FSA_STORAGE_DEVICE_SPACE& s = spaces[i];
        const auto drive = static_cast<std::uint32_t>(SCSI_DriveId(ctx, &s.device));
        if ((s.offset & kAlign) != 0 || (s.size & kAlign) != 0)
            throw FSA_STS_FREE_SPACE_NOT_ALIGNED;
        // Offsets near the top of the range would wrap: no disk holds them.
        if (s.size > UINT64_MAX - s.offset)
            throw FSA_STS_FREE_SPACE_NOT_FOUND;
        total += s.size;
        CT_WithCache(ctx, [&](const PceList& cache) { checkExtentIsFree(cache, drive, s); });
        for (std::uint32_t j = i + 1; j < count; ++j) {
            const FSA_STORAGE_DEVICE_SPACE& o = spaces[j];
            if (!sameDrive(o.device, s.device))
                continue;
            if ((o.offset <= s.offset && o.offset + o.size > s.offset) ||
                (s.offset <= o.offset && s.offset + s.size > o.offset))
                throw FSA_STS_FREE_SPACE_OVERLAPS;
        }
    }
    if (!allowSmall && total < ctx->info.minContainerSize)
        throw FSA_STS_NEW_SIZE_TOO_SMALL;
}

FSA_STATUS PCK_CheckAndRemoveActiveCtrs(FSAAPI_CONTEXT* ctx, int deviceId, int removalAllowed,
                                        int force) {
    constexpr std::uint32_t kBytes = PCK_MAX_LISTED_CONTAINERS * sizeof(tag_FSA_CONTAINER);
    std::unique_ptr<tag_FSA_CONTAINER[]> direct(new (std::nothrow)
                                                    tag_FSA_CONTAINER[PCK_MAX_LISTED_CONTAINERS]);
    std::unique_ptr<tag_FSA_CONTAINER[]> higher(new (std::nothrow)
                                                    tag_FSA_CONTAINER[PCK_MAX_LISTED_CONTAINERS]);
    if (!direct || !higher)
        throw FSA_STS_OUT_OF_MEMORY;
    FSA_STORAGE_DEVICE device;
    SCSI_GetStandardID(ctx, &device, deviceId);
    const auto onDrive = [&] {
        std::uint32_t count = 0, degraded = 0;
        CT_FindContainersToDeleteByDisk(ctx, &device, 1, direct.get(), &count, kBytes, higher.get(),
                                        &degraded, kBytes);
        return count;
    };
    std::uint32_t deleted = 0xFFFFFFFF;
    while (onDrive() != 0) {
        if (!removalAllowed)
            throw FSA_STS_DISK_USED_BY_CONTAINERS;
        // A container reported deleted that is still listed would be
        // deleted again for ever.
        if (direct[0].containerNumber == deleted)
            throw FSA_STS_FAILURE;
        deleted = direct[0].containerNumber;
        const FSA_STATUS s = PCK_Services().deleteContainer(ctx, deleted, force ? 13 : 12);
        if (s != FSA_STS_SUCCESS)
            throw s;
    }
    if (tableHoldsPartitionOn(ctx, deviceId))
        throw FSA_STS_DISK_USED_BY_CONTAINERS;
    direct.reset();
    higher.reset();
    return rebuildCaches(ctx);
}
