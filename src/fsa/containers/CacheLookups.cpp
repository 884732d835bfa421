// Lookups over the sorted partition cache: by drive, by container, the
// conflict rule and the partition limits.
#include "ContainerCaches.h"
#include "FsaApi.h"
#include "IdentityCommands.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"

#include <cstring>

namespace {

// Level-0 and level-1 numbers of an element where present.
int containerNumbers(const Pce* e, std::uint32_t out[2]) {
    int n = 0;
    if (par::levelPresent(par::l0Type(e->partition)))
        out[n++] = par::l0Number(e->partition);
    if (par::levelPresent(par::l1Type(e->partition)))
        out[n++] = par::l1Number(e->partition);
    return n;
}

bool inDiskSet(const Pce& e) {
    static const std::uint8_t zeros[8] = {};
    return std::memcmp(e.diskSetInfo, zeros, sizeof zeros) != 0;
}
std::uint32_t diskSetWord(const Pce& e, std::size_t word) {
    std::uint32_t v;
    std::memcpy(&v, e.diskSetInfo + 4 * word, sizeof v);
    return v;
}

} // namespace

bool DoPartitionContainerNumbersMatch(const Pce* a, const Pce* b) {
    std::uint32_t na[2], nb[2];
    const int ca = containerNumbers(a, na);
    const int cb = containerNumbers(b, nb);
    for (int i = 0; i < ca; ++i)
        for (int j = 0; j < cb; ++j)
            if (na[i] == nb[j])
                return true;
    return false;
}

bool CT_IsConflictingPartition(const PceList& cache, const Pce* p) {
    if (PCE_IsFree(*p) || p->state == FSA_PCE_USED_NO_MBR || par::configured(p->partition))
        return false;
    for (const Pce& other : cache)
        if (&other != p && par::configured(other.partition) && !PCE_IsFree(other) &&
            other.state != FSA_PCE_USED_NO_MBR && DoPartitionContainerNumbersMatch(p, &other))
            return true;
    return false;
}

bool CT_IsUsablePce(const FSAAPI_CONTEXT* ctx, const PceList& cache, const Pce& e,
                    bool needSetState) {
    // The owner id's low half (word 16) is the owning adapter's serial; word 22
    // is the disk set's state.
    const std::uint32_t owner = diskSetWord(e, 16);
    if (ctx->adapterCount && owner && FsaGetSerialFromDSOwner(owner) != FsaAdapterSerial(ctx))
        return false;
    return inDiskSet(e) && LOCAL_ATTACHED(&e) && !PCE_IsFree(e) &&
           !CT_IsConflictingPartition(cache, &e) && (!needSetState || diskSetWord(e, 22) == 1);
}

bool CT_PceCarriesContainer(const FSAAPI_CONTEXT* ctx, const Pce& e, std::uint32_t n) {
    const Partition& p = e.partition;
    if (par::l0Number(p) == n)
        return true;
    if (par::u16(p, par::kL1Members) && par::l1Number(p) == n)
        return true;
    const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
    if ((a || b) && (a == n || b == n))
        return true;
    const std::uint32_t visible = ctx->info.firstHiddenContainer;
    return par::u8(p, par::kRelated90) >= visible && par::u8(p, par::kRelated91) >= visible &&
           par::u8(p, par::kRelated106) >= visible && par::u8(p, par::kRelated79) == n;
}

std::optional<Pce> CT_GetScsiPCE(FSAAPI_CONTEXT* ctx, std::uint32_t driveId) {
    return CT_WithCache(ctx, [&](const PceList& list) -> std::optional<Pce> {
        for (const Pce& e : list)
            if (LOCAL_ATTACHED(&e) && par::drive(e.partition) == driveId)
                return e;
        return std::nullopt;
    });
}

std::optional<Pce> CT_GetCtrPCE(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    return CT_WithCache(ctx, [&](const PceList& list) -> std::optional<Pce> {
        for (const Pce& e : list)
            if (CT_IsUsablePce(ctx, list, e) && CT_PceCarriesContainer(ctx, e, n))
                return e;
        return std::nullopt;
    });
}

bool CT_DoesCtrExistLocally(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    return CT_GetCtrPCE(ctx, n).has_value();
}

void CT_GetCtrDiskSetInfo(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint8_t* out152) {
    const auto e = CT_GetCtrPCE(ctx, n);
    if (e)
        std::memcpy(out152, e->diskSetInfo, sizeof e->diskSetInfo);
    else
        std::memset(out152, 0, sizeof e->diskSetInfo);
}

