// Creating containers on free disk space, mirroring a container onto more
// disks, and growing volume sets.
#include "ContainerCaches.h"
#include "ContainerCreation.h"
#include "ContainerDispatch.h"
#include "ContainerOperations.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "FsaMaintenance.h"
#include "HiddenMembers.h"
#include "HostExposure.h"
#include "IdentityCommands.h"
#include "OpenClose.h"
#include "OpsFrame.h"
#include "OsSync.h"
#include "OsTypes.h"
#include "ParamChecks.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"
#include "SmallCommands.h"
#include "Stubs.h"
#include "Trace.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint64_t kMinExtension = 0x2000000;
constexpr unsigned kMaxMirrorDevices = 32;

enum class After { Nothing, Scrub, Clear };

struct Kind {
    std::uint32_t kind; // 0: not creatable
    bool raid5;         // needs three extents
    bool quick;
    After after;
};

// The creation kind of each requested type 1..27.
Kind kindOf(std::uint32_t type) {
    switch (type) {
    case 1:
        return {1, false, false, After::Scrub};
    case 2:
        return {2, false, false, After::Nothing};
    case 3:
        return {3, false, false, After::Nothing};
    case 4:
        return {4, true, false, After::Scrub};
    case 7:
        return {4, true, false, After::Nothing};
    case 8:
        return {4, true, true, After::Clear};
    case 13:
        return {13, false, false, After::Scrub};
    case 15:
        return {15, false, false, After::Scrub};
    case 23:
        return {1, false, true, After::Clear};
    case 24:
        return {15, false, true, After::Clear};
    case 25:
        return {13, false, true, After::Clear};
    case 26:
        return {26, false, false, After::Scrub};
    case 27:
        return {26, false, true, After::Clear};
    default:
        return {0, false, false, After::Nothing};
    }
}

// All extents' disks in one disk set (or all in none): 1, else 461 or the
// failure of reading the first disk's disk set.
FSA_STATUS CT_CheckDisksInSameDiskSet(FSAAPI_CONTEXT* ctx, std::uint32_t count,
                                      const FSA_STORAGE_DEVICE_SPACE* spaces) {
    if (!count)
        return FSA_STS_SUCCESS;
    void* handle = UtilHandleFromValue(ctx->handle);
    auto read = [&](const FSA_STORAGE_DEVICE& d, std::uint64_t* set) {
        FSA_DISK_SET_INFO info{};
        const FSA_STATUS s = FsaGetDriveInfo(
            handle, static_cast<std::uint32_t>(SCSI_DriveId(ctx, &d)), &info, nullptr);
        std::memcpy(set, &info.words[FSA_DSI_KEY], sizeof *set);
        return s;
    };
    std::uint64_t first = 0;
    const FSA_STATUS reference = read(spaces[0].device, &first);
    for (std::uint32_t i = 1; i < count; ++i) {
        std::uint64_t set = 0;
        const FSA_STATUS s = read(spaces[i].device, &set);
        if (s != reference || (s != FSA_STS_DS_NOT_OWNER_OF_DISK && set != first))
            return FSA_STS_SPANS_DISK_SETS;
    }
    return FSA_STS_SUCCESS;
}

int sliceOf(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE& d) {
    return CT_GetSliceFromDriveHandle(ctx, SCSI_DriveId(ctx, &d), 1, nullptr);
}

std::vector<CreateMember> membersOf(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE_SPACE* spaces,
                                    std::uint32_t count) {
    std::vector<CreateMember> members;
    for (std::uint32_t i = 0; i < count; ++i)
        members.push_back({static_cast<std::uint32_t>(sliceOf(ctx, spaces[i].device)),
                           CT_FindDiskOffset(static_cast<long long>(spaces[i].offset)),
                           static_cast<std::uint32_t>(spaces[i].size >> 9)});
    return members;
}

FSA_STORAGE_DEVICE& deviceOfSpace(FSA_STORAGE_DEVICE_SPACE& s) {
    return s.device;
}
FSA_STORAGE_DEVICE& deviceOfDevice(FSA_STORAGE_DEVICE& d) {
    return d;
}

void* partnerOfDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* d) {
    const std::uint32_t h = GetRelevantAdapterForScsi(ctx, d);
    return h ? UtilHandleFromValue(h) : nullptr;
}

// Whether container `member` stands in volume set `volume`, read afresh.
bool standsIn(FSAAPI_CONTEXT* ctx, std::uint32_t volume, std::uint32_t member) {
    CT_InvalidateCache(ctx);
    return CT_WithCache(ctx, [&](const PceList& list) {
        return std::any_of(list.begin(), list.end(), [&](const Pce& e) {
            const Partition& p = e.partition;
            return !PCE_IsFree(e) && par::l0Number(p) == member && par::l1Type(p) &&
                   par::l1Number(p) == volume;
        });
    });
}

