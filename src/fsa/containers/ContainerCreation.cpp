#include "ContainerCreation.h"

#include "ContainerCaches.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "OsLayer.h"
#include "PartitionFields.h"
#include "PartnerRedirect.h"
#include "Trace.h"

#include <cstring>
#include <optional>

namespace {

void put32(std::uint8_t* b, std::size_t off, std::uint32_t v) {
    std::memcpy(b + off, &v, sizeof v);
}
void put16(std::uint8_t* b, std::size_t off, std::uint16_t v) {
    std::memcpy(b + off, &v, sizeof v);
}
std::uint32_t get32(const std::uint8_t* b, std::size_t off) {
    std::uint32_t v;
    std::memcpy(&v, b + off, sizeof v);
    return v;
}

// Create kinds and where their parts lie.
enum Kind : std::uint32_t {
    kVolume = 1,
    kMirror = 2,
    kStripe = 3,
    kRaid5 = 4,
    kRaid10 = 10,
    kVolumeOfMirrors = 12,
    kRaid50 = 14
};

// Member room per kind (the record is 432 bytes).
std::uint32_t room(std::uint32_t kind) {
    switch (kind) {
    case kVolume:
        return 33;
    case kMirror:
        return 2;
    case kStripe:
    case kRaid5:
    case kRaid50:
        return 49;
    case kRaid10:
        return 48;
    case kVolumeOfMirrors:
        return 50;
    default:
        return 0;
    }
}

std::uint32_t kindOf(std::uint32_t type) {
    switch (type) {
    case 1:
        return kMirror;
    case 2:
        return kStripe;
    case 3:
        return kVolume;
    case 4:
        return kRaid5;
    case 13:
        return kRaid10;
    case 15:
        return kVolumeOfMirrors;
    case 26:
        return kRaid50;
    default:
        return 0;
    }
}

// RAID-50 group width: the last of 3, 5, 9 that divides the count into more
// than one group; 0 when none does.
std::uint32_t raid50Width(std::uint32_t count) {
    std::uint32_t width = 0;
    for (std::uint32_t d : {3u, 5u, 9u})
        if (count % d == 0 && count / d > 1)
            width = d;
    return width;
}

// A container size for the record's 32-bit block field; a larger one would
// reach the controller cut short and make a container of the wrong size.
std::uint32_t blocks32(std::uint64_t blocks) {
    if (blocks > 0xFFFFFFFFu)
        throw FSA_STS_BAD_ARGUMENTS;
    return static_cast<std::uint32_t>(blocks);
}

void putSliceOffset(std::uint8_t* b, std::size_t off, const CreateMember& m) {
    put32(b, off, m.slice);
    put32(b, off + 4, m.offsetBlocks);
}

} // namespace

std::uint32_t CT_FindDiskOffset(long long offsetBytes) {
    if (offsetBytes == -1)
        return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(offsetBytes) >> 9);
}

void CT_GenCreateInfo(FSAAPI_CONTEXT* ctx, std::uint8_t* info16) {
    FAOS_TIME_INFO t{};
    faos_GetTime(0, &t);
    std::memset(info16, 0, 16);
    info16[0] = 1;
    info16[2] = 2;
    info16[3] = static_cast<std::uint8_t>(t.year - 1900);
    put32(info16, 4,
          t.month + (std::uint32_t(t.day) << 4) + (std::uint32_t(t.hour) << 10) +
              (std::uint32_t(t.minute) << 16) + (std::uint32_t(t.second) << 22));
    CT_GetSerialNumber(ctx, info16 + 8);
}

std::uint32_t CT_CreatePartitionsNeeded(std::uint32_t type, std::uint32_t count) {
    const std::uint32_t kind = kindOf(type);
    std::uint32_t partitions = count;
    if (kind == kMirror && count != 2)
        throw FSA_STS_RAID10_CREATE_FAILED;
    if (kind == kRaid10 && count % 2)
        throw FSA_STS_RAID10_ODD_DISKS;
    if (kind == kVolumeOfMirrors && count % 2)
        throw FSA_STS_MIRROR_VOLUME_ODD_DISKS;
    if (kind == kRaid10 || kind == kVolumeOfMirrors)
        partitions = count + 1;
    if (kind == kRaid50) {
        const std::uint32_t width = raid50Width(count);
        if (!width)
            throw FSA_STS_RAID50_BAD_COUNT;
        partitions = count / width + 1 + count;
    }
    if (!kind)
        return 0;
    if (count == 0 || count > room(kind))
        throw FSA_STS_CANNOT_DELETE_DISK_DEVICE; // the record has no room for them
    return partitions;
}

