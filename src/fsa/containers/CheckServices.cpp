// What the parameter checks ask of the partition and container caches,
// installed once the first adapter context exists.
#include "CheckServices.h"

#include "ContainerCaches.h"
#include "PartitionFields.h"
#include "PckServices.h"
#include "Reconfiguration.h"
#include "ScsiCommands.h"

#include <cstring>
#include <mutex>

namespace {

FSA_STATUS removeDead(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* d, const void* partition) {
    CT_RemoveDeadPartitions(ctx, SCSI_GetInternalID(ctx, d),
                            static_cast<const FSA_PARTITION*>(partition));
    return FSA_STS_SUCCESS;
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
        s.containersOnDrive = onDrive;
        s.removeDeadPartitions = removeDead;
        PCK_SetServices(s);
    });
}
