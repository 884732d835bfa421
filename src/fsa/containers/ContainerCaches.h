#pragma once

// The per-context partition cache (the sorted partition list, rebuilt after
// each configuration change) and the container-id cache derived from it.
// Lock order: adapter wrapper mutex, then `mutex`, then `idMutex`.

#include "Context.h"
#include "SortedPartitionList.h"

#include <atomic>
#include <mutex>
#include <optional>

struct FsaContainerCaches {
    // Recursive: a description made under it may need a nested lookup.
    std::recursive_mutex mutex;
    std::atomic<bool> valid{false};
    PceList list;
    std::vector<DriveReading> drives; // what the list read of each disk
    // With a cluster partner: whether its list joined `list`.
    bool partnerListRead = true;
    int walks = 0;                 // walks in progress (same thread, nested)
    int cursor = -1;               // partition enumeration position
    std::uint32_t lastKey[7] = {}; // that enumeration's previous answer

    std::mutex idMutex;
    std::vector<tag_FSA_CONTAINER> ids;
};

// Rebuilds both caches when stale: 1, or 512 when the cluster guard refuses.
int CT_UpdateCache(FSAAPI_CONTEXT* ctx);

// With a cluster partner: the partner's sorted list (cluster-view word 0,
// drive ids as this adapter numbers the drives, 0xFFFFFFFF where a drive is
// not visible here) merged into `own` by drive id. False when the partner's
// list could not be read: `own` is then left as it was.
bool CT_ClusterModifySortedPartitionList(FSAAPI_CONTEXT* ctx, PceList& own);

// Refreshes the cache and runs `walk(list)` under its mutex.
template <class Walk> auto CT_WithCache(FSAAPI_CONTEXT* ctx, Walk&& walk) {
    CT_UpdateCache(ctx);
    FsaContainerCaches& c = *ctx->containerCaches;
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    struct Walking {
        int& n;
        explicit Walking(int& w) : n(w) { ++n; }
        ~Walking() { --n; }
    } walking(c.walks);
    return walk(static_cast<const PceList&>(c.list));
}

// {n, UID, own adapter serial}; the UID from the container-id cache, else
// asked of the controller.
void CT_GetStandardID(FSAAPI_CONTEXT* ctx, tag_FSA_CONTAINER* id, std::uint32_t n);
inline std::uint32_t CT_GetInternalID(const tag_FSA_CONTAINER* id) {
    return id->containerNumber;
}
inline std::uint32_t CT_GetInternalUID(const tag_FSA_CONTAINER* id) {
    return id->uniqueId;
}

using Pce = FSA_PARTITION_CACHE_ELEMENT;

// Lookups over the cache (each refreshes it first); elements are copies.
std::optional<Pce> CT_GetScsiPCE(FSAAPI_CONTEXT* ctx, std::uint32_t driveId);
std::optional<Pce> CT_GetCtrPCE(FSAAPI_CONTEXT* ctx, std::uint32_t n);
bool CT_DoesCtrExistLocally(FSAAPI_CONTEXT* ctx, std::uint32_t n);
void CT_GetCtrDiskSetInfo(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint8_t* out152);
std::uint32_t CT_GetCtrSerialNumber(FSAAPI_CONTEXT* ctx, std::uint32_t n);
std::uint32_t CT_GetCtrUid(FSAAPI_CONTEXT* ctx, std::uint32_t n);
std::uint32_t CT_GetNumberOfPartitionsAlreadyOnDevice(FSAAPI_CONTEXT* ctx,
                                                      const FSA_SCSI_DEVICE* d);
void CT_CheckMaxNumberOfPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t more);
std::uint32_t CT_GetMaxNumberOfCtrPartitions(const FSAAPI_CONTEXT* ctx);
void CT_FindUidForCtrWithPartition(FSAAPI_CONTEXT* ctx, std::uint32_t n, const Partition* ref,
                                   std::uint32_t* uid, int byAge);

// Predicates, called with the cache mutex held.
bool DoPartitionContainerNumbersMatch(const Pce* a, const Pce* b);
bool CT_IsConflictingPartition(const PceList& cache, const Pce* p);
// Whether `e` may serve container lookups of this adapter; the description
// of a container from its partitions alone does without the disk set's state.
bool CT_IsUsablePce(const FSAAPI_CONTEXT* ctx, const PceList& cache, const Pce& e,
                    bool needSetState = true);
bool CT_PceCarriesContainer(const FSAAPI_CONTEXT* ctx, const Pce& e, std::uint32_t n);

constexpr std::uint32_t CT_MAX_PARTITIONS = 256;