std::uint32_t CT_GetCtrSerialNumber(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    const auto e = CT_GetCtrPCE(ctx, n);
    return e ? par::serial(e->partition) : 0;
}

std::uint32_t CT_GetCtrUid(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    const auto e = CT_GetCtrPCE(ctx, n);
    std::uint32_t uid = 0;
    if (e && CT_GetContainerUIDFromPartition(ctx, &e->partition, &uid, 1) != FSA_STS_SUCCESS)
        uid = 0;
    return uid;
}

std::uint32_t CT_GetNumberOfPartitionsAlreadyOnDevice(FSAAPI_CONTEXT* ctx,
                                                      const FSA_SCSI_DEVICE* d) {
    if (!d)
        return 0;
    // Masked, an address outside the ranges would count another drive's.
    const FSA_STORAGE_DEVICE device{0, *d};
    if (!SCSI_AddressEncodable(&device))
        throw SCSI_DRIVE_NOT_FOUND;
    const std::uint32_t driveId = d->bus * 128u + d->lun * 16u + d->target;
    const std::uint32_t own = FsaAdapterSerial(ctx);
    return CT_WithCache(ctx, [&](const PceList& list) {
        std::uint32_t count = 0;
        for (const Pce& e : list)
            if (par::serial(e.partition) == own && par::drive(e.partition) == driveId &&
                par::start(e.partition))
                ++count;
        return count;
    });
}

void CT_CheckMaxNumberOfPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t more) {
    const std::uint32_t own = FsaAdapterSerial(ctx);
    const std::uint64_t count = CT_WithCache(ctx, [&](const PceList& list) {
        std::uint64_t n = 0;
        for (const Pce& e : list)
            if (par::serial(e.partition) == own ||
                (e.state == FSA_PCE_FREE && par::serial(e.partition) != own))
                ++n;
        return n;
    });
    if (count + more > CT_MAX_PARTITIONS)
        throw FSA_STS_PARTITION_LIMIT;
}

std::uint32_t CT_GetMaxNumberOfCtrPartitions(const FSAAPI_CONTEXT* ctx) {
    return ctx->partitionLimit / 3;
}

void CT_FindUidForCtrWithPartition(FSAAPI_CONTEXT* ctx, std::uint32_t n, const Partition* ref,
                                   std::uint32_t* uid, int byAge) {
    *uid = 0;
    auto agrees = [&](const Partition& p) {
        if (par::serial(p) != par::serial(*ref) ||
            par::u32(p, par::kIdentity) != par::u32(*ref, par::kIdentity))
            return false;
        if (byAge)
            return par::u32(p, par::kAge) == par::u32(*ref, par::kAge);
        for (std::size_t off : {par::kSnapA, par::kSnapB, par::kRef58, par::kRef59})
            if (par::u8(p, off) != par::u8(*ref, off))
                return false;
        return true;
    };
    auto ownNumber = [](const Partition& p, std::uint8_t v) {
        return v == par::l0Number(p) || (par::l1Type(p) && v == par::l1Number(p));
    };
    CT_WithCache(ctx, [&](const PceList& list) {
        using Match = bool (*)(const Partition&, std::uint32_t, decltype(ownNumber)&);
        const Match searches[3] = {
            [](const Partition& p, std::uint32_t n, decltype(ownNumber)&) {
                return par::l0Type(p) && par::l0Number(p) == n;
            },
            [](const Partition& p, std::uint32_t n, decltype(ownNumber)&) {
                return par::l1Type(p) && par::l1Number(p) == n;
            },
            [](const Partition& p, std::uint32_t n, decltype(ownNumber)& own) {
                const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
                return par::l0Type(p) && a != b &&
                       ((a == n && own(p, par::u8(p, par::kRef58))) ||
                        (b == n && own(p, par::u8(p, par::kRef59))));
            }};
        for (std::uint32_t level = 0; level < 3 && !*uid; ++level)
            for (const Pce& e : list)
                if (agrees(e.partition) && searches[level](e.partition, n, ownNumber)) {
                    if (CT_GetContainerUIDFromPartition(ctx, &e.partition, uid, level) !=
                        FSA_STS_SUCCESS)
                        *uid = 0;
                    break;
                }
        return 0;
    });
}
