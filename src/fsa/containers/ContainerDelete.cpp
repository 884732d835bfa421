// Deleting a container: its snapshot relations, the host's hold on it, the
// tasks still running on it, and a container that survives only as
// partitions on the disks.
#include "Aif.h"
#include "ContainerCaches.h"
#include "ContainerCreation.h"
#include "ContainerDispatch.h"
#include "ContainerInfo.h"
#include "ContainerOperations.h"
#include "ContainerRecordFields.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "FsaApi.h"
#include "FsaHostPartitions.h"
#include "FsaSnapshot.h"
#include "HostExposure.h"
#include "IdentityCommands.h"
#include "OpsFrame.h"
#include "OsSync.h"
#include "OsTypes.h"
#include "ParamChecks.h"
#include "PartitionFields.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::uint32_t kPassThrough = 21;
constexpr std::uint32_t kEventContainerDeleted = 0x40000;
constexpr std::uint32_t kMaxTreeEntries = 69;
constexpr std::uint32_t kMaxTasks = 28;
constexpr int kTerminate = 2; // FsaTask operation

std::unique_ptr<std::uint8_t[]> containerInfo(void* handle, const tag_FSA_CONTAINER& c) {
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                               std::uint8_t[FSA_CONTAINER_INFO_MAX_BYTES]());
    if (!buffer)
        throw FSA_STS_OUT_OF_MEMORY;
    const FSA_STATUS s =
        FsaGetContainerInfo(handle, 0, &c, reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.get()),
                            FSA_CONTAINER_INFO_MAX_BYTES);
    if (s != FSA_STS_SUCCESS)
        throw s;
    return buffer;
}

// Whether the controller holds the container configured, from its own
// record. A failed read is thrown, and a record that names a container type
// with neither members nor a snapshot kind is a damaged answer (6). An empty
// record is the answer for a container the controller does not hold, and
// also what the read gives when the controller serves neither record
// command, as when it refused the read: for a container the controller says
// it holds it is read once more, then the deletion fails with 6. Taken for
// "not configured", it would hide the container's members from the walk and
// zero the partitions of a live container, leaving its record behind.
bool configuredOnController(FSAAPI_CONTEXT* ctx, std::uint32_t n, cttype* record,
                            std::uint32_t* type) {
    for (int reads = 1;; ++reads) {
        *type = 0;
        if (CT_GetContainer(ctx, n, record, type))
            return true;
        if (*type != 0)
            throw FSA_STS_FAILURE;
        if (!CT_CheckConflicts(ctx, n))
            return false; // it survives only as partitions on the disks
        if (reads == 2)
            throw FSA_STS_FAILURE;
    }
}

// The container's lower-level member containers, then itself.
void GetContainerTree(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::vector<std::uint32_t>& list) {
    cttype record{};
    std::uint32_t type = 0;
    if (configuredOnController(ctx, n, &record, &type)) {
        for (std::uint32_t i = 0; i < record.memberCount && i < 128; ++i) {
            if (!record.members[i])
                continue;
            Partition p{};
            CT_GetPartitionInMemory(ctx, record.members[i], &p);
            // An entry without an extent stands for a lower-level container:
            // the one it belongs to at level 0.
            const std::uint32_t member = par::l0Number(p);
            if (par::start(p) == 0 && par::l0Type(p) != 8 && CT_CheckConflicts(ctx, member) &&
                list.size() < kMaxTreeEntries)
                list.push_back(member);
        }
    }
    if (list.size() < kMaxTreeEntries)
        list.push_back(n);
}

// Ends the library's tasks (kinds 15, 16, 18) on the container and the
// containers related to it, waiting for each to finish; a task that cannot be
// ended fails the call, and one whose end is not confirmed fails it with 145.
void EndAllApiTasksOnContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n, int wholeTree) {
    void* handle = UtilHandleFromValue(ctx->handle);
    tag_FSA_CONTAINER c{};
    CT_GetStandardID(ctx, &c, n);
    const auto buffer = containerInfo(handle, c);
    if (!wholeTree)
        return;
    const auto* info = reinterpret_cast<const FSA_CONTAINER_INFO*>(buffer.get());
    std::vector<std::uint32_t> tree;
    for (const tag_FSA_CONTAINER& r : info->related)
        if (r.containerNumber != kNone)
            GetContainerTree(ctx, r.containerNumber, tree);
    if (info->parent.containerNumber != kNone)
        GetContainerTree(ctx, info->parent.containerNumber, tree);
    if (info->type == 5 || info->type == 6) {
        GetContainerTree(ctx, n, tree);
        if (info->snapshotSource.containerNumber != kNone)
            GetContainerTree(ctx, info->snapshotSource.containerNumber, tree);
    }
    if (tree.empty() && info->type != 5)
        GetContainerTree(ctx, n, tree);
    std::sort(tree.begin(), tree.end());
    tree.erase(std::unique(tree.begin(), tree.end()), tree.end());
    for (std::uint32_t member : tree) {
        FSA_TASK_DESCRIPTOR tasks[kMaxTasks];
        const std::uint32_t count =
            std::min(AIF_GetTaskListForContainer(ctx, member, tasks, kMaxTasks), kMaxTasks);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t kind = tasks[i].taskType;
            if (kind != 15 && kind != 16 && kind != 18)
                continue;
            // A task that ended meanwhile needs no more; any other refusal
            // leaves the library's job running on a container about to go.
            const FSA_STATUS ended = FsaTask(handle, tasks[i].taskId, kTerminate);
            if (ended == FSA_STS_TASK_FINISHED || ended == FSA_STS_TASK_NOT_FOUND)
                continue;
            if (ended != FSA_STS_SUCCESS)
                throw ended;
            // Told to end is not ended: until the controller says so, the
            // job may still be writing to the container.
            if (!ctx->taskCallbacks.WaitForTaskFinish(ctx, tasks[i].taskId))
                throw FSA_STS_TASK_IN_PROGRESS;
            faos_Sleep(1000);
        }
    }
}

