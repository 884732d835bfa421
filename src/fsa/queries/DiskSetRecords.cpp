#include "DiskSetRecords.h"

#include "FsaApi.h"

#include "DiskSetChannel.h"
#include "Frame.h"
#include "FsaStatus.h"
#include "HandleTable.h"
#include "OsPort.h"

#include <cstring>

namespace {

void putKey(FSA_DISK_SET_INFO* info, std::uint64_t number, std::uint64_t creator) {
    info->words[0] = static_cast<std::uint32_t>(number);
    info->words[1] = static_cast<std::uint32_t>(number >> 32);
    info->words[2] = static_cast<std::uint32_t>(creator);
    info->words[3] = static_cast<std::uint32_t>(creator >> 32);
}

// The fields both information forms share.
void fillCommon(FSA_DISK_SET_INFO* info, const DS_RECORD& r) {
    putKey(info, r.number, r.creator);
    std::memcpy(&info->words[FSA_DSI_LABEL], r.label, sizeof r.label);
    info->words[FSA_DSI_OWNER] = static_cast<std::uint32_t>(r.owner);
    info->words[FSA_DSI_OWNER + 1] = static_cast<std::uint32_t>(r.owner >> 32);
    info->words[FSA_DSI_MEMBERS] = r.memberCount;
    info->words[FSA_DSI_SPARE_POOL] = r.attributes & DS_ATTR_SPARE_POOL;
    info->words[FSA_DSI_HOST_MANAGED] = (r.attributes & DS_ATTR_HOST_MANAGED) ? 1 : 0;
    info->words[FSA_DSI_STATE] = DS_StateOf(r);
}

std::uint64_t ownerIdOf(const FSAAPI_CONTEXT* ctx) {
    return static_cast<std::uint64_t>(ctx->info.ownerIdHigh) << 32 | ctx->info.ownerIdLow;
}

} // namespace

void DS_EncodeDiskSetNumber(const FAOS_TIME_INFO& t, _OEM_FLAVOR flavour, std::uint8_t out[8]) {
    if (flavour == FSA_OEM_GENERIC) {
        out[0] = 192;
        out[1] = 170;
    } else if (flavour == FSA_OEM_VARN) {
        out[0] = 10;
        out[1] = 175;
    } else {
        out[0] = 1;
        out[1] = 240;
    }
    out[2] = 0;
    out[3] = static_cast<std::uint8_t>(t.year - 1900);
    const std::uint32_t packed = static_cast<std::uint32_t>(t.month) | t.day << 4 | t.hour << 10 |
                                 t.minute << 16 | static_cast<std::uint32_t>(t.second) << 22;
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<std::uint8_t>(packed >> 8 * i);
}

std::uint64_t GenerateDiskSetNumber() {
    FAOS_TIME_INFO t;
    faos_GetTime(0, &t);
    std::uint8_t bytes[8];
    DS_EncodeDiskSetNumber(t, faos_GetOEMWithNoContext(), bytes);
    std::uint64_t number;
    std::memcpy(&number, bytes, sizeof number);
    fsa::sleepMs(1000);
    return number;
}

void ConvertDiskSetCreationTimeStampToFsaTime(std::uint64_t stamp, std::uint16_t out[8]) {
    unsigned year = (stamp >> 24 & 0xFF) + 1900;
    if (year < 1997)
        year += 100;
    const auto high = static_cast<std::uint32_t>(stamp >> 32);
    out[0] = static_cast<std::uint16_t>(year);
    out[1] = static_cast<std::uint16_t>(high & 0xF);
    out[2] = static_cast<std::uint16_t>(high >> 4 & 0x3F);
    out[3] = static_cast<std::uint16_t>(high >> 10 & 0x3F);
    out[4] = static_cast<std::uint16_t>(high >> 16 & 0x3F);
    out[5] = static_cast<std::uint16_t>(high >> 22 & 0x3F);
    out[6] = 0;
    out[7] = 0;
}

std::uint64_t DS_OwnerId(const FSAAPI_CONTEXT* ctx) {
    return ownerIdOf(ctx);
}

std::uint64_t DS_PartnerOwnerId(const FSAAPI_CONTEXT* ctx) {
    if (ctx->partnerHandle == 0)
        return 0;
    const FsaContextHold partner =
        UtilGetContextFromHandle(UtilHandleFromValue(ctx->partnerHandle));
    return partner ? ownerIdOf(partner) : 0;
}

DS_RECORD DS_ModifyRecord(const FSA_DISK_SET* set, std::uint64_t owner) {
    DS_RECORD r{};
    r.number = set->number;
    r.creator = set->creator;
    r.owner = owner;
    return r;
}

FSA_STATUS DS_ReadDiskSet(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, DS_RECORD* out) {
    DS_RECORD request{};
    request.number = set->number;
    request.creator = set->creator;
    *out = DS_RECORD{};
    const FSA_STATUS s =
        DS_SendReceiveFIB(ctx, CL_SET_INFO, &request, sizeof request, out, sizeof *out);
    // The record names the set it describes: a zeroed or stale one would
    // read as a set that nobody owns.
    if (s == FSA_STS_SUCCESS && (out->number != set->number || out->creator != set->creator)) {
        *out = DS_RECORD{};
        return FSA_STS_FAILURE;
    }
    return s;
}

