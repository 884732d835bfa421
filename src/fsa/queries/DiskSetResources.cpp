#include "DiskSetResources.h"

#include "ContainerCaches.h"
#include "ContainerOperations.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "DiskSetChannel.h"
#include "DiskSetEnum.h"
#include "FsaStatus.h"
#include "HostExposure.h"
#include "Trace.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kVisibleContainers = 24;
constexpr std::uint32_t kAllContainers = 64;

#pragma pack(push, 4)
struct ONLINE_RECORD {
    std::uint64_t numbers[16];
    std::uint64_t creators[16];
    std::uint32_t count;
};
#pragma pack(pop)
static_assert(sizeof(ONLINE_RECORD) == 260, "the containers-online record is 260 bytes");

bool inSet(const std::uint8_t* diskSetInfo, const FSA_DISK_SET* set) {
    std::uint64_t number, creator;
    std::memcpy(&number, diskSetInfo, 8);
    std::memcpy(&creator, diskSetInfo + 8, 8);
    return number == set->number && creator == set->creator;
}

// Whether the list's reading of the disks leaves the set's containers in
// doubt: a slice described as nothing, a disk not read fully that may hold
// the set (its set unread, or this set), a drive the set's own list of
// members names that reads as in no set or in another, or a drive that
// names the set but says of it what the set's record does not (another
// owner would make its containers look like the partner's, and leave them
// online here with their host disks).
bool inDoubt(const std::vector<DriveReading>& drives, const FSA_DISK_SET* set,
             const DS_RECORD& record, const std::vector<std::uint32_t>& members) {
    for (const DriveReading& d : drives) {
        if (!d.described)
            return true;
        const bool ofSet = d.setRead && inSet(d.diskSetInfo, set);
        if (!d.fullyRead() && (!d.setRead || ofSet))
            return true;
        if (!ofSet && std::find(members.begin(), members.end(), d.driveId) != members.end())
            return true;
        if (ofSet && !DS_DriveAnswerAgrees(d.setAnswer, record))
            return true;
    }
    return false;
}

bool isSnapshotKind(const Pce& e) {
    const std::uint8_t type = e.partition.bytes[48];
    return type >= 5 && type <= 8;
}

std::vector<std::uint32_t> containersIn(FSAAPI_CONTEXT* ctx, const PceList& list,
                                        const FSA_DISK_SET* set, bool hidden) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t n = 0; n < (hidden ? kAllContainers : kVisibleContainers); ++n)
        for (const Pce& e : list)
            if (CT_IsUsablePce(ctx, list, e) && CT_PceCarriesContainer(ctx, e, n) &&
                inSet(e.diskSetInfo, set) && !(n >= kVisibleContainers && isSnapshotKind(e))) {
                out.push_back(n);
                break;
            }
    return out;
}

// Runs `step` on every container; the first status it threw, after all
// were tried.
template <class Step>
FSA_STATUS forEvery(const std::vector<std::uint32_t>& containers, Step&& step) {
    FSA_STATUS first = FSA_STS_SUCCESS;
    for (std::size_t i = 0; i < containers.size(); ++i) {
        try {
            step(i);
        } catch (FSA_STATUS thrown) {
            if (first == FSA_STS_SUCCESS)
                first = thrown;
        }
    }
    return first;
}

// Completes every host removal; the first failure, after all were tried.
FSA_STATUS completeRemovals(FSAAPI_CONTEXT* ctx, const std::vector<std::uint32_t>& containers,
                            std::vector<FsaRemovalRecord>& records, bool failed) {
    return forEvery(containers, [&](std::size_t i) {
        if (const FSA_STATUS s =
                FsaCtrRemovalComplete(ctx, containers[i], failed, std::move(records[i]));
            s != FSA_STS_SUCCESS)
            throw s;
    });
}

FSA_STATUS takeOffline(FSAAPI_CONTEXT* ctx, const std::vector<std::uint32_t>& containers) {
    return forEvery(containers, [&](std::size_t i) { CT_OfflineContainer(ctx, containers[i]); });
}

// Undoes the lock-drain of the first `drained` containers: they take I/O
// again on the set that stays attached. The host keeps its disks (their
// prepared removals are dropped, not completed: completing one deletes the
// disk).
void undoDrain(FSAAPI_CONTEXT* ctx, const std::vector<std::uint32_t>& containers,
               std::size_t drained, std::vector<FsaRemovalRecord>& records) {
    const std::vector<std::uint32_t> locked(containers.begin(), containers.begin() + drained);
    if (const FSA_STATUS s =
            forEvery(locked, [&](std::size_t i) { CT_UnlockContainer(ctx, locked[i]); });
        s != FSA_STS_SUCCESS)
        UtilPrintDebugFormatted("DS_DetachContainers: a drained container stays locked, "
                                "status = %d\n",
                                static_cast<int>(s));
    records.clear();
}

} // namespace

std::vector<std::uint32_t> DS_GetContainersByDiskSet(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set,
                                                     bool hidden) {
    return CT_WithCache(ctx,
                        [&](const PceList& list) { return containersIn(ctx, list, set, hidden); });
}