std::uint32_t CT_LayOutCreateRecord(CreateContainer* record, std::uint32_t container,
                                    std::uint32_t type, const std::vector<CreateMember>& members,
                                    std::uint32_t chunkBytes, const std::uint8_t* info16) {
    std::uint8_t* b = record->bytes;
    std::memset(b, 0, sizeof record->bytes);
    const std::uint32_t kind = kindOf(type);
    const auto count = static_cast<std::uint32_t>(members.size());
    const std::uint32_t partitions = CT_CreatePartitionsNeeded(type, count);
    if (!kind)
        return 0;
    const std::uint32_t width = kind == kRaid50 ? raid50Width(count) : 0;
    const std::uint32_t chunk = chunkBytes >> 9;
    const std::uint64_t first = members[0].sizeBlocks;
    put32(b, 0, kind);
    put32(b, 4, container);
    switch (kind) {
    case kMirror:
        put32(b, 8, members[0].sizeBlocks);
        std::memcpy(b + 16, info16, 16);
        for (std::uint32_t i = 0; i < count; ++i)
            putSliceOffset(b, 32 + 8 * i, members[i]);
        break;
    case kStripe:
        put32(b, 8, blocks32(first * count));
        put32(b, 12, chunk);
        std::memcpy(b + 16, info16, 16);
        put32(b, 32, count);
        for (std::uint32_t i = 0; i < count; ++i)
            putSliceOffset(b, 40 + 8 * i, members[i]);
        break;
    case kVolume: {
        std::uint64_t total = 0;
        for (const CreateMember& m : members)
            total += m.sizeBlocks;
        put32(b, 8, blocks32(total));
        std::memcpy(b + 12, info16, 16);
        put32(b, 28, count);
        for (std::uint32_t i = 0; i < count; ++i) {
            putSliceOffset(b, 36 + 12 * i, members[i]);
            put32(b, 36 + 12 * i + 8, members[i].sizeBlocks);
        }
        break;
    }
    case kRaid5:
        put32(b, 8, blocks32(first * (count - 1)));
        put32(b, 12, chunk);
        std::memcpy(b + 20, info16, 16);
        put32(b, 36, count);
        for (std::uint32_t i = 0; i < count; ++i)
            putSliceOffset(b, 40 + 8 * i, members[i]);
        break;
    case kRaid10:
        put32(b, 8, blocks32(first * (count / 2)));
        put32(b, 12, chunk);
        std::memcpy(b + 16, info16, 16);
        put32(b, 32, count / 2);
        for (std::uint32_t i = 0; i < count; ++i)
            putSliceOffset(b, 40 + 8 * (i / 2) + 192 * (i % 2), members[i]);
        break;
    case kVolumeOfMirrors:
        std::memcpy(b + 8, info16, 16);
        put32(b, 24, count / 2);
        for (std::uint32_t j = 0; j < count / 2; ++j) {
            const CreateMember& a = members[2 * j];
            const CreateMember& c = members[2 * j + 1];
            const std::size_t off = 32 + 16 * j;
            put16(b, off, static_cast<std::uint16_t>(a.slice));
            put16(b, off + 2, static_cast<std::uint16_t>(c.slice));
            put32(b, off + 4, a.sizeBlocks);
            put32(b, off + 8, a.offsetBlocks);
            put32(b, off + 12, c.offsetBlocks);
        }
        break;
    case kRaid50: {
        const std::uint32_t groups = count / width;
        std::memcpy(b + 8, info16, 16);
        put32(b, 24, blocks32(first * (width - 1) * groups));
        put32(b, 28, 128);
        put16(b, 32, static_cast<std::uint16_t>(groups));
        put16(b, 34, static_cast<std::uint16_t>(width));
        for (std::uint32_t i = 0; i < count; ++i)
            putSliceOffset(b, 40 + 8 * i, members[i]);
        break;
    }
    }
    return partitions;
}

