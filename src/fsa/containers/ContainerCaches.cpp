#include "ContainerCaches.h"

#include "ContainerDispatch.h"
#include "CtChannel.h"
#include "Frame.h"
#include "HandleTable.h"
#include "IdentityCommands.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"

#include <algorithm>
#include <new>

std::shared_ptr<FsaContainerCaches> FsaMakeContainerCaches() {
    CT_InstallDispatcherServices();
    return std::make_shared<FsaContainerCaches>();
}

// Every configuration change and the events of other clients land here;
// the receive thread calls it too, so it only flips the flag and tells a
// service that registered for it (with the first word it registered).
void CT_InvalidateCache(FSAAPI_CONTEXT* ctx) {
    if (!ctx)
        return;
    if (ctx->containerCaches)
        ctx->containerCaches->valid.store(false);
    if (ctx->serviceContext && ctx->serviceCallback)
        reinterpret_cast<void (*)(std::uint32_t)>(ctx->serviceCallback)(ctx->serviceWords[0]);
}

extern "C" void CT_InvalidateServerCache(void* handle) {
    if (const FsaContextHold ctx = UtilGetContextFromHandle(handle))
        CT_InvalidateCache(ctx);
}

namespace {

bool clusterGuardRefuses(const FSAAPI_CONTEXT* ctx) {
    return ctx->access != FSA_RZC_CLUSTER_MANAGER && ctx->access != FSA_RZC_LL_CLUSTER_MANAGER &&
           ctx->adapterCount > 1 && ctx->partnerCameOnline.load();
}

bool knownId(const std::vector<tag_FSA_CONTAINER>& ids, std::uint32_t n, std::uint32_t serial) {
    return std::any_of(ids.begin(), ids.end(), [&](const tag_FSA_CONTAINER& c) {
        return c.containerNumber == n && c.adapterSerial == serial;
    });
}

void addId(FSAAPI_CONTEXT* ctx, std::vector<tag_FSA_CONTAINER>& ids, const Pce& e, std::uint32_t n,
           std::uint32_t level) {
    const std::uint32_t serial = par::serial(e.partition);
    if (knownId(ids, n, serial))
        return;
    std::uint32_t uid = 0;
    if (CT_GetContainerUIDFromPartition(ctx, &e.partition, &uid, level) != FSA_STS_SUCCESS)
        uid = 0;
    ids.push_back({n, uid, serial});
}

// Called with the cache mutex held: refills the container-id cache.
void rebuildIds(FSAAPI_CONTEXT* ctx, const PceList& list) {
    FsaContainerCaches& c = *ctx->containerCaches;
    std::lock_guard<std::mutex> lock(c.idMutex);
    c.ids.clear();
    try {
        for (const Pce& e : list) {
            const Partition& p = e.partition;
            if (!(par::l0Type(p) || par::l1Type(p)) || !par::configured(p))
                continue;
            addId(ctx, c.ids, e, par::l0Number(p), 0);
            if (par::l1Type(p))
                addId(ctx, c.ids, e, par::l1Number(p), 1);
        }
    } catch (const std::bad_alloc&) {
        throw FSA_STS_OUT_OF_MEMORY;
    }
}

} // namespace

int CT_UpdateCache(FSAAPI_CONTEXT* ctx) {
    if (clusterGuardRefuses(ctx))
        return FSA_STS_PARTNER_CAME_ONLINE;
    FINISH_OPEN finish(ctx);
    CMutexObject lock(ctx->wrapperMutex, &ctx->inCall, FsaWantsWrapperLock(ctx));
    FsaContainerCaches& c = *ctx->containerCaches;
    std::lock_guard<std::recursive_mutex> cacheLock(c.mutex);
    // A lookup nested in a walk of this thread keeps the list it walks.
    if (c.valid.load() || c.walks)
        return FSA_STS_SUCCESS;
    c.list.clear();
    c.drives.clear();
    c.cursor = -1;
    if (ctx->connectionType != FSA_CONNECTION_LOCAL)
        throw FSA_STS_NOT_AVAILABLE_ON_OS; // no network transport on this platform
    // An invalidation that arrives while this rebuild reads the controller
    // must survive it: the flag is raised before reading, not after.
    c.valid.store(true);
    try {
        c.list = CT_GetSortedPartitionList(ctx, 0, &c.drives);
        // Lists shown to callers keep what was read; a number search that
        // must cover the partner's disks refuses without its list.
        c.partnerListRead = CT_ClusterModifySortedPartitionList(ctx, c.list);
        rebuildIds(ctx, c.list);
    } catch (...) {
        c.valid.store(false);
        c.list.clear();
        c.drives.clear();
        throw;
    }
    return FSA_STS_SUCCESS;
}

void CT_GetStandardID(FSAAPI_CONTEXT* ctx, tag_FSA_CONTAINER* id, std::uint32_t n) {
    const std::uint32_t serial = FsaAdapterSerial(ctx);
    *id = {n, 0, serial};
    {
        FsaContainerCaches& c = *ctx->containerCaches;
        std::lock_guard<std::mutex> lock(c.idMutex);
        for (const tag_FSA_CONTAINER& e : c.ids)
            if (e.containerNumber == n && e.adapterSerial == serial) {
                id->uniqueId = e.uniqueId;
                return;
            }
    }
    std::uint32_t uid = 0;
    if (CTGetUid(ctx, n, &uid))
        id->uniqueId = uid;
}
