// FsaContainer: one entry for every operation on one existing container.
#include "ContainerDispatch.h"
#include "Aif.h"
#include "ContainerCaches.h"
#include "ContainerCreation.h"
#include "ContainerOperations.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "FsaMaintenance.h"
#include "HostExposure.h"
#include "IdentityCommands.h"
#include "OpsFrame.h"
#include "ParamChecks.h"
#include "PckServices.h"
#include "SmallCommands.h"
#include "Stubs.h"

#include <mutex>

namespace {

constexpr std::uint32_t kMaxDelay = 100;
constexpr std::uint32_t kEventMirrorDelay = 0x200000;
constexpr std::uint64_t kSingleLevel = CT_STATES(0, 0x2);
constexpr std::uint64_t kConsistent = CT_STATES(0, 0x8000000);
constexpr std::uint64_t kRaid5 = CT_STATES(0, 0x100000);

bool usedByHostFileSystem(std::uint32_t usage) {
    return usage == 7 || usage == 8 || usage == 9 || usage == 11 || usage == 13;
}

// Host-side change around a configuration change of container n.
template <class Change> void withHostChange(FSAAPI_CONTEXT* ctx, std::uint32_t n, Change&& change) {
    FsaRemovalRecord record;
    FsaOk(FsaPrepareCtrForChange(ctx, n, &record));
    change();
    FsaOk(FsaCtrChangeComplete(ctx, n, 0, std::move(record)));
}

// Host-side removal around container n's leaving; `work` runs when the host
// released it (always, unless `onlyWithRecord`).
template <class Work>
void withHostRemoval(FSAAPI_CONTEXT* ctx, std::uint32_t n, int force, bool onlyWithRecord,
                     Work&& work) {
    FsaRemovalRecord record;
    FsaOk(FsaPrepareCtrForRemoval(ctx, n, force, 0, &record));
    if (onlyWithRecord && !record)
        return;
    work();
    if (record)
        FsaOk(FsaCtrRemovalComplete(ctx, n, 0, std::move(record)));
}

void clearContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0xD, 0x41884058));
    withHostRemoval(ctx, n, 1, false, [&] { CT_Zero(ctx, n); });
}

template <class T> const T& argumentAs(const void* argument) {
    if (!argument)
        throw FSA_STS_BAD_ARGUMENTS;
    return *static_cast<const T*>(argument);
}

