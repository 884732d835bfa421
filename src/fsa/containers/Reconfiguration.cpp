#include "Reconfiguration.h"

#include "ContainerCaches.h"
#include "ContainerOperations.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "OsPort.h"
#include "ParamChecks.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"
#include "SmallCommands.h"
#include "Trace.h"

#include <cstring>
#include <vector>

namespace {

constexpr std::uint32_t kLocked = 1u << 31;
constexpr unsigned kSettleMs = 5000;

bool locked(const Pce& e) {
    return (par::flags(e.partition) & kLocked) != 0;
}
bool dead(const Pce& e) {
    const std::uint32_t own = par::u16(e.partition, par::kMemberIndex) & 31;
    return (par::u32(e.partition, 64) >> own & 1) != 0;
}
bool onDevice(const Pce& e, int device) {
    return static_cast<int>(par::drive(e.partition)) == device;
}

// Whether the cache read the device's partitions: not when its MBR could
// not be read, nor when a slice came back described as nothing and none
// was read as this disk (that slice may be it).
bool deviceRead(const std::vector<DriveReading>& drives, int device) {
    bool seen = false, undescribed = false;
    for (const DriveReading& d : drives) {
        if (!d.described) {
            undescribed = true;
        } else if (static_cast<int>(d.driveId) == device) {
            if (!d.mbrRead)
                return false;
            seen = true;
        }
    }
    return seen || !undescribed;
}

// The elements of the device the walk picked, copied out so the commands
// run after the mutex is released; `read` (when given) learns whether the
// list read the device.
template <class Pick>
std::vector<Pce> pick(FSAAPI_CONTEXT* ctx, int device, Pick&& p, bool* read = nullptr) {
    return CT_WithCache(ctx, [&](const PceList& list) {
        if (read)
            *read = deviceRead(ctx->containerCaches->drives, device);
        std::vector<Pce> out;
        for (const Pce& e : list)
            if (onDevice(e, device) && p(e))
                out.push_back(e);
        return out;
    });
}

std::uint32_t morphKind(std::uint32_t type) {
    switch (type) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 1;
    case 4:
    case 8:
        return 4;
    case 9:
    case 10:
        return 9;
    case 11:
    case 12:
        return 13;
    case 13:
        return 10;
    case 15:
        return 12;
    default:
        throw FSA_STS_BAD_CONTAINER_TYPE;
    }
}

} // namespace

// Every partition to be removed is vetted before the first entry is zeroed,
// so a call that fails leaves the device as it found it. One whose entry the
// controller holds only on the disk cannot be zeroed by number (that number
// may now be another container's entry) and fails the call like one on a
// slice without a partition table.
void CT_RemoveDeadPartitions(FSAAPI_CONTEXT* ctx, int device, const FSA_PARTITION* only) {
    // A disk the list could not read shows no dead partitions: read once
    // more, then fail rather than report them removed.
    std::vector<Pce> found;
    for (int reads = 1;; ++reads) {
        bool read = false;
        found = pick(
            ctx, device,
            [](const Pce& e) {
                return dead(e) ||
                       (e.state == FSA_PCE_MEMORY_AND_DISK && !par::configured(e.partition));
            },
            &read);
        if (read)
            break;
        if (reads == 2)
            throw FSA_STS_FAILURE;
        CT_InvalidateCache(ctx);
    }
    auto chosen = [&](const Pce& e) {
        return !only || (only->offset == std::uint64_t(par::start(e.partition)) << 9 &&
                         only->size == std::uint64_t(par::size(e.partition)) << 9);
    };
    bool lockedSeen = false;
    std::vector<std::uint32_t> entries;
    for (const Pce& e : found) {
        if (locked(e)) {
            lockedSeen = true;
            continue;
        }
        if (e.state == FSA_PCE_USED_NO_MBR || (chosen(e) && !PCE_ZeroableByNumber(e)))
            throw FSA_STS_BAD_STORAGE_DEVICE;
        if (chosen(e))
            entries.push_back(par::u32(e.partition, par::kEntry));
    }
    // Every entry is tried and the configuration reloaded for those that
    // went; an entry the controller did not zero fails the call.
    FSA_STATUS zeroed = FSA_STS_SUCCESS;
    for (const std::uint32_t entry : entries)
        if (const FSA_STATUS s = CT_PartitionEntryZero(ctx, entry);
            s != FSA_STS_SUCCESS && zeroed == FSA_STS_SUCCESS)
            zeroed = s;
    CT_ReConfig(ctx, 0);
    if (zeroed != FSA_STS_SUCCESS)
        throw zeroed;
    if (lockedSeen)
        throw FSA_STS_DEAD_PARTITION_LOCKED;
}

void CT_SetDeadPartitions(FSAAPI_CONTEXT* ctx, int device) {
    const auto found =
        pick(ctx, device, [](const Pce& e) { return e.state == FSA_PCE_MEMORY_AND_DISK; });
    bool lockedSeen = false;
    for (const Pce& e : found) {
        if (locked(e))
            lockedSeen = true;
        else
            CT_SetDead(ctx, par::l0Number(e.partition), par::u16(e.partition, par::kMemberIndex));
    }
    fsa::sleepMs(kSettleMs);
    if (lockedSeen)
        throw FSA_STS_FAILED_PARTITION_LOCKED;
}

namespace {

std::vector<Pce> exactly(FSAAPI_CONTEXT* ctx, int device, std::uint32_t start, std::uint32_t size) {
    const auto found = pick(ctx, device, [&](const Pce& e) {
        return par::start(e.partition) == start && par::size(e.partition) == size;
    });
    if (found.empty())
        throw FSA_STS_PARTITION_NOT_FOUND;
    if (locked(found.front()))
        throw FSA_STS_FAILED_PARTITION_LOCKED;
    return found;
}

} // namespace

