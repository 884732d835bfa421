// Deleting a disk set: its containers go first (taken offline with the set's
// detach, or deleted when the drives are to be initialised), then the set.
#include "ContainerCaches.h"
#include "CtWrappers.h"
#include "DiskSetChannel.h"
#include "DiskSetMembers.h"
#include "DiskSetPartner.h"
#include "DiskSetResources.h"
#include "DiskSetTasks.h"
#include "FsaContainerOps.h"
#include "FsaStatus.h"
#include "HandleTable.h"
#include "ParamChecks.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kRescanSets = 4;
constexpr std::uint64_t kHasTasks = 64;

// The containers of a set attached here leave with its detach: only when
// the caller said so, each with its tasks ended and the host's consent.
FSA_STATUS detachWithContainers(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, const DS_RECORD& info,
                                bool unconditional) {
    const std::vector<std::uint32_t> containers =
        DS_GetEveryContainerOfDiskSet(ctx, set, info, true);
    if (!containers.empty() && !unconditional)
        return FSA_STS_DS_HAS_CONTAINERS;
    // A refusal on the way takes nothing away: the host keeps the disks it
    // had prepared to lose (completing their removal would delete them).
    std::vector<FsaRemovalRecord> records(containers.size());
    for (std::size_t i = 0; i < containers.size(); ++i) {
        const std::uint32_t n = containers[i];
        FSA_STATUS ended;
        try {
            ended = FsaTerminateTasksForDelete(ctx, n);
        } catch (FSA_STATUS) {
            ended = FSA_STS_TASK_IN_PROGRESS;
        }
        if (ended != FSA_STS_SUCCESS || PCK_ContainerIs(ctx, n, kHasTasks, FSA_RETURN_ON_FAILURE))
            return FSA_STS_TASK_IN_PROGRESS;
        if (const FSA_STATUS s = FsaPrepareCtrForRemoval(ctx, n, 1, 0, &records[i]);
            s != FSA_STS_SUCCESS)
            return s;
    }
    return DS_DetachContainers(ctx, set, info.owner, containers, records,
                               DS_FailedDetach::KeepOffline) == FSA_STS_SUCCESS
               ? FSA_STS_SUCCESS
               : FSA_STS_DS_DETACH_FAILED;
}

// Every container of the set deleted through the container operation.
FSA_STATUS deleteContainers(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, const DS_RECORD& info,
                            bool unconditional) {
    void* handle = UtilHandleFromValue(ctx->handle);
    for (std::uint32_t n : DS_GetEveryContainerOfDiskSet(ctx, set, info, false)) {
        // Deleting one container may take others with it.
        const std::vector<std::uint32_t> left =
            DS_GetEveryContainerOfDiskSet(ctx, set, info, false);
        if (std::find(left.begin(), left.end(), n) == left.end())
            continue;
        tag_FSA_CONTAINER id;
        CT_GetStandardID(ctx, &id, n);
        if (const FSA_STATUS s = FsaContainer(
                handle, &id, unconditional ? FSA_CO_DELETE_FORCE : FSA_CO_DELETE, nullptr);
            s != FSA_STS_SUCCESS)
            return s;
    }
    return FSA_STS_SUCCESS;
}

// A drive that has its MBR already is as initialisation wants it; one left
// without stops the delete, the set kept.
FSA_STATUS driveInitialisation(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set) {
    const FSA_STATUS s = DS_InitDrives(ctx, set);
    return s == FSA_STS_DEVICE_NOT_FOUND ? FSA_STS_SUCCESS : s;
}

FSA_STATUS initialiseDrives(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, const DS_RECORD& info,
                            bool unconditional) {
    const std::uint64_t self = DS_OwnerId(ctx);
    if (!DS_HeldHere(info, self) || DS_AttachedHere(info, self)) {
        if (const FSA_STATUS s = deleteContainers(ctx, set, info, unconditional);
            s != FSA_STS_SUCCESS)
            return s;
        return driveInitialisation(ctx, set);
    }
    DS_TemporaryAttach attach(ctx, set, info.owner);
    if (const FSA_STATUS s = attach.attach(); s != FSA_STS_SUCCESS)
        return s;
    const FSA_STATUS initialised = driveInitialisation(ctx, set);
    const FSA_STATUS detached = attach.finish();
    return initialised != FSA_STS_SUCCESS ? initialised : detached;
}

} // namespace

FSA_STATUS DS_DiskSetDelete(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* all) {
    const FSA_DISKSET_DELETE_ARGS& args = all->remove_set;
    DS_RECORD info;
    if (const FSA_STATUS s = DS_ReadSetForOperation(ctx, set, &info); s != FSA_STS_SUCCESS)
        return s;
    if ((info.attributes & DS_ATTR_HOST_MANAGED) && DS_StateOf(info) == FSA_DSS_HELD &&
        !args.unconditional)
        return FSA_STS_DS_HOST_MANAGED;
    const std::uint64_t self = DS_OwnerId(ctx);
    if (info.owner == 0) {
        DS_RECORD take = DS_ModifyRecord(set, self);
        take.generation = info.generation + 1;
        if (DS_SendReceiveFIB(ctx, CL_TAKE, &take, DS_MODIFY_BYTES, nullptr, 0) != FSA_STS_SUCCESS)
            return FSA_STS_DS_NOT_OWNER;
        if (const FSA_STATUS s = DS_ReadSetForOperation(ctx, set, &info); s != FSA_STS_SUCCESS)
            return s;
    }
    if (FSA_STATUS r; DS_PartnerRule(ctx, set, FSA_DSO_DELETE, all, info, false, &r))
        return r;
    if (args.initDrives) {
        if (const FSA_STATUS s = initialiseDrives(ctx, set, info, args.unconditional != 0);
            s != FSA_STS_SUCCESS)
            return s;
    } else if (DS_HeldHere(info, self) && DS_AttachedHere(info, self)) {
        if (const FSA_STATUS s = detachWithContainers(ctx, set, info, args.unconditional != 0);
            s != FSA_STS_SUCCESS)
            return s;
    }
    const DS_RECORD r = DS_ModifyRecord(set, info.owner);
    const FSA_STATUS s = DS_SendReceiveFIB(ctx, CL_DELETE, &r, DS_MODIFY_BYTES, nullptr, 0);
    if (s != FSA_STS_SUCCESS)
        return s;
    CT_ReConfig(ctx, 1);
    DS_RescanPartner(ctx, kRescanSets);
    return FSA_STS_SUCCESS;
}