FSA_STATUS dispatch(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* c, FSA_CONTAINER_OPERATION op,
                    void* argument) {
    const std::uint32_t n = c->containerNumber;
    switch (op) {
    case FSA_CO_LOCK:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x8));
        CT_LockContainer(ctx, n);
        break;
    case FSA_CO_UNLOCK:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x48));
        CT_UnlockContainer(ctx, n);
        break;
    case FSA_CO_MAKE_READ_ONLY:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0x10, 0x40084208));
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x22000000));
        withHostChange(ctx, n, [&] { CT_MakeReadOnly(ctx, n); });
        break;
    case FSA_CO_MAKE_READ_WRITE:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0x10, 0x40084208));
        withHostChange(ctx, n, [&] { CT_MakeReadWrite(ctx, n); });
        break;
    case FSA_CO_MIRROR_DELAY: {
        if (!CT_CheckConflicts(ctx, n))
            return FSA_STS_CONTAINER_NOT_FOUND;
        const auto delay = argumentAs<unsigned int>(argument);
        if (delay > kMaxDelay)
            return FSA_STS_IO_DELAY_TOO_LONG;
        CT_SetMirrorDelay(ctx, n, delay);
        FSA_EVENT_DETAILS details{};
        details.words[0] = n;
        AIF_SendEventToAllClients(ctx, kEventMirrorDelay, &details);
        break;
    }
    case FSA_CO_CLEAR_UNUSED:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0xD, 0x41800000));
        if (usedByHostFileSystem(CT_GetContainerUsage(ctx, n)))
            return FSA_STS_CONTAINER_IN_USE_ON_HOST;
        [[fallthrough]];
    case FSA_CO_CLEAR:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0xD, 0x41800000));
        clearContainer(ctx, n);
        break;
    case FSA_CO_CLEAR_ANY:
    case FSA_CO_CLEAR_ANY2:
        clearContainer(ctx, n);
        break;
    case FSA_CO_PROMOTE:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x4100400C));
        if (CT_GetNextFreeContainer(ctx, 1, 1) < ctx->info.firstHiddenContainer)
            return FSA_STS_NO_HIDDEN_NUMBER;
        CT_Promote(ctx, n);
        break;
    case FSA_CO_DELETE:
    case FSA_CO_DELETE2:
    case FSA_CO_DELETE_IN_USE:
    case FSA_CO_DELETE_FORCE:
        CT_DeleteContainer(ctx, c, op);
        break;
    case FSA_CO_MOVE: {
        const auto& target = argumentAs<tag_FSA_CONTAINER>(argument);
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x41004048));
        // On a shared bus the number must be free on the partner's disks too.
        if (!CT_IsContainerNumberFree(ctx, target.containerNumber,
                                      CT_SearchesEveryDisk(ctx, *c) ? 0 : 1))
            return FSA_STS_TARGET_CONTAINER_EXISTS;
        FSA_STATUS unread = FSA_STS_SUCCESS;
        // Moved in spite of the answer: the host still lets go of the old
        // number and learns the new one; the failure is returned.
        withHostRemoval(ctx, n, 0, false,
                        [&] { unread = CT_MoveContainerChecked(ctx, n, target.containerNumber); });
        if (FsaIsUnixOS(ctx->info.osType))
            FsaOk(FsaExposeCtrToOs(ctx, target.containerNumber, 1));
        return unread;
    }
    case FSA_CO_RESERVED15: {
        const auto& target = argumentAs<tag_FSA_CONTAINER>(argument);
        if (usedByHostFileSystem(CT_GetContainerUsage(ctx, target.containerNumber)))
            return FSA_STS_CONTAINER_IN_USE_ON_HOST;
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x1000000));
        return FSA_STS_NOT_IMPLEMENTED;
    }
    case FSA_CO_RESERVED16:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x1000000));
        return FSA_STS_NOT_IMPLEMENTED;
    case FSA_CO_RESERVED17:
        return FSA_STS_NOT_IMPLEMENTED;
    case FSA_CO_ADD_LEVEL:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x4108400C));
        CT_AddLevel(ctx, n);
        break;
    case FSA_CO_SET_USER_FLAGS:
    case FSA_CO_CLEAR_USER_FLAGS: {
        const auto mask = argumentAs<std::uint16_t>(argument);
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x4008));
        std::uint16_t flags = 0;
        CT_ReadUserFlags(ctx, n, &flags);
        flags = op == FSA_CO_SET_USER_FLAGS ? flags | mask : flags & ~mask;
        CT_WriteUserFlags(ctx, n, flags);
        break;
    }
    case FSA_CO_SCRUB:
    case FSA_CO_CHECK:
        if (op == FSA_CO_SCRUB && !CT_IsIn(ctx, n, kConsistent))
            return FSA_STS_NOT_CONSISTENT;
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x41002000));
        if (CT_IsIn(ctx, n, kSingleLevel))
            op == FSA_CO_SCRUB ? CT_ScrubContainer(ctx, n) : CT_CheckContainer(ctx, n);
        else
            op == FSA_CO_SCRUB ? CT_Scrub2Container(ctx, n) : CT_Check2Container(ctx, n);
        break;
    case FSA_CO_SET_NAME: {
        const char* name = &argumentAs<char>(argument);
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x41000000));
        FsaOk(CT_SetName(ctx, n, name));
        break;
    }
    case FSA_CO_OFFLINE: {
        const int force = argument ? *static_cast<const int*>(argument) : 1;
        FSA_STATUS failed = FSA_STS_SUCCESS;
        withHostRemoval(ctx, n, force, true, [&] {
            CT_LockDrainContainer(ctx, n);
            try {
                CT_OfflineContainer(ctx, n);
            } catch (FSA_STATUS s) {
                // A container left online takes I/O again. One the
                // controller will not unlock is no longer the host's to use
                // (it went offline whatever the answer said): the host lets
                // go of its disk, and the offline's failure is returned.
                try {
                    CT_UnlockContainer(ctx, n);
                } catch (FSA_STATUS) {
                    failed = s;
                    return;
                }
                throw;
            }
        });
        return failed;
    }
    case FSA_CO_RESTART_MORPH:
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x40000000));
        CT_RestartMorph(ctx, n);
        break;
    case FSA_CO_ENABLE_RAID5: {
        if (!CT_IsIn(ctx, n, kRaid5))
            return FSA_STS_NOT_RAID5;
        if (CT_IsIn(ctx, n, kConsistent))
            return FSA_STS_NO_DEAD_PARTITIONS;
        const FSA_STATUS s = CT_EnableRaid5(ctx, n);
        CT_InvalidateCache(ctx);
        return s;
    }
    default:
        return FSA_STS_BAD_OPERATION;
    }
    return FSA_STS_SUCCESS;
}

// Deletions asked by the state checks when a drive is reused.
FSA_STATUS deleteForChecks(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t operation) {
    tag_FSA_CONTAINER c{};
    CT_GetStandardID(ctx, &c, n);
    return FsaContainer(UtilHandleFromValue(ctx->handle), &c,
                        static_cast<FSA_CONTAINER_OPERATION>(operation), nullptr);
}

} // namespace

void CT_InstallDispatcherServices() {
    static std::once_flag once;
    std::call_once(once, [] {
        PckServices services{};
        services.deleteContainer = deleteForChecks;
        PCK_SetServices(services);
    });
}

extern "C" {

FSA_STATUS FsaContainer(void* handle, const tag_FSA_CONTAINER* container,
                        FSA_CONTAINER_OPERATION operation, void* argument) {
    return FsaOpsCall(handle, kWriteGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkContainer();
        if (partner)
            return FsaContainer(partner, container, operation, argument);
        return dispatch(ctx, container, operation, argument);
    });
}

FSA_STATUS SendAifContainerEvent(void* handle, const tag_FSA_CONTAINER* container,
                                 unsigned int eventType) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        FSA_EVENT_DETAILS details{};
        CT_GetStandardID(ctx, reinterpret_cast<tag_FSA_CONTAINER*>(details.words),
                         container->containerNumber);
        AIF_SendEventToAllClients(ctx, eventType, &details);
        return FSA_STS_SUCCESS;
    });
}
}