void CT_SetDeadPartition(FSAAPI_CONTEXT* ctx, int device, std::uint32_t start, std::uint32_t size) {
    const Pce e = exactly(ctx, device, start, size).front();
    CT_SetDead(ctx, par::l0Number(e.partition), par::u16(e.partition, par::kMemberIndex));
    fsa::sleepMs(kSettleMs);
}

// A partition whose entry only the disk holds has no entry in the
// controller's table that could be zeroed for it: not found there.
void CT_ClearDeadPartition(FSAAPI_CONTEXT* ctx, int device, std::uint32_t start,
                           std::uint32_t size) {
    const Pce e = exactly(ctx, device, start, size).front();
    if (!PCE_ZeroableByNumber(e))
        throw FSA_STS_PARTITION_NOT_FOUND;
    const FSA_STATUS zeroed = CT_PartitionEntryZero(ctx, par::u32(e.partition, par::kEntry));
    CT_ReConfig(ctx, 0);
    if (zeroed != FSA_STS_SUCCESS)
        throw zeroed;
}

void CT_GenerateMorphContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t type,
                               std::uint32_t count, const FSA_STORAGE_DEVICE* disks,
                               std::uint32_t chunkBytes, std::uint64_t sizeBytes, int add) {
    if (count > 48)
        throw FSA_STS_TOO_MANY_MEMBERS; // the request holds 48 slices
    const bool chunked = type == 2 || type == 4 || type == 9 || type == 11 || type == 13;
    if (chunked && chunkBytes && sizeBytes)
        PCK_ValidateChunkSize(ctx, chunkBytes, sizeBytes);
    std::uint8_t request[72] = {};
    auto put = [&](std::size_t off, std::uint32_t v) { std::memcpy(request + off, &v, 4); };
    for (std::uint32_t i = 0; i < count; ++i)
        request[24 + i] = static_cast<std::uint8_t>(
            CT_GetSliceFromDriveHandle(ctx, SCSI_DriveId(ctx, &disks[i]), 1, nullptr));
    put(0, container);
    put(4, morphKind(type));
    put(8, count);
    put(12, chunkBytes >> 9);
    if (add && !count)
        throw FSA_STS_RECONFIGURE_FAILED;
    // The request's size field holds 32 bits of blocks: a larger size would
    // reach the controller cut short.
    const std::uint64_t sizeBlocks = sizeBytes >> 9;
    if (sizeBlocks > 0xFFFFFFFFu)
        throw FSA_STS_BAD_ARGUMENTS;
    put(16, static_cast<std::uint32_t>(sizeBlocks));
    put(20, !count ? 1 : add ? 2 : 4);
    std::uint32_t w0 = 0, w1 = 0, w2 = 0;
    CT_SendReceiveFIB(ctx, 109, &w0, &w1, &w2, request, sizeof request, nullptr, 0, 1);
    CT_CheckMorphStatus(w0);
}

void CT_MorphContainer(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container, std::uint32_t type,
                       std::uint32_t count, const FSA_STORAGE_DEVICE* disks,
                       std::uint32_t chunkBytes, std::uint64_t sizeBytes, int add) {
    SCSI_RequireDriveIds(ctx, count,
                         [&](std::uint32_t i) -> const FSA_STORAGE_DEVICE& { return disks[i]; });
    const std::uint32_t n = container->containerNumber;
    const std::uint32_t existing = CT_WithCache(ctx, [&](const PceList& list) {
        std::uint32_t k = 0;
        for (const Pce& e : list)
            if (par::serial(e.partition) == container->adapterSerial && !PCE_IsFree(e) &&
                (par::l0Number(e.partition) == n ||
                 (par::l1Type(e.partition) && par::l1Number(e.partition) == n)))
                ++k;
        return k;
    });
    std::uint32_t needed = count + (add ? existing : 0);
    if (type == 15 || type == 17 || type == 18 || type == 19 || type == 20)
        ++needed;
    const std::uint32_t own = FsaAdapterSerial(ctx);
    for (std::uint32_t i = 0; i < count; ++i) {
        const FSA_SCSI_DEVICE& d = disks[i].scsi;
        const std::uint32_t drive = (d.bus & 63u) << 7 | (d.lun & 7u) << 4 | (d.target & 15u);
        const bool holdsOther = CT_WithCache(ctx, [&](const PceList& list) {
            for (const Pce& e : list) {
                const Partition& p = e.partition;
                if (par::drive(p) == drive && par::serial(p) == own && !PCE_IsFree(e) &&
                    par::configured(p) && par::start(p) &&
                    (par::l0Number(p) != n || (par::l0Type(p) && par::l1Number(p) != n)))
                    return true;
            }
            return false;
        });
        if (!add && holdsOther)
            continue;
        if (CT_GetNumberOfPartitionsAlreadyOnDevice(ctx, &d) > CT_GetMaxNumberOfCtrPartitions(ctx))
            throw FSA_STS_DRIVE_FULL;
    }
    CT_CheckMaxNumberOfPartitions(ctx, needed + 3);
    PCK_ThrowIfContainerIs(ctx, n, 0x50800010ull);
    if (count > ctx->info.maxContainerMembers) {
        UtilPrintDebugFormatted("FsaCreatePrimaryContainer: Too many partition requested\n");
        throw FSA_STS_TOO_MANY_MEMBERS;
    }
    switch (type) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 9:
    case 11:
    case 13:
    case 15:
        break;
    default:
        throw FSA_STS_BAD_CONTAINER_TYPE;
    }
    CT_GenerateMorphContainer(ctx, n, type, count, disks, chunkBytes, sizeBytes, add);
}
