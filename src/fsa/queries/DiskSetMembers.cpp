#include "DiskSetMembers.h"

#include "CtWrappers.h"
#include "DiskSetChannel.h"
#include "DiskSetEnum.h"
#include "DiskSetRecords.h"
#include "MaintStatus.h"
#include "ParamChecks.h"
#include "ScsiCommands.h"

#include <cstring>
#include <vector>

namespace {

constexpr std::uint32_t kMaxMembers = 64;
constexpr std::uint32_t kMaxSets = 31; // existing sets beside a new one
constexpr std::uint32_t kLegacySlice = 3;
constexpr FSA_STATUS kNotOnSharedChannel = maint::sts(510);
constexpr FSA_STATUS kLegacyNeedsInit = maint::sts(542);

struct Candidate {
    std::uint32_t id;
    std::uint32_t shared;
};

// A drive that may join a disk set: in none yet, with a controller slice
// that is not a legacy one.
FSA_STATUS checkFreeDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE& device, Candidate* out) {
    const int id = SCSI_GetInternalID(ctx, &device);
    if (id < 0)
        return maint::kDeviceNotFound;
    FSA_DISK_SET_INFO info;
    std::uint32_t shared = 0;
    if (DS_GetDriveInfo(ctx, static_cast<std::uint32_t>(id), &info, &shared) !=
        maint::kDsNotOwnerOfDisk)
        return maint::kDsDiskInSet;
    const int slice = CT_GetSliceFromDriveHandle(ctx, id, 0, nullptr);
    if (slice < 0)
        return maint::kDeviceNotFound;
    std::uint32_t a, b, c, d, e, type = 0;
    CT_GetSliceInfo(ctx, static_cast<std::uint32_t>(slice), &a, &b, &c, &d, &e, &type);
    if (type == kLegacySlice)
        return kLegacyNeedsInit;
    *out = {static_cast<std::uint32_t>(id), shared};
    return FSA_STS_SUCCESS;
}

DS_RECORD memberRecord(const FSA_DISK_SET* set, std::uint64_t owner, std::uint32_t driveId) {
    DS_RECORD r = DS_ModifyRecord(set, owner);
    r.driveId = driveId;
    r.one = 1;
    return r;
}

FSA_STATUS sendMember(FSAAPI_CONTEXT* ctx, std::uint32_t command, const DS_RECORD& r) {
    return DS_SendReceiveFIB(ctx, command, &r, DS_MEMBER_BYTES, nullptr, 0);
}

std::uint32_t stateOf(const DS_RECORD& r) {
    return (r.flags & DS_FLAG_HELD) ? 1 : (r.flags & DS_FLAG_NO_SET) ? 2 : 3;
}

// A set held by another node, or owned by nobody, is not this node's to change.
FSA_STATUS checkOwnedHere(FSAAPI_CONTEXT* ctx, const DS_RECORD& r) {
    if (r.owner == 0 || ((r.flags & DS_FLAG_HELD) && r.owner != DS_OwnerId(ctx)))
        return maint::kDsNotOwner;
    return FSA_STS_SUCCESS;
}

} // namespace

FSA_STATUS DS_DiskSetCreate(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_CREATE_ARGS* args) {
    if (args->memberCount == 0)
        return FSA_STS_BAD_ARGUMENTS;
    if (args->memberCount > kMaxMembers)
        return maint::kTooManyMembers;
    if (args->initDrives)
        return FSA_STS_NOT_IMPLEMENTED; // drive initialisation is not built here
    std::vector<Candidate> members(args->memberCount);
    for (std::uint32_t i = 0; i < args->memberCount; ++i) {
        if (const FSA_STATUS s = checkFreeDrive(ctx, args->members[i], &members[i]);
            s != FSA_STS_SUCCESS)
            return s;
        if (members[i].shared == 0)
            return kNotOnSharedChannel;
        if (members[i].shared != members[0].shared)
            return maint::kDsMixedChannels;
    }
    int existing = 0;
    if (const FSA_STATUS s = DS_GetAllDiskSets(ctx, nullptr, 0, &existing); s != FSA_STS_SUCCESS)
        return s;
    if (static_cast<std::uint32_t>(existing) > kMaxSets)
        return maint::kDsTooManySets;
    char label[33] = {};
    std::memcpy(label, args->label, 32);
    if (const FSA_STATUS s = DS_CheckDiskSetName(ctx, label); s != FSA_STS_SUCCESS)
        return s;
    if (args->onPartner)
        return ctx->partnerHandle == 0 ? FSA_STS_NO_ADAPTER : FSA_STS_NOT_IMPLEMENTED;

    const std::uint64_t self = DS_OwnerId(ctx);
    FSA_DISK_SET key{};
    key.number = GenerateDiskSetNumber();
    key.creator = self;
    DS_RECORD r = memberRecord(&key, self, 0);
    r.stamp = GenerateDiskSetNumber(); // creation takes two numbers, a second apart
    std::memcpy(r.label, args->label, sizeof r.label);
    r.generation = 1;
    r.attributes = args->sparePool ? std::uint32_t{DS_ATTR_SPARE_POOL} : 0u;
    FSA_STATUS status = FSA_STS_FAILURE;
    std::uint32_t i = 0;
    for (; i < members.size() && status != FSA_STS_SUCCESS; ++i) {
        r.driveId = members[i].id;
        status = sendMember(ctx, CL_CREATE, r);
    }
    args->resultFlags = 0;
    set->number = status == FSA_STS_SUCCESS ? key.number : 0;
    set->creator = status == FSA_STS_SUCCESS ? key.creator : 0;
    if (status != FSA_STS_SUCCESS)
        return status;
    for (; i < members.size(); ++i)
        if (sendMember(ctx, CL_ADD_MEMBER, memberRecord(&key, self, members[i].id)) !=
            FSA_STS_SUCCESS)
            args->resultFlags |= 1;
    CT_ReConfig(ctx, 1);
    return FSA_STS_SUCCESS;
}