void CT_ConvertToOldCreateRecord(const CreateContainer* record, std::uint8_t* old800) {
    const std::uint8_t* b = record->bytes;
    std::memset(old800, 0, CT_OLD_CREATE_BYTES);
    const std::uint32_t kind = get32(b, 0);
    auto copy = [&](std::size_t from, std::size_t n) { std::memcpy(old800 + from, b + from, n); };
    switch (kind) {
    case kVolume:
        copy(4, 416);
        break;
    case kMirror:
        copy(4, 44);
        break;
    case kStripe:
        copy(4, 420);
        break;
    case kRaid5:
        copy(4, 164);
        break;
    case kRaid10: {
        for (std::size_t w : {1u, 2u, 3u, 8u, 9u})
            copy(4 * w, 4);
        copy(16, 16);
        const std::uint32_t pairs = get32(b, 32);
        for (std::uint32_t i = 0; i < 2 * pairs && i < 32; ++i) {
            const std::size_t from = 40 + 8 * (i / 2) + 192 * (i % 2);
            std::memcpy(old800 + 40 + 8 * (i / 2) + 256 * (i % 2), b + from, 8);
        }
        break;
    }
    case kVolumeOfMirrors: {
        copy(4, 4);
        copy(24, 8);
        copy(8, 16);
        for (std::uint32_t j = 0; j < 24; ++j) {
            const std::size_t off = 32 + 16 * j;
            std::uint16_t sliceA, sliceB;
            std::memcpy(&sliceA, b + off, 2);
            std::memcpy(&sliceB, b + off + 2, 2);
            const std::uint32_t size = get32(b, off + 4);
            // {slice sign-extended, offset, the pair's size}
            auto entry = [&](std::size_t at, std::uint16_t slice, std::size_t offsetAt) {
                const std::uint32_t e[3] = {static_cast<std::uint32_t>(static_cast<std::int32_t>(
                                                static_cast<std::int16_t>(slice))),
                                            get32(b, offsetAt), size};
                std::memcpy(old800 + at, e, sizeof e);
            };
            entry(32 + 12 * j, sliceA, off + 8);
            entry(416 + 12 * j, sliceB, off + 12);
        }
        break;
    }
    default:
        return; // sent all zero
    }
    put32(old800, 0, kind);
}

void CT_ContainerCreate(FSAAPI_CONTEXT* ctx, const CreateContainer* record) {
    std::uint32_t ct = 0;
    FSA_STATUS s = CT_SendReceiveFIB(ctx, 179, &ct, nullptr, nullptr, record->bytes,
                                     CT_CREATE_BYTES, nullptr, 0, 0);
    if (s == FSA_STS_CT_BAD_RESPONSE) {
        std::vector<std::uint8_t> old(CT_OLD_CREATE_BYTES);
        CT_ConvertToOldCreateRecord(record, old.data());
        ct = 0;
        s = CT_SendReceiveFIB(ctx, 124, &ct, nullptr, nullptr, old.data(), CT_CREATE_BYTES, nullptr,
                              0, 0);
    }
    if (s != FSA_STS_SUCCESS)
        throw FSA_STS_CREATE_FAILED;
    for (std::uint32_t ok : {305u, 297u, 337u, 112u, 131u, 115u, 293u, 37u})
        if (ct == ok)
            return;
    throw FSA_STS_CREATE_FAILED;
}

void CT_CreateNewContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t type,
                           const std::vector<CreateMember>& members, std::uint32_t chunkBytes) {
    const std::uint32_t partitions =
        CT_CreatePartitionsNeeded(type, static_cast<std::uint32_t>(members.size()));
    if (partitions)
        CT_CheckMaxNumberOfPartitions(ctx, partitions);
    // Laying out without the stamp refuses sizes the record cannot carry
    // before anything is asked of the controller.
    CreateContainer record;
    const std::uint8_t zeroInfo[16] = {};
    CT_LayOutCreateRecord(&record, container, type, members, chunkBytes, zeroInfo);
    std::uint8_t info[16];
    CT_GenCreateInfo(ctx, info);
    CT_LayOutCreateRecord(&record, container, type, members, chunkBytes, info);
    CT_ContainerCreate(ctx, &record);
}

void CT_GenerateSecondary(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t type,
                          const std::uint32_t* members, std::uint32_t count, long long sizeBytes) {
    CT_CheckMaxNumberOfPartitions(ctx, 1);
    if (count > 48)
        throw FSA_STS_CREATE_INTERNAL_ERROR; // the request holds 48 member numbers
    std::uint8_t request[200] = {};
    put32(request, 0, count);
    put32(request, 4, static_cast<std::uint32_t>(static_cast<unsigned long long>(sizeBytes) >> 9));
    for (std::uint32_t i = 0; i < count; ++i)
        put32(request, 8 + 4 * i, members[i]);
    std::uint32_t command = 0, expected = 0;
    if (type == 2) {
        command = 172;
        expected = 322;
    } else if (type == 3) {
        command = 171;
        expected = 7;
    } else {
        throw FSA_STS_CREATE_INTERNAL_ERROR;
    }
    std::uint32_t w0 = container;
    CT_SendReceiveFIB(ctx, command, &w0, nullptr, nullptr, request, sizeof request, nullptr, 0, 1);
    if (w0 != expected)
        throw FSA_STS_CREATE_INTERNAL_ERROR;
}