// Whether a zeroing task (kind 3) runs on the container: the host then
// keeps its disk. Any answer of the state check but "yes" (205) or "no" is
// a failure: taken for "yes", the host would keep the disk of a destroyed
// container, reachable by the next container given its number.
bool zeroingTaskRuns(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    int valid = 1;
    const FSA_STATUS s = PCK_ContainerIsRet(ctx, n, CT_STATES(0, 0x40000), &valid);
    if (s == FSA_STS_CLEAR_TASK_RUNNING)
        return true;
    if (s != FSA_STS_SUCCESS)
        throw FSA_STS_FAILURE;
    return false;
}

struct PendingRemoval {
    std::uint32_t container;
    FsaRemovalRecord record;
};

// Zeroes the partition entries still configured for the container; true when
// there were any (the container is then not destroyed). When one of its
// entries exists only on a disk, no entry number reaches it: nothing is
// zeroed and the container is left to be destroyed by its id, which the
// controller applies to its entries in memory and on the disks alike. An
// entry the controller refused to zero fails the call once the
// configuration is reloaded.
bool zeroLeftoverPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t uid) {
    CT_InvalidateCache(ctx);
    FSA_STATUS failed = FSA_STS_SUCCESS;
    const bool zeroed = CT_WithCache(ctx, [&](const PceList& cache) {
        auto uidOf = [&](const Pce& e) {
            std::uint32_t u = 0;
            CT_GetContainerUIDFromPartition(ctx, &e.partition, &u, 2);
            return u;
        };
        // A number counts only at a level that records a container: an
        // entry whose level-0 type is 0 holds none, whatever its number.
        auto carries = [&](const Pce& e) {
            const Partition& p = e.partition;
            return !PCE_IsFree(e) &&
                   ((par::levelPresent(par::l0Type(p)) && par::l0Number(p) == n) ||
                    (par::levelPresent(par::l1Type(p)) && par::l1Number(p) == n)) &&
                   uidOf(e) == uid;
        };
        const bool found = std::any_of(cache.begin(), cache.end(), [&](const Pce& e) {
            return !PCE_IsFree(e) && par::configured(e.partition) && uidOf(e) == uid;
        });
        const bool zeroByNumber =
            found && std::none_of(cache.begin(), cache.end(), [&](const Pce& e) {
                return carries(e) && !PCE_ZeroableByNumber(e);
            });
        if (zeroByNumber)
            for (const Pce& e : cache)
                if (carries(e))
                    if (const FSA_STATUS s =
                            CT_PartitionEntryZero(ctx, par::u32(e.partition, par::kEntry));
                        s != FSA_STS_SUCCESS && failed == FSA_STS_SUCCESS)
                        failed = s;
        CT_ReConfig(ctx, 1);
        return zeroByNumber;
    });
    CT_InvalidateCache(ctx);
    if (failed != FSA_STS_SUCCESS)
        throw failed; // an entry the controller did not zero
    return zeroed;
}

// Whether the controller no longer holds container `n`; a question that
// fails is asked once more (false when it cannot be asked).
bool destroyed(FSAAPI_CONTEXT* ctx, std::uint32_t n) noexcept {
    for (int asked = 1; asked <= 2; ++asked) {
        try {
            return !CT_CheckConflicts(ctx, n);
        } catch (FSA_STATUS) {
        }
    }
    return false;
}

} // namespace