FSA_STATUS DS_ReadSetForOperation(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, DS_RECORD* out) {
    const FSA_STATUS s = DS_ReadDiskSet(ctx, set, out);
    return s == FSA_STS_SUCCESS || s == FSA_STS_FAILURE ? s : FSA_STS_DS_NO_SETS;
}

FSA_STATUS DS_GetDiskSetInfo(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set,
                             FSA_DISK_SET_INFO* info) {
    if (ctx->connectionType != FSA_CONNECTION_LOCAL)
        return FSA_STS_NOT_IMPLEMENTED;
    if (!set)
        return FSA_STS_BAD_ARGUMENTS;
    std::memset(info, 0, sizeof *info);
    DS_RECORD r;
    const FSA_STATUS s = DS_ReadDiskSet(ctx, set, &r);
    if (s != FSA_STS_SUCCESS || !(r.flags & DS_FLAG_HELD))
        return s;
    fillCommon(info, r);
    ConvertDiskSetCreationTimeStampToFsaTime(
        r.stamp, reinterpret_cast<std::uint16_t*>(&info->words[FSA_DSI_CREATED]));
    const std::uint64_t self = ownerIdOf(ctx);
    const std::uint64_t partner = DS_PartnerOwnerId(ctx);
    if (r.owner == self)
        info->words[FSA_DSI_RELATION] = (r.flags & DS_FLAG_ATTACHED) ? 2 : 1;
    else if (partner != 0 && r.owner == partner)
        info->words[FSA_DSI_RELATION] = 0; // the partner's view needs the remote transport
    else
        info->words[FSA_DSI_RELATION] = 1;
    return s;
}

FSA_STATUS DS_GetDriveInfo(FSAAPI_CONTEXT* ctx, std::uint32_t driveId, FSA_DISK_SET_INFO* info,
                           std::uint32_t* sharedChannel, DS_RECORD* answer) {
    std::memset(info, 0, sizeof *info);
    if (answer)
        *answer = DS_RECORD{};
    DS_RECORD r{};
    r.driveId = driveId;
    r.byDevT = 1;
    FSA_STATUS s = DS_SendReceiveFIB(ctx, CL_DRIVE_INFO, &r, DS_DRIVE_BYTES, &r, DS_DRIVE_BYTES);
    // An answer names the drive and either says "in no set" or names the
    // set: a zeroed or stale one says neither for this drive.
    if (s == FSA_STS_SUCCESS &&
        (r.driveId != driveId || !((r.flags & DS_FLAG_NO_SET) || r.number || r.creator)))
        s = FSA_STS_FAILURE;
    if (sharedChannel)
        *sharedChannel = s == FSA_STS_SUCCESS ? r.sharedChannel : 0;
    if (s != FSA_STS_SUCCESS || (r.flags & DS_FLAG_NO_SET)) {
        info->words[FSA_DSI_RELATION] = 1;
        return s != FSA_STS_SUCCESS ? s : FSA_STS_DS_NOT_OWNER_OF_DISK;
    }
    fillCommon(info, r);
    info->words[FSA_DSI_RELATION] =
        (r.flags & DS_FLAG_ATTACHED) && r.owner == ownerIdOf(ctx) ? 2 : 1;
    if (answer)
        *answer = r;
    return FSA_STS_SUCCESS;
}

bool DS_DriveAnswerAgrees(const DS_RECORD& drive, const DS_RECORD& set) {
    return drive.number == set.number && drive.creator == set.creator &&
           std::memcmp(drive.label, set.label, sizeof drive.label) == 0 &&
           drive.generation == set.generation && drive.flags == set.flags &&
           drive.owner == set.owner && drive.stamp == set.stamp &&
           drive.attributes == set.attributes && drive.memberCount == set.memberCount;
}

extern "C" {

std::uint64_t FsaGetOwnerId(void* handle) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    return ctx ? ownerIdOf(ctx) : 0;
}

std::uint64_t FsaGetOwnerIdEx(void* handle, unsigned int index) {
    void* entry = nullptr;
    if (!handle || FsaGetHandleFromIndex(handle, index, &entry) != FSA_STS_SUCCESS)
        return 0;
    return FsaGetOwnerId(entry);
}

FSA_STATUS FsaGetDiskSetInfo(void* handle, FSA_DISK_SET* set, FSA_DISK_SET_INFO* info) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        return info ? DS_GetDiskSetInfo(ctx, set, info) : FSA_STS_BAD_ARGUMENTS;
    });
}

FSA_STATUS FsaGetDriveInfo(void* handle, std::uint32_t driveId, FSA_DISK_SET_INFO* info,
                           std::uint32_t* sharedChannel) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        return info ? DS_GetDriveInfo(ctx, driveId, info, sharedChannel) : FSA_STS_BAD_ARGUMENTS;
    });
}
}