namespace {

// Whether the list may lack partitions a search for a number must see: a
// slice described as nothing (it may be any disk), a disk whose MBR could
// not be read that the search covers (every disk, or those this adapter
// reaches), or, for a search of every disk, the cluster partner's list. An
// unread disk set hides no partition; whether the search must cover the
// partner's disks for it is the caller's choice (CT_SearchesEveryDisk).
bool missesSearchedDisk(const FsaContainerCaches& caches, int localOnly) {
    if (!localOnly && !caches.partnerListRead)
        return true;
    for (const DriveReading& d : caches.drives) {
        if (!d.described)
            return true;
        if (!d.mbrRead && (!localOnly || d.driveId != par::kDriveNotHere))
            return true;
    }
    return false;
}

bool listTakes(const PceList& list, std::uint32_t number, int localOnly) {
    for (const Pce& e : list) {
        const Partition& p = e.partition;
        if (PCE_IsFree(e) || (!par::start(p) && par::l0Type(p) != 8))
            continue;
        if (localOnly && !LOCAL_ATTACHED(&e))
            continue;
        const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
        if ((par::l0Type(p) && par::l0Number(p) == number) ||
            (par::l1Type(p) && par::l1Number(p) == number) ||
            ((a || b) && (a == number || b == number)))
            return true;
    }
    return false;
}

enum class Lookup { Taken, Free, FreeOnAnUnreadList };

Lookup lookUp(FSAAPI_CONTEXT* ctx, std::uint32_t number, int localOnly) {
    if (CT_CheckConflicts(ctx, number))
        return Lookup::Taken;
    return CT_WithCache(ctx, [&](const PceList& list) {
        if (listTakes(list, number, localOnly))
            return Lookup::Taken;
        return missesSearchedDisk(*ctx->containerCaches, localOnly) ? Lookup::FreeOnAnUnreadList
                                                                    : Lookup::Free;
    });
}

// The first number `numberAt(0..count-1)` names that is free, read from a
// list that saw every disk the search covers: a number free only on a list
// that missed one is searched again on a fresh list (a passing failure),
// then refused with 39. Nothing when every number is taken.
template <class NumberAt>
std::optional<std::uint32_t> firstFree(FSAAPI_CONTEXT* ctx, std::uint64_t count,
                                       NumberAt&& numberAt, int localOnly) {
    for (int reads = 1;; ++reads) {
        bool unread = false;
        for (std::uint64_t i = 0; i < count && !unread; ++i) {
            const std::uint32_t n = numberAt(i);
            const Lookup found = lookUp(ctx, n, localOnly);
            if (found == Lookup::Free)
                return n;
            unread = found == Lookup::FreeOnAnUnreadList;
        }
        if (!unread)
            return std::nullopt;
        UtilPrintDebugFormatted("container number search: a disk it covers is unread\n");
        if (reads == 2) // as for a partition table the controller would not hand over
            throw FSA_STS_PARTITION_ENTRY_FAILED;
        CT_InvalidateCache(ctx);
    }
}

} // namespace

bool CT_PhantomOrRealExists(FSAAPI_CONTEXT* ctx, std::uint32_t number, int localOnly) {
    return lookUp(ctx, number, localOnly) == Lookup::Taken;
}

bool CT_IsContainerNumberFree(FSAAPI_CONTEXT* ctx, std::uint32_t number, int localOnly) {
    return firstFree(
               ctx, 1, [number](std::uint64_t) { return number; }, localOnly)
        .has_value();
}

std::uint32_t CT_GetNextFreeContainer(FSAAPI_CONTEXT* ctx, int fromTop, int localOnly) {
    const std::uint32_t highest = ctx->info.highestContainerNumber;
    if (highest == 0xFFFFFFFFu)
        throw FSA_STS_TOO_MANY_CONTAINERS; // the controller has no container numbers
    const auto numberAt = [&](std::uint64_t i) {
        return static_cast<std::uint32_t>(fromTop ? highest - i : i);
    };
    // Every number is valid for the host on this platform.
    if (const std::optional<std::uint32_t> n =
            firstFree(ctx, std::uint64_t{highest} + 1, numberAt, localOnly))
        return *n;
    throw FSA_STS_TOO_MANY_CONTAINERS;
}

bool CT_SearchesEveryDisk(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER& container) {
    if (CTR_BUS_SHARED(ctx, &container))
        return true;
    return CT_WithCache(ctx, [&](const PceList&) {
        // A slice described as nothing may be any disk, a shared one too.
        for (const DriveReading& d : ctx->containerCaches->drives)
            if (!d.described || !d.setRead)
                return true;
        return false;
    });
}
