#include "DeleteByDisk.h"

#include "ContainerCaches.h"
#include "IdentityCommands.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"

#include <cstring>
#include <optional>
#include <vector>

namespace {

// One container met on the disks, then its highest container.
struct Found {
    tag_FSA_CONTAINER id{};
    std::uint32_t type = 0;
    bool kept = false;
    std::uint32_t lost = 0;
    bool done = false;
    bool hasDead = false;
    std::optional<tag_FSA_CONTAINER> level1, firstRef, secondRef, level2;
    bool ownerNamesThis = false;
};

tag_FSA_CONTAINER idAt(FSAAPI_CONTEXT* ctx, const Partition& p, std::uint32_t n,
                       std::uint32_t level) {
    std::uint32_t uid = 0;
    if (CT_GetContainerUIDFromPartition(ctx, &p, &uid, level) != FSA_STS_SUCCESS)
        uid = 0;
    return {n, uid, par::serial(p)};
}

tag_FSA_CONTAINER idOf(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t serial) {
    std::uint32_t uid = 0;
    CTGetUid(ctx, n, &uid);
    return {n, uid, serial};
}

void add(FSAAPI_CONTEXT* ctx, std::vector<Found>& list, const Pce& e) {
    const Partition& p = e.partition;
    const std::uint32_t n = par::l0Number(p), serial = par::serial(p);
    Found* f = nullptr;
    for (Found& x : list)
        if (x.id.containerNumber == n && x.id.adapterSerial == serial)
            f = &x;
    if (!f) {
        list.emplace_back();
        f = &list.back();
        const std::uint32_t mask = par::u32(p, 64);
        const std::uint32_t own = par::u16(p, par::kMemberIndex) & 31;
        for (std::uint32_t bit = 0; bit < 32; ++bit)
            if (bit != own && (mask >> bit & 1)) {
                ++f->lost;
                f->hasDead = true;
            }
        const std::uint32_t type = par::l0Type(p);
        if ((par::flags(p) & 0x40) && !f->lost && (type == 4 || (type == 2 && (mask & 1)))) {
            ++f->lost;
            f->hasDead = true;
        }
    }
    f->kept = par::configured(p);
    f->id = idAt(ctx, p, n, 0);
    f->type = par::l0Type(p);
    ++f->lost;
    if (par::l1Type(p))
        f->level1 = idAt(ctx, p, par::l1Number(p), 1);
    if (par::u8(p, par::kRef59) != par::u8(p, par::kRef58))
        f->level2 = idAt(ctx, p, par::u8(p, par::kRef59), 2);
    const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
    if (a != b) {
        f->firstRef = idOf(ctx, a, serial);
        f->secondRef = idOf(ctx, b, serial);
        const std::uint32_t self = f->level1 ? f->level1->containerNumber : n;
        f->ownerNamesThis = par::u8(p, par::kRef58) == self;
    }
}

// The highest container the entry belongs to.
void CT_CheckForHigherUpContainers(Found& f) {
    const std::uint32_t serial = f.id.adapterSerial;
    if (f.level1)
        f.id = *f.level1;
    if (f.level2)
        f.id = *f.level2;
    if (f.firstRef && f.ownerNamesThis)
        f.id = *f.firstRef;
    else if (f.secondRef)
        f.id = *f.secondRef;
    f.id.adapterSerial = serial;
}

void write(const tag_FSA_CONTAINER& id, tag_FSA_CONTAINER* list, std::uint32_t* count,
           std::uint32_t bytes) {
    if ((*count + 1) * sizeof id <= bytes)
        list[*count] = id;
    ++*count;
}

} // namespace

void CT_FindContainersToDeleteByDisk(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* disks,
                                     std::uint32_t count, tag_FSA_CONTAINER* toDelete,
                                     std::uint32_t* deleteCount, std::uint32_t deleteBytes,
                                     tag_FSA_CONTAINER* degraded, std::uint32_t* degradedCount,
                                     std::uint32_t degradedBytes) {
    *deleteCount = 0;
    *degradedCount = 0;
    std::memset(toDelete, 0, deleteBytes);
    std::memset(degraded, 0, degradedBytes);
    if (!count)
        return;
    std::vector<int> ids(count);
    for (std::uint32_t i = 0; i < count; ++i)
        ids[i] = SCSI_DriveId(ctx, &disks[i]);
    const std::uint32_t serial = disks[0].scsi.adapterSerial;
    CT_WithCache(ctx, [&](const PceList& cache) {
        std::vector<Found> list;
        for (const Pce& e : cache) {
            const int drive = static_cast<int>(par::drive(e.partition));
            bool onDisks = false;
            for (int id : ids)
                onDisks |= id == drive;
            // An extent that records no container stands for none to delete.
            if (!onDisks || par::serial(e.partition) != serial || PCE_IsFree(e) ||
                !par::levelPresent(par::l0Type(e.partition)) ||
                CT_IsConflictingPartition(cache, &e))
                continue;
            add(ctx, list, e);
        }
        for (Found& f : list) {
            if (f.type == 1 || f.type == 3 || f.type == 8 ||
                ((f.type == 2 || f.type == 4) && f.lost > 1))
                f.kept = false;
            CT_CheckForHigherUpContainers(f);
        }
        for (std::size_t i = 0; i < list.size(); ++i)
            for (std::size_t j = i + 1; j < list.size(); ++j)
                if (!list[j].done && !list[i].done &&
                    list[j].id.containerNumber == list[i].id.containerNumber &&
                    list[j].id.adapterSerial == list[i].id.adapterSerial) {
                    if (!list[j].kept)
                        list[i].kept = false;
                    list[j].done = true;
                }
        for (const Found& f : list) {
            if (f.done)
                continue;
            if (!f.kept)
                write(f.id, toDelete, deleteCount, deleteBytes);
            else
                write(f.id, degraded, degradedCount, degradedBytes);
        }
        return 0;
    });
}