void CT_DeleteContainer(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container,
                        FSA_CONTAINER_OPERATION op) {
    void* handle = UtilHandleFromValue(ctx->handle);
    bool forced = op == FSA_CO_DELETE_FORCE;
    std::uint32_t n = container->containerNumber;
    std::uint32_t uid = container->uniqueId;

    const auto buffer = containerInfo(handle, *container);
    const auto* info = reinterpret_cast<const FSA_CONTAINER_INFO*>(buffer.get());
    if (info->container.adapterSerial != container->adapterSerial)
        throw FSA_STS_CONTAINER_NOT_FOUND;
    const bool passThrough = info->type == kPassThrough;
    const bool phantom = !CT_CheckConflicts(ctx, n);
    const std::uint32_t usage = info->usage;

    if (!forced && !phantom) {
        int ftDisk = 0;
        FsaOk(FsaNTCheckFTDiskOnContainer(handle, container, &ftDisk));
        if (ftDisk)
            throw FSA_STS_FAULT_TOLERANT_DISK;
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0xD, 0x800000));
    }
    if ((usage == 0 || usage == 3) && phantom)
        forced = true;
    else
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x8));
    const bool hasParent = info->parent.containerNumber != kNone;
    if (!forced) {
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x40080040));
        if (hasParent && info->parent.containerNumber != n)
            throw FSA_STS_RECONFIGURE_HIDDEN;
    }
    if (hasParent) {
        n = info->parent.containerNumber;
        uid = info->parent.uniqueId;
    }
    if ((op == FSA_CO_DELETE || op == FSA_CO_DELETE2) &&
        (usage == 4 || usage == 7 || usage == 8 || usage == 9 || usage == 11 || usage == 13))
        throw FSA_STS_CONTAINER_IN_USE_ON_HOST;
    if (forced && !phantom)
        EndAllApiTasksOnContainer(ctx, n, 1);

    std::vector<PendingRemoval> removals;
    auto prepareRemoval = [&](std::uint32_t number) {
        PendingRemoval r{number, nullptr};
        FsaOk(FsaPrepareCtrForRemoval(ctx, number, 1, forced, &r.record));
        removals.push_back(std::move(r));
    };
    bool cleanupPath = false;
    cttype record{};
    std::uint32_t type = 0;
    if (configuredOnController(ctx, n, &record, &type)) {
        const bool keepHostDisk = zeroingTaskRuns(ctx, n);
        const FSA_SNAPSHOT_OPERATION remove = forced ? FSA_SNAP_REMOVE_FORCED : FSA_SNAP_REMOVE;
        if (type == 5 || type == 6) {
            tag_FSA_CONTAINER snapshot{};
            CT_GetStandardID(ctx, &snapshot, type == 5 ? n : CT_RecordWord(record, ctr::kSnapshot));
            FsaOk(FsaSnapshot(handle, remove, &snapshot, nullptr, nullptr, 0));
            if (type == 5)
                prepareRemoval(CT_RecordWord(record, ctr::kVisibleBacking));
        }
        if (!keepHostDisk)
            prepareRemoval(n);
    } else {
        if (!hasParent && !CT_PhantomOrRealExists(ctx, n, 1))
            throw FSA_STS_CONTAINER_NOT_FOUND;
        cleanupPath = true;
        if (FsaTopMostOsType(ctx) != kOsW2K)
            prepareRemoval(n);
    }
    if (usage != 0 && usage != 3 && usage != 4)
        CT_ClearFileSystem(ctx, n, 0);
    const bool zeroed = cleanupPath && zeroLeftoverPartitions(ctx, n, uid);
    if (!zeroed) {
        if (ctx->info.firmwareVersion.major < 3 && !CT_CheckConflicts(ctx, n))
            throw FSA_STS_MEMBER_NOT_VALID;
        try {
            if (ctx->info.firmwareVersion.major < 3 || passThrough)
                CT_DestroyContainer(ctx, n, forced, 0);
            else
                CT_DestroyContainer(ctx, uid, forced, 1);
        } catch (FSA_STATUS) {
            // Destroyed in spite of the answer: the host still lets go of
            // its disks, through which the next container given the number
            // would be reached, and the failure is returned.
            if (!phantom && destroyed(ctx, n))
                for (PendingRemoval& r : removals) {
                    try {
                        FsaCtrRemovalComplete(ctx, r.container, 0, std::move(r.record));
                    } catch (FSA_STATUS) {
                        // The next disk is still let go.
                    }
                }
            throw;
        }
    }
    // Success only for a container the controller no longer holds: one it
    // kept in spite of its answer keeps its host disk, and the call fails.
    if (!destroyed(ctx, n))
        throw FSA_STS_FAILURE;
    if (cleanupPath) {
        FSA_EVENT_DETAILS details{};
        CT_GetStandardID(ctx, reinterpret_cast<tag_FSA_CONTAINER*>(details.words), n);
        AIF_SendEventToAllClients(ctx, kEventContainerDeleted, &details);
    }
    for (PendingRemoval& r : removals)
        FsaOk(FsaCtrRemovalComplete(ctx, r.container, 0, std::move(r.record)));
}
