#include "DiskSetEnum.h"

#include "DiskSetChannel.h"
#include "DiskSetRecords.h"
#include "Frame.h"
#include "FsaMessages.h"
#include "FsaStatus.h"
#include "LowMemory.h"
#include "ScsiCommands.h"

#include <cstdio>
#include <cstring>

namespace {

#pragma pack(push, 4)
struct ALL_SETS_RECORD {
    std::uint64_t zero;
    std::uint64_t numbers[16];
    std::uint64_t creators[16];
    std::uint32_t count;
    std::uint32_t one;
    std::uint32_t external;
    std::uint32_t externalAddress;
    std::uint32_t externalSize;
};
static_assert(sizeof(ALL_SETS_RECORD) == 284, "the all-sets record is 284 bytes");

struct MEMBERS_RECORD {
    std::uint64_t zero;
    std::uint64_t number;
    std::uint64_t creator;
    std::uint32_t count;
    std::uint32_t ids[64];
    std::uint32_t eight;
    std::uint32_t one;
};
#pragma pack(pop)
static_assert(sizeof(MEMBERS_RECORD) == 292, "the members record is 292 bytes");

constexpr std::size_t kExternalBytes = 4096;

// Calls `each(info)` for every set of the adapter (or the one given) whose
// information reads; the enumeration's status. `any` (when given) learns
// whether a set was reported.
template <class Each>
FSA_STATUS forEachDiskSet(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* one, Each&& each,
                          bool* any = nullptr) {
    FSA_DISK_SET sets[DS_MAX_SETS];
    int count = 1;
    if (one) {
        sets[0] = *one;
    } else if (DS_GetAllDiskSets(ctx, sets, DS_MAX_SETS, &count) != FSA_STS_SUCCESS) {
        return FSA_STS_DS_NO_MORE_SETS;
    }
    FSA_STATUS status = FSA_STS_SUCCESS;
    for (int i = 0; i < count; ++i) {
        FSA_DISK_SET_INFO info;
        if (DS_GetDiskSetInfo(ctx, &sets[i], &info) != FSA_STS_SUCCESS)
            return FSA_STS_DS_NO_MORE_SETS;
        if (info.words[FSA_DSI_STATE] == FSA_DSS_NO_SET)
            continue; // the controller holds no record of it
        if (any)
            *any = true;
        status = each(info);
        if (status != FSA_STS_SUCCESS)
            break;
    }
    return status;
}

} // namespace

FSA_STATUS DS_GetAllDiskSets(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* sets, int capacity, int* count) {
    // The controller writes sets beyond 16 to a page-aligned area of its own,
    // by an address that must fit its 32-bit field.
    const fsa::LowMemory area = fsa::allocateLowMemory(2 * kExternalBytes);
    if (!area)
        return FSA_STS_OUT_OF_MEMORY;
    const auto base = reinterpret_cast<std::uintptr_t>(area.get());
    auto* external =
        reinterpret_cast<std::uint8_t*>((base + kExternalBytes - 1) & ~(kExternalBytes - 1));
    std::memset(external, 0, kExternalBytes);
    ALL_SETS_RECORD r{};
    r.one = 1;
    r.external = 1;
    r.externalAddress = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(external));
    r.externalSize = kExternalBytes;
    const ALL_SETS_RECORD asked = r;
    const FSA_STATUS s = DS_SendReceiveFIB(ctx, CL_ALL_SETS, &r, sizeof r, &r, sizeof r);
    if (s != FSA_STS_SUCCESS)
        return s;
    // The answer is written over the request and keeps the words that
    // describe the external area: a zeroed or stale record, which would
    // read as an adapter without sets, does not.
    if (r.one != asked.one || r.external != asked.external ||
        r.externalAddress != asked.externalAddress || r.externalSize != asked.externalSize)
        return FSA_STS_FAILURE;
    // Numbers and owner ids of every set must fit the external area; more
    // sets than the caller's array holds are cut to it.
    if (r.count > kExternalBytes / 16)
        return FSA_STS_DS_FAILED;
    std::uint32_t n = r.count;
    if (sets)
        n = std::min<std::uint32_t>(n, static_cast<std::uint32_t>(capacity));
    for (std::uint32_t i = 0; sets && i < n; ++i) {
        std::memset(&sets[i], 0, sizeof sets[i]);
        if (r.count <= 16) {
            sets[i].number = r.numbers[i];
            sets[i].creator = r.creators[i];
        } else {
            std::memcpy(&sets[i].number, external + 8 * i, 8);
            std::memcpy(&sets[i].creator, external + 8 * (r.count + i), 8);
        }
    }
    *count = static_cast<int>(n);
    return FSA_STS_SUCCESS;
}

FSA_STATUS DS_FindDiskSet(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set) {
    FSA_DISK_SET sets[DS_MAX_SETS];
    int count = 0;
    if (DS_GetAllDiskSets(ctx, sets, DS_MAX_SETS, &count) == FSA_STS_SUCCESS)
        for (int i = 0; i < count; ++i)
            if (sets[i].number == set->number && sets[i].creator == set->creator)
                return FSA_STS_SUCCESS;
    return FSA_STS_DS_NO_SETS;
}