FSA_STATUS DS_AddMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_ADD_ARGS* args) {
    DS_RECORD info;
    if (DS_ReadDiskSet(ctx, set, &info) != FSA_STS_SUCCESS)
        return maint::kDsNoSets;
    if (stateOf(info) == 3)
        return maint::kDsMixedChannels;
    if (const FSA_STATUS s = checkOwnedHere(ctx, info); s != FSA_STS_SUCCESS)
        return s;
    if (args->initDrives)
        return FSA_STS_NOT_IMPLEMENTED;
    if (args->memberCount > kMaxMembers || info.memberCount + args->memberCount > kMaxMembers)
        return maint::kTooManyMembers;
    std::vector<Candidate> drives(args->memberCount);
    for (std::uint32_t i = 0; i < args->memberCount; ++i) {
        if (const FSA_STATUS s = checkFreeDrive(ctx, args->members[i], &drives[i]);
            s != FSA_STS_SUCCESS)
            return s;
        // Shared drives go to held sets, private ones to sets no node holds.
        if ((drives[i].shared != 0) != (stateOf(info) == 1))
            return maint::kDsMixedChannels;
    }
    args->resultFlags = 0;
    for (const Candidate& d : drives)
        if (sendMember(ctx, CL_ADD_MEMBER, memberRecord(set, info.owner, d.id)) != FSA_STS_SUCCESS)
            args->resultFlags |= 2;
    CT_ReConfig(ctx, 1);
    return FSA_STS_SUCCESS;
}

FSA_STATUS DS_RemoveMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_REMOVE_ARGS* args) {
    DS_RECORD info;
    if (DS_ReadDiskSet(ctx, set, &info) != FSA_STS_SUCCESS)
        return maint::kDsNoSets;
    if ((info.attributes & DS_ATTR_HOST_MANAGED) && !args->unconditional && stateOf(info) == 1)
        return maint::kDsHostManaged;
    if (const FSA_STATUS s = checkOwnedHere(ctx, info); s != FSA_STS_SUCCESS)
        return s;
    if (args->initDrives)
        return FSA_STS_NOT_IMPLEMENTED;
    if (args->memberCount > kMaxMembers || info.memberCount < args->memberCount)
        return maint::kTooManyMembers;
    if (info.memberCount == args->memberCount)
        return maint::kDsLastMember; // a set keeps at least one drive
    args->resultFlags = 0;
    for (std::uint32_t i = 0; i < args->memberCount; ++i) {
        const int id = SCSI_GetInternalID(ctx, &args->members[i]);
        FSA_DISK_SET_INFO drive;
        if (id < 0 ||
            DS_GetDriveInfo(ctx, static_cast<std::uint32_t>(id), &drive, nullptr) !=
                FSA_STS_SUCCESS ||
            drive.words[0] != static_cast<std::uint32_t>(set->number) ||
            drive.words[1] != static_cast<std::uint32_t>(set->number >> 32)) {
            args->resultFlags |= 4; // in no disk set, or in another one
            continue;
        }
        if (PCK_ScsiDeviceIs(ctx, id, 1, FSA_RETURN_ON_FAILURE) && !args->unconditional)
            return maint::kTaskRunning;
        PCK_CheckAndRemoveActiveCtrs(ctx, id, 1, args->unconditional);
        if (sendMember(ctx, CL_REMOVE_MEMBER,
                       memberRecord(set, info.owner, static_cast<std::uint32_t>(id))) !=
            FSA_STS_SUCCESS)
            args->resultFlags |= 4;
    }
    CT_ReConfig(ctx, 1);
    return FSA_STS_SUCCESS;
}

FSA_STATUS DS_DiskSetDelete(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_DELETE_ARGS* args) {
    DS_RECORD info;
    if (DS_ReadDiskSet(ctx, set, &info) != FSA_STS_SUCCESS)
        return maint::kDsNoSets;
    if ((info.attributes & DS_ATTR_HOST_MANAGED) && stateOf(info) == 1 && !args->unconditional)
        return maint::kDsHostManaged;
    const std::uint64_t self = DS_OwnerId(ctx);
    if (info.owner == 0) {
        DS_RECORD take = DS_ModifyRecord(set, self);
        take.generation = info.generation + 1;
        if (DS_SendReceiveFIB(ctx, CL_TAKE, &take, DS_MODIFY_BYTES, nullptr, 0) != FSA_STS_SUCCESS)
            return maint::kDsNotOwner;
        if (DS_ReadDiskSet(ctx, set, &info) != FSA_STS_SUCCESS)
            return maint::kDsNoSets;
    }
    if ((info.flags & DS_FLAG_HELD) && info.owner != self)
        return maint::kDsNotOwner;
    if (args->initDrives)
        return FSA_STS_NOT_IMPLEMENTED;
    // Containers of an attached set go with it only through the container
    // layer, which this build does not reach from here: refuse instead.
    if ((info.flags & DS_FLAG_ATTACHED) && info.owner == self)
        return maint::kDsStillAttached;
    const DS_RECORD r = DS_ModifyRecord(set, info.owner);
    const FSA_STATUS s = DS_SendReceiveFIB(ctx, CL_DELETE, &r, DS_MODIFY_BYTES, nullptr, 0);
    if (s == FSA_STS_SUCCESS)
        CT_ReConfig(ctx, 1);
    return s;
}