std::vector<std::uint32_t> DS_GetEveryContainerOfDiskSet(FSAAPI_CONTEXT* ctx,
                                                         const FSA_DISK_SET* set,
                                                         const DS_RECORD& record, bool hidden) {
    std::uint32_t ids[64];
    std::uint32_t count = 0;
    if (const FSA_STATUS s = DS_GetMembers(ctx, set, ids, &count); s != FSA_STS_SUCCESS)
        throw s;
    const std::vector<std::uint32_t> members(ids, ids + count);
    for (int reads = 1;; ++reads) {
        bool doubt = false;
        std::vector<std::uint32_t> out = CT_WithCache(ctx, [&](const PceList& list) {
            doubt = inDoubt(ctx->containerCaches->drives, set, record, members);
            return containersIn(ctx, list, set, hidden);
        });
        if (!doubt)
            return out;
        UtilPrintDebugFormatted(
            "DS_GetEveryContainerOfDiskSet: a disk of the set is unread or disagrees\n");
        if (reads == 2) // as for a partition table the controller would not hand over
            throw FSA_STS_PARTITION_ENTRY_FAILED;
        CT_InvalidateCache(ctx); // a passing failure: read once more
    }
}

FSA_STATUS DS_ResourceOnline(FSAAPI_CONTEXT* ctx, void* handle, const FSA_DISK_SET* set,
                             const DS_RECORD& info) {
    const DS_RECORD attach = DS_ModifyRecord(set, info.owner);
    if (DS_SendReceiveFIB(ctx, CL_ATTACH, &attach, DS_MODIFY_BYTES, nullptr, 0) != FSA_STS_SUCCESS)
        return FSA_STS_DS_ATTACH_FAILED;
    ONLINE_RECORD online{};
    online.numbers[0] = set->number;
    online.creators[0] = set->creator;
    online.count = 1;
    if (DS_SendReceiveFIB(ctx, CL_CONTAINERS_ONLINE, &online, sizeof online, nullptr, 0) ==
        FSA_STS_CONTAINERS_PAUSED) {
        // The controller paused its I/O to bring the containers in: let it go.
        FsaPauseResumeIo(handle, 1);
        FsaPauseResumeIo(handle, 0);
    }
    CT_InvalidateCache(ctx);
    for (std::uint32_t n : DS_GetContainersByDiskSet(ctx, set, false)) {
        // A container the host cannot see yet is no reason to fail the attach.
        if (FsaExposeCtrToOs(ctx, n, 0) == FSA_STS_SUCCESS &&
            !(info.attributes & DS_ATTR_HOST_MANAGED))
            faos_RestoreDriveLetters(ctx, n);
    }
    return FSA_STS_SUCCESS;
}

FSA_STATUS DS_DetachContainers(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner,
                               const std::vector<std::uint32_t>& containers,
                               std::vector<FsaRemovalRecord>& records, DS_FailedDetach onFailure) {
    std::size_t drained = 0;
    try {
        for (; drained < containers.size(); ++drained)
            CT_LockDrainContainer(ctx, containers[drained]);
    } catch (FSA_STATUS) {
        undoDrain(ctx, containers, drained, records);
        throw;
    }
    const DS_RECORD detach = DS_ModifyRecord(set, owner);
    const FSA_STATUS detached =
        DS_SendReceiveFIB(ctx, CL_DETACH, &detach, DS_MODIFY_BYTES, nullptr, 0);
    if (detached != FSA_STS_SUCCESS && onFailure == DS_FailedDetach::Undo) {
        undoDrain(ctx, containers, drained, records);
        return detached;
    }
    // Drained, they take no more I/O: offline whether the set went or not.
    const FSA_STATUS offline = takeOffline(ctx, containers);
    if (detached != FSA_STS_SUCCESS)
        CT_ReConfig(ctx, 1);
    const FSA_STATUS completed = completeRemovals(
        ctx, containers, records, detached != FSA_STS_SUCCESS || offline != FSA_STS_SUCCESS);
    if (detached == FSA_STS_SUCCESS && offline != FSA_STS_SUCCESS)
        throw offline;
    if (detached == FSA_STS_SUCCESS && completed != FSA_STS_SUCCESS)
        throw completed;
    return detached;
}

FSA_STATUS DS_ResourceOffline(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, const DS_RECORD& info,
                              bool unconditional) {
    const std::vector<std::uint32_t> containers =
        DS_GetEveryContainerOfDiskSet(ctx, set, info, true);
    std::vector<FsaRemovalRecord> records(containers.size());
    FSA_STATUS refusal = FSA_STS_SUCCESS;
    for (std::size_t i = 0; i < containers.size(); ++i) {
        FSA_STATUS s;
        try {
            s = FsaPrepareCtrForRemoval(ctx, containers[i], 0, 1, &records[i]);
        } catch (FSA_STATUS thrown) {
            s = thrown; // 480: the host has the disk open
        }
        if (s == FSA_STS_SUCCESS)
            continue;
        UtilPrintDebugFormatted(
            "DS_ResourceOffline: failed FaclPrepareCtrForOffline, status = %d\n",
            static_cast<int>(s));
        if (refusal == FSA_STS_SUCCESS)
            refusal = s == FSA_STS_UX_DISK_OPEN ? s : FSA_STS_DS_STILL_ATTACHED;
    }
    if (refusal != FSA_STS_SUCCESS && !unconditional)
        return refusal; // nothing taken away: the host keeps its disks
    const FSA_STATUS s =
        DS_DetachContainers(ctx, set, info.owner, containers, records, DS_FailedDetach::Undo);
    if (s == FSA_STS_SUCCESS)
        CT_ReConfig(ctx, 1);
    return s;
}