FSA_STATUS DS_CheckDiskSetName(FSAAPI_CONTEXT* ctx, const char* label) {
    // Only a walk that read every set clears the label: a set that could not
    // be read may carry it (an adapter without sets walks none and clears it).
    return forEachDiskSet(ctx, nullptr, [label](const FSA_DISK_SET_INFO& info) {
        char own[33] = {};
        std::memcpy(own, &info.words[FSA_DSI_LABEL], 32);
        return std::strncmp(own, label, 32) == 0 ? FSA_STS_DS_DUPLICATE_LABEL : FSA_STS_SUCCESS;
    });
}

FSA_STATUS DS_GetMembers(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint32_t* ids,
                         std::uint32_t* count) {
    MEMBERS_RECORD r{};
    r.number = set->number;
    r.creator = set->creator;
    r.eight = 8;
    r.one = 1;
    const FSA_STATUS s = DS_SendReceiveFIB(ctx, CL_MEMBERS, &r, sizeof r, &r, sizeof r);
    if (s != FSA_STS_SUCCESS)
        return s;
    // The list answers for the set it names: a zeroed or stale one would
    // read as a set without drives.
    if (r.number != set->number || r.creator != set->creator)
        return FSA_STS_FAILURE;
    if (r.count > 64)
        return FSA_STS_DS_FAILED; // more members than the record can carry
    std::memcpy(ids, r.ids, 4 * r.count);
    *count = r.count;
    return FSA_STS_SUCCESS;
}

FSA_STATUS DS_Rescan(FSAAPI_CONTEXT* ctx, std::uint32_t what) {
    return DS_SendReceiveFIB(ctx, CL_RESCAN, &what, sizeof what, nullptr, 0);
}

extern "C" {

FSA_STATUS FsaEnumDiskSets(void* handle, FSA_DISK_SET* set, FSA_DISK_SET_CALLBACK callback,
                           void* user) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (!callback)
            return FSA_STS_BAD_ARGUMENTS;
        bool any = false;
        const FSA_STATUS s = forEachDiskSet(
            ctx, set,
            [&](FSA_DISK_SET_INFO& info) { return callback(FSA_STS_SUCCESS, user, &info); }, &any);
        if (s == FSA_STS_DS_NO_MORE_SETS || (s == FSA_STS_SUCCESS && !any)) {
            callback(FSA_STS_DS_NO_MORE_SETS, user, nullptr);
            return FSA_STS_DS_NO_SETS;
        }
        return s;
    });
}

FSA_STATUS FsaEnumDiskSetMembers(void* handle, FSA_DISK_SET* set,
                                 FSA_DISK_SET_MEMBER_CALLBACK callback, void* user) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (!set || !callback)
            return FSA_STS_BAD_ARGUMENTS;
        std::uint32_t ids[64];
        std::uint32_t count = 0;
        if (DS_GetMembers(ctx, set, ids, &count) != FSA_STS_SUCCESS) {
            callback(FSA_STS_DEVICE_NOT_FOUND, user, nullptr);
            return FSA_STS_DEVICE_NOT_FOUND;
        }
        FSA_STORAGE_DEVICE device{};
        for (std::uint32_t i = 0; i < count; ++i) {
            SCSI_GetStandardID(ctx, &device, static_cast<int>(ids[i]));
            if (callback(FSA_STS_SUCCESS, user, &device) != FSA_STS_SUCCESS)
                return FSA_STS_SUCCESS;
        }
        callback(FSA_STS_NO_MORE_DEVICES, user, &device);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaFindDiskSet(void* handle, FSA_DISK_SET* set) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        return set ? DS_FindDiskSet(ctx, set) : FSA_STS_BAD_ARGUMENTS;
    });
}

FSA_STATUS FsaDiskSetRescan(void* handle, std::uint32_t what) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite},
                           [&](FSAAPI_CONTEXT* ctx) { return DS_Rescan(ctx, what); });
}

FSA_STATUS FsaCheckDupDiskSetName(void* handle, const char* label) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        return label ? DS_CheckDiskSetName(ctx, label) : FSA_STS_BAD_ARGUMENTS;
    });
}

FSA_STATUS FsaGetNextDiskSetName(void* handle, std::uint32_t* size, char* name) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (!size || !name)
            return FSA_STS_BAD_ARGUMENTS;
        char prefix[64];
        unsigned int prefixSize = sizeof prefix;
        if (FsaGetStringA(prefix, &prefixSize, 1233) != FSA_MSG_DONE)
            return FSA_STS_FAILURE;
        if (std::strlen(prefix) + 3 > *size)
            return FSA_STS_BUFFER_TOO_SMALL;
        for (int n = 1; n <= 64; ++n) {
            char candidate[80];
            std::snprintf(candidate, sizeof candidate, "%s%d", prefix, n);
            const FSA_STATUS s = DS_CheckDiskSetName(ctx, candidate);
            if (s == FSA_STS_DS_DUPLICATE_LABEL)
                continue;
            if (s != FSA_STS_SUCCESS)
                return s;
            if (std::strlen(candidate) + 1 > *size)
                return FSA_STS_BUFFER_TOO_SMALL;
            std::strcpy(name, candidate);
            *size = static_cast<std::uint32_t>(std::strlen(candidate));
            return FSA_STS_SUCCESS;
        }
        return FSA_STS_DS_NO_MORE_SETS;
    });
}
}