// Whether the drive's bus may be shared with the cluster partner (the drive
// is read only when the mask says private).
bool sharedBus(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE& d) {
    if (SCD_BUS_SHARED(ctx, &d.scsi))
        return true;
    FSA_DISK_SET_INFO info{};
    std::uint32_t shared = 0;
    const FSA_STATUS s =
        FsaGetDriveInfo(UtilHandleFromValue(ctx->handle),
                        static_cast<std::uint32_t>(SCSI_DriveId(ctx, &d)), &info, &shared);
    return !CT_DriveAnswerSaysPrivate(s, shared);
}

FSA_STATUS createPrimary(FSAAPI_CONTEXT* ctx, void* handle, tag_FSA_CONTAINER* out,
                         std::uint32_t type, const char* name, std::uint32_t count,
                         const FSA_STORAGE_DEVICE_SPACE* spaces, std::uint32_t chunkBytes,
                         const tag_FSA_CONTAINER_PARAMS* params) {
    SCSI_RequireDriveIds(
        ctx, count, [&](std::uint32_t i) -> const FSA_STORAGE_DEVICE& { return spaces[i].device; });
    FsaOk(CT_CheckDisksInSameDiskSet(ctx, count, spaces));
    const bool shared = sharedBus(ctx, spaces[0].device);
    if (count > ctx->info.maxContainerMembers) {
        UtilPrintDebugFormatted("FsaCreatePrimaryContainer: Too many partition requested\n");
        return FSA_STS_TOO_MANY_MEMBERS;
    }
    std::uint32_t unused = 0, tableCapacity = 0;
    CT_GetContainerCount(ctx, &unused, &tableCapacity);
    if (CT_GetPartitionTableSize(ctx) + count > tableCapacity)
        return FSA_STS_TOO_MANY_PARTITION_ENTRIES;
    const std::uint32_t n = CT_GetNextFreeContainer(ctx, 0, shared ? 0 : 1);
    PCK_ValidateFreeSpace(ctx, spaces, count, 0);
    const Kind kind = kindOf(type);
    if (!kind.kind)
        return FSA_STS_BAD_CONTAINER_TYPE;
    if (kind.raid5 && count < 3)
        return FSA_STS_RAID5_TOO_FEW;
    CT_CreateNewContainer(ctx, n, kind.kind, membersOf(ctx, spaces, count), chunkBytes);
    CT_ReConfig(ctx, 1);
    if (name)
        FsaOk(CT_SetNameText(ctx, n, name));
    CT_ClearFileSystem(ctx, n, 0);
    const bool w2k = ctx->info.osType == kOsW2K;
    if (!(w2k && kind.after != After::Nothing && kind.quick) && n < ctx->info.firstHiddenContainer)
        FsaOk(FsaExposeCtrToOs(ctx, n, 0));
    CT_GetStandardID(ctx, out, n);
    FSA_STATUS paramStatus = FSA_STS_SUCCESS;
    if (params && (params->readCache || params->writeCache))
        paramStatus = FsaContainerSetCacheParams(handle, out, params);
    FSA_STATUS afterStatus = FSA_STS_SUCCESS;
    if (kind.after == After::Scrub) {
        afterStatus = FsaContainer(handle, out, FSA_CO_SCRUB, nullptr);
    } else if (kind.after == After::Clear) {
        if (w2k) {
            CT_Zero(ctx, n);
        } else {
            afterStatus = FsaContainer(handle, out, FSA_CO_CLEAR_ANY2, nullptr);
        }
    }
    return paramStatus != FSA_STS_SUCCESS ? paramStatus : afterStatus;
}

} // namespace

extern "C" {

FSA_STATUS FsaCreatePrimaryContainer(void* handle, tag_FSA_CONTAINER* newContainer,
                                     std::uint32_t type, const char* name, unsigned int count,
                                     const FSA_STORAGE_DEVICE_SPACE* spaces,
                                     unsigned int chunkBytes,
                                     const tag_FSA_CONTAINER_PARAMS* params) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!newContainer || !count || !spaces)
            return FSA_STS_BAD_ARGUMENTS;
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkCreatePrimaryContainer();
        if (void* partner = partnerOfDrive(ctx, &spaces[0].device)) {
            const auto copy = FsaCopyForPartner(handle, spaces, count, deviceOfSpace);
            return FsaCreatePrimaryContainer(partner, newContainer, type, name, count, copy.data(),
                                             chunkBytes, params);
        }
        return createPrimary(ctx, handle, newContainer, type, name, count, spaces, chunkBytes,
                             params);
    });
}

