// What the parameter checks ask of the partition and container caches,
// installed once the first adapter context exists.
#include "CheckServices.h"

#include "ContainerCaches.h"
#include "CtChannel.h"
#include "PartitionFields.h"
#include "PckServices.h"

#include <cstring>
#include <mutex>

namespace {

FSA_STATUS diskSetInfo(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t* words38) {
    CT_GetCtrDiskSetInfo(ctx, n, reinterpret_cast<std::uint8_t*>(words38));
    return FSA_STS_SUCCESS;
}

FSA_STATUS rebuild(FSAAPI_CONTEXT* ctx) {
    CT_InvalidateCache(ctx);
    return static_cast<FSA_STATUS>(CT_UpdateCache(ctx));
}

std::vector<PckExtent> extents(FSAAPI_CONTEXT* ctx) {
    return CT_WithCache(ctx, [](const PceList& list) {
        std::vector<PckExtent> out;
        for (const Pce& e : list)
            out.push_back({par::drive(e.partition), par::start(e.partition), par::size(e.partition),
                           e.state});
        return out;
    });
}

std::uint32_t perDriveLimit(FSAAPI_CONTEXT* ctx) {
    return CT_GetMaxNumberOfCtrPartitions(ctx);
}

void addOnce(std::uint32_t* list, std::uint32_t& count, std::uint32_t n) {
    for (std::uint32_t i = 0; i < count; ++i)
        if (list[i] == n)
            return;
    if (count < PCK_MAX_LISTED_CONTAINERS)
        list[count++] = n;
}

std::uint32_t onDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* d, std::uint32_t* direct,
                      std::uint32_t* higher) {
    const std::uint32_t drive =
        (d->scsi.bus & 63u) << 7 | (d->scsi.lun & 7u) << 4 | (d->scsi.target & 15u);
    std::memset(direct, 0xFF, PCK_MAX_LISTED_CONTAINERS * sizeof *direct);
    std::memset(higher, 0xFF, PCK_MAX_LISTED_CONTAINERS * sizeof *higher);
    return CT_WithCache(ctx, [&](const PceList& list) {
        std::uint32_t nDirect = 0, nHigher = 0;
        for (const Pce& e : list) {
            const Partition& p = e.partition;
            if (PCE_IsFree(e) || !LOCAL_ATTACHED(&e) || par::drive(p) != drive ||
                !par::levelPresent(par::l0Type(p)))
                continue;
            addOnce(direct, nDirect, par::l0Number(p));
            if (par::levelPresent(par::l1Type(p)))
                addOnce(higher, nHigher, par::l1Number(p));
        }
        return nDirect;
    });
}

} // namespace

void CT_InstallCheckServices() {
    static std::once_flag once;
    std::call_once(once, [] {
        PckServices s{};
        s.containerDiskSetInfo = diskSetInfo;
        s.rebuildCaches = rebuild;
        s.sortedPartitions = extents;
        s.partitionsPerDriveLimit = perDriveLimit;
        s.containersOnDrive = onDrive;
        PCK_SetServices(s);
    });
}