FSA_STATUS FsaGrowPrimaryVolumeSet(void* handle, const tag_FSA_CONTAINER* volume,
                                   const FSA_STORAGE_DEVICE_SPACE* space, unsigned int reserved) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!volume || !space)
            return FSA_STS_BAD_ARGUMENTS;
        if (void* partner = partnerOfDrive(ctx, &space->device)) {
            const auto copy = FsaCopyForPartner(handle, space, 1, deviceOfSpace);
            return FsaGrowPrimaryVolumeSet(partner, volume, copy.data(), reserved);
        }
        const std::uint32_t n = volume->containerNumber;
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x400008DC));
        PCK_ValidateFreeSpace(ctx, space, 1, 1);
        if (space->size < kMinExtension)
            return FSA_STS_EXTENSION_TOO_SMALL;
        CT_VolumeAdd(ctx, n, static_cast<std::uint32_t>(sliceOf(ctx, space->device)),
                     static_cast<std::uint32_t>(space->size / 512));
        UtilPrintDebugFormatted("faos_ExposeExtendedContainer\n");
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaGrowSecondaryVolumeSet(void* handle, const tag_FSA_CONTAINER* volume,
                                     const tag_FSA_CONTAINER* added, unsigned int reserved) {
    return FsaOpsCall(handle, kWriteGuards, volume, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!volume || !added)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaGrowSecondaryVolumeSet(partner, volume, added, reserved);
        PCK_ThrowIfContainerIs(ctx, added->containerNumber, CT_STATES(0, 0x4000405C));
        PCK_ThrowIfContainerIs(ctx, volume->containerNumber, CT_STATES(0, 0x400008D2));
        // The hidden number lives on the added container's disks: on a
        // shared bus it must be free on the partner's disks too.
        const int localOnly = CT_SearchesEveryDisk(ctx, *added) ? 0 : 1;
        if (CT_GetNextFreeContainer(ctx, 1, localOnly) < ctx->info.firstHiddenContainer)
            return FSA_STS_NO_HIDDEN_NUMBER;
        HiddenMembers hidden(ctx);
        try {
            const std::uint32_t hiddenAs = hidden.hide(added->containerNumber, localOnly);
            try {
                CT_VolumeAdd2(ctx, volume->containerNumber, hiddenAs);
            } catch (FSA_STATUS) {
                // An answer the library cannot read may come after the
                // controller added the container: found in the set, it
                // stays; moving it back would show the host a set member.
                if (!standsIn(ctx, volume->containerNumber, hiddenAs))
                    throw;
            }
        } catch (...) {
            hidden.restore();
            throw;
        }
        if (ctx->connectionType == FSA_CONNECTION_LOCAL)
            UtilPrintDebugFormatted("faos_ExposeExtendedContainer\n");
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaCreateMirrorFromVolume(void* handle, tag_FSA_CONTAINER* container, unsigned int count,
                                     const FSA_STORAGE_DEVICE* devices) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!container || (count && !devices))
            return FSA_STS_BAD_ARGUMENTS;
        if (void* partner = count ? partnerOfDrive(ctx, &devices[0]) : nullptr) {
            const auto copy = FsaCopyForPartner(handle, devices, count, deviceOfDevice);
            return FsaCreateMirrorFromVolume(partner, container, count, copy.data());
        }
        const std::uint32_t n = container->containerNumber;
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x40000000));
        if (!CT_CheckConflicts(ctx, n))
            return FSA_STS_CONTAINER_NOT_FOUND;
        if (count > kMaxMirrorDevices)
            return FSA_STS_TOO_MANY_DEVICES;
        SCSI_RequireDriveIds(ctx, count,
                             [&](unsigned i) -> const FSA_STORAGE_DEVICE& { return devices[i]; });
        const std::uint32_t limit = CT_GetMaxNumberOfCtrPartitions(ctx);
        std::vector<std::uint32_t> slices;
        for (unsigned i = 0; i < count; ++i) {
            std::uint32_t same = 0;
            for (unsigned j = 0; j < count; ++j)
                same += devices[j].scsi.bus == devices[i].scsi.bus &&
                        devices[j].scsi.adapterSerial == devices[i].scsi.adapterSerial &&
                        devices[j].scsi.target == devices[i].scsi.target &&
                        devices[j].scsi.lun == devices[i].scsi.lun;
            if (same + CT_GetNumberOfPartitionsAlreadyOnDevice(ctx, &devices[i].scsi) > limit)
                return FSA_STS_DRIVE_FULL;
            slices.push_back(static_cast<std::uint32_t>(sliceOf(ctx, devices[i])));
        }
        cttype record{};
        std::uint32_t type = 0;
        CT_GetContainer(ctx, n, &record, &type);
        if (PCK_ContainerIs(ctx, n, CT_STATES(0, 0x2), FSA_RETURN_ON_FAILURE)) {
            if (record.memberCount > 1)
                return FSA_STS_TOO_MANY_MEMBERS;
            if (count != 1)
                return FSA_STS_TOO_MANY_DEVICES;
            CT_GenerateMirror(ctx, n, slices[0]);
        } else {
            if (count > record.memberCount)
                return FSA_STS_TOO_MANY_DEVICES;
            if (count < record.memberCount)
                return FSA_STS_TOO_FEW_DEVICES;
            std::uint8_t command[136] = {};
            const std::uint16_t partitions = static_cast<std::uint16_t>(count);
            std::memcpy(command, &n, 2);
            std::memcpy(command + 2, &partitions, 2);
            for (unsigned i = 0; i < count && 4 + 4 * i + 4 <= sizeof command; ++i)
                std::memcpy(command + 4 + 4 * i, &slices[i], 4);
            CT_GenerateMirror2(ctx, command);
        }
        faos_Sleep(1000);
        CT_GetStandardID(ctx, container, n);
        return FSA_STS_SUCCESS;
    });
}
}
