#include "DiskSetMembers.h"

#include "ContainerOperations.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "DiskSetChannel.h"
#include "DiskSetEnum.h"
#include "DiskSetPartner.h"
#include "DiskSetTasks.h"
#include "FsaStatus.h"
#include "HandleTable.h"
#include "ParamChecks.h"
#include "ScsiCommands.h"

#include <cstring>
#include <vector>

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force);

namespace {

constexpr std::uint32_t kMaxMembers = 64;
constexpr std::uint32_t kMaxSets = 31; // existing sets beside a new one
constexpr std::uint32_t kLegacySlice = 3;
constexpr std::uint32_t kRescanSets = 4;

enum ResultFlag : std::uint32_t {
    kCreateFailed = 1, // a member addition or the drive initialisation
    kAddFailed = 2,
    kRemoveFailed = 4,
};

struct Candidate {
    std::uint32_t id;
    std::uint32_t shared;
};

// A drive that may join a disk set: in none yet, with a controller slice
// that is not a legacy one unless the drives are to be initialised.
FSA_STATUS checkFreeDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE& device, bool initDrives,
                          Candidate* out) {
    const int id = SCSI_GetInternalID(ctx, &device);
    if (id < 0)
        return FSA_STS_DEVICE_NOT_FOUND;
    FSA_DISK_SET_INFO info;
    std::uint32_t shared = 0;
    if (DS_GetDriveInfo(ctx, static_cast<std::uint32_t>(id), &info, &shared) !=
        FSA_STS_DS_NOT_OWNER_OF_DISK)
        return FSA_STS_DS_DISK_IN_SET;
    const int slice = CT_GetSliceFromDriveHandle(ctx, id, 0, nullptr);
    if (slice < 0)
        return FSA_STS_DEVICE_NOT_FOUND;
    std::uint32_t a, b, c, d, e, type = 0;
    CT_GetSliceInfo(ctx, static_cast<std::uint32_t>(slice), &a, &b, &c, &d, &e, &type);
    if (type == kLegacySlice && !initDrives)
        return FSA_STS_LEGACY_NEEDS_INIT;
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

FSA_STATUS sendKey(FSAAPI_CONTEXT* ctx, std::uint32_t command, const FSA_DISK_SET* set,
                   std::uint64_t owner) {
    const DS_RECORD r = DS_ModifyRecord(set, owner);
    return DS_SendReceiveFIB(ctx, command, &r, DS_MODIFY_BYTES, nullptr, 0);
}

// Whether the drive belongs to the set.
bool memberOf(FSAAPI_CONTEXT* ctx, int id, const FSA_DISK_SET* set) {
    FSA_DISK_SET_INFO drive;
    return id >= 0 &&
           DS_GetDriveInfo(ctx, static_cast<std::uint32_t>(id), &drive, nullptr) ==
               FSA_STS_SUCCESS &&
           drive.words[0] == static_cast<std::uint32_t>(set->number) &&
           drive.words[1] == static_cast<std::uint32_t>(set->number >> 32) &&
           drive.words[2] == static_cast<std::uint32_t>(set->creator) &&
           drive.words[3] == static_cast<std::uint32_t>(set->creator >> 32);
}

// The end of a change to the set's drives: the temporary attachment undone,
// the containers re-read, the partner told.
FSA_STATUS finishChange(FSAAPI_CONTEXT* ctx, DS_TemporaryAttach& attach, FSA_STATUS status) {
    const FSA_STATUS detached = attach.finish();
    CT_ReConfig(ctx, 1);
    DS_RescanPartner(ctx, kRescanSets);
    return status == FSA_STS_SUCCESS ? detached : status;
}

} // namespace

FSA_STATUS DS_Attach(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner) {
    return sendKey(ctx, CL_ATTACH, set, owner);
}

FSA_STATUS DS_Detach(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner) {
    return sendKey(ctx, CL_DETACH, set, owner);
}

DS_TemporaryAttach::~DS_TemporaryAttach() {
    if (!m_attached)
        return;
    try {
        finish();
    } catch (FSA_STATUS) {
    }
}

FSA_STATUS DS_TemporaryAttach::attach() {
    const FSA_STATUS s = DS_Attach(m_ctx, m_set, m_owner);
    m_attached = s == FSA_STS_SUCCESS;
    return s;
}

FSA_STATUS DS_TemporaryAttach::finish() {
    if (!m_attached)
        return FSA_STS_SUCCESS;
    m_attached = false;
    return DS_Detach(m_ctx, m_set, m_owner);
}

FSA_STATUS DS_InitDrive(FSAAPI_CONTEXT* ctx, std::uint32_t driveId) {
    try {
        const int slice = CT_GetSliceFromDriveHandle(ctx, static_cast<int>(driveId), 0, nullptr);
        if (slice < 0)
            return FSA_STS_FAILURE;
        switch (CT_MbrExists(ctx, slice)) {
        case 1: // initialised before: its MBR is left as it is
            return FSA_STS_DEVICE_NOT_FOUND;
        case 2:
            return FSA_STS_FAILURE; // unreadable: it may hold partitions
        }
        CT_WriteMBR(ctx, static_cast<std::uint32_t>(slice), ctx->partitionLimit);
        CT_InvalidateCache(ctx);
        // The controller's answer to the write is its MBR on the disk.
        return CT_MbrExists(ctx, slice) == 1 ? FSA_STS_SUCCESS : FSA_STS_FAILURE;
    } catch (FSA_STATUS thrown) {
        return thrown;
    }
}

FSA_STATUS DS_InitDrives(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set) {
    std::uint32_t ids[kMaxMembers];
    std::uint32_t count = 0;
    if (const FSA_STATUS s = DS_GetMembers(ctx, set, ids, &count); s != FSA_STS_SUCCESS)
        return s;
    // Every drive is tried; a drive left without the MBR outranks one that
    // had it already.
    FSA_STATUS result = FSA_STS_SUCCESS;
    for (std::uint32_t i = 0; i < count; ++i)
        if (const FSA_STATUS s = DS_InitDrive(ctx, ids[i]);
            s != FSA_STS_SUCCESS &&
            (result == FSA_STS_SUCCESS || result == FSA_STS_DEVICE_NOT_FOUND))
            result = s;
    return result;
}

FSA_STATUS DS_DiskSetCreate(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* all) {
    FSA_DISKSET_CREATE_ARGS* args = &all->create;
    if (args->memberCount == 0)
        return FSA_STS_BAD_ARGUMENTS;
    if (args->memberCount > kMaxMembers)
        return FSA_STS_TOO_MANY_MEMBERS;
    std::vector<Candidate> members(args->memberCount);
    for (std::uint32_t i = 0; i < args->memberCount; ++i) {
        if (const FSA_STATUS s =
                checkFreeDrive(ctx, args->members[i], args->initDrives != 0, &members[i]);
            s != FSA_STS_SUCCESS)
            return s;
        if (members[i].shared == 0)
            return FSA_STS_NOT_ON_SHARED_CHANNEL;
        if (members[i].shared != members[0].shared)
            return FSA_STS_DS_MIXED_CHANNELS;
    }
    int existing = 0;
    if (const FSA_STATUS s = DS_GetAllDiskSets(ctx, nullptr, 0, &existing); s != FSA_STS_SUCCESS)
        return s;
    if (static_cast<std::uint32_t>(existing) > kMaxSets)
        return FSA_STS_DS_TOO_MANY_SETS;
    char label[33] = {};
    std::memcpy(label, args->label, 32);
    if (const FSA_STATUS s = DS_CheckDiskSetName(ctx, label); s != FSA_STS_SUCCESS)
        return s;
    if (args->onPartner)
        return ctx->partnerHandle == 0 ? FSA_STS_NO_ADAPTER
                                       : DS_ForwardToPartner(ctx, set, FSA_DSO_CREATE, all);

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
    // The drives the controller did not make the set with are not in it.
    if (i > 1)
        args->resultFlags |= kCreateFailed;
    for (; i < members.size(); ++i)
        if (sendMember(ctx, CL_ADD_MEMBER, memberRecord(&key, self, members[i].id)) !=
            FSA_STS_SUCCESS)
            args->resultFlags |= kCreateFailed;
    DS_TemporaryAttach attach(ctx, &key, self);
    if (args->initDrives &&
        (attach.attach() != FSA_STS_SUCCESS || DS_InitDrives(ctx, &key) != FSA_STS_SUCCESS))
        args->resultFlags |= kCreateFailed;
    return finishChange(ctx, attach, FSA_STS_SUCCESS);
}

FSA_STATUS DS_AddMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* all) {
    FSA_DISKSET_ADD_ARGS* args = &all->add;
    DS_RECORD info;
    if (const FSA_STATUS s = DS_ReadSetForOperation(ctx, set, &info); s != FSA_STS_SUCCESS)
        return s;
    if (DS_StateOf(info) == FSA_DSS_MIXED)
        return FSA_STS_DS_MIXED_CHANNELS;
    if (FSA_STATUS r; DS_PartnerRule(ctx, set, FSA_DSO_ADD, all, info, true, &r))
        return r;
    if (args->memberCount > kMaxMembers || info.memberCount + args->memberCount > kMaxMembers)
        return FSA_STS_TOO_MANY_MEMBERS;
    std::vector<Candidate> drives(args->memberCount);
    for (std::uint32_t i = 0; i < args->memberCount; ++i) {
        if (const FSA_STATUS s =
                checkFreeDrive(ctx, args->members[i], args->initDrives != 0, &drives[i]);
            s != FSA_STS_SUCCESS)
            return s;
        // Shared drives go to held sets, private ones to sets no node holds.
        if ((drives[i].shared != 0) != (DS_StateOf(info) == FSA_DSS_HELD))
            return FSA_STS_DS_MIXED_CHANNELS;
    }
    const std::uint64_t self = DS_OwnerId(ctx);
    DS_TemporaryAttach attach(ctx, set, info.owner);
    if (DS_HeldHere(info, self) && !DS_AttachedHere(info, self))
        if (const FSA_STATUS s = attach.attach(); s != FSA_STS_SUCCESS)
            return s;
    args->resultFlags = 0;
    for (const Candidate& d : drives) {
        if (sendMember(ctx, CL_ADD_MEMBER, memberRecord(set, info.owner, d.id)) !=
                FSA_STS_SUCCESS ||
            (args->initDrives && DS_InitDrive(ctx, d.id) != FSA_STS_SUCCESS))
            args->resultFlags |= kAddFailed;
    }
    return finishChange(ctx, attach, FSA_STS_SUCCESS);
}

FSA_STATUS DS_RemoveMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* all) {
    FSA_DISKSET_REMOVE_ARGS* args = &all->remove;
    DS_RECORD info;
    if (const FSA_STATUS s = DS_ReadSetForOperation(ctx, set, &info); s != FSA_STS_SUCCESS)
        return s;
    if ((info.attributes & DS_ATTR_HOST_MANAGED) && !args->unconditional &&
        DS_StateOf(info) == FSA_DSS_HELD)
        return FSA_STS_DS_HOST_MANAGED;
    if (FSA_STATUS r; DS_PartnerRule(ctx, set, FSA_DSO_REMOVE, all, info, true, &r))
        return r;
    if (args->memberCount > kMaxMembers || info.memberCount < args->memberCount)
        return FSA_STS_TOO_MANY_MEMBERS;
    if (info.memberCount == args->memberCount)
        return FSA_STS_DS_LAST_MEMBER; // a set keeps at least one drive
    const std::uint64_t self = DS_OwnerId(ctx);
    DS_TemporaryAttach attach(ctx, set, info.owner);
    if (args->initDrives && DS_HeldHere(info, self) && !DS_AttachedHere(info, self))
        if (const FSA_STATUS s = attach.attach(); s != FSA_STS_SUCCESS)
            return s;
    void* handle = UtilHandleFromValue(ctx->handle);
    args->resultFlags = 0;
    FSA_STATUS status = FSA_STS_SUCCESS;
    for (std::uint32_t i = 0; i < args->memberCount && status == FSA_STS_SUCCESS; ++i) {
        const FSA_STORAGE_DEVICE& device = args->members[i];
        const int id = SCSI_GetInternalID(ctx, &device);
        if (!memberOf(ctx, id, set)) {
            args->resultFlags |= kRemoveFailed; // in no disk set, or in another one
            continue;
        }
        if (args->initDrives && attach.attached()) {
            // A drive that has the MBR already still leaves the set.
            if (DS_InitDrive(ctx, static_cast<std::uint32_t>(id)) != FSA_STS_SUCCESS)
                args->resultFlags |= kRemoveFailed;
        } else if (args->initDrives) {
            if (FsaInitStorageDeviceForFsa(handle, 1, &device, args->unconditional) !=
                FSA_STS_SUCCESS) {
                args->resultFlags |= kRemoveFailed; // not prepared: it stays in the set
                continue;
            }
        } else {
            if (PCK_ScsiDeviceIs(ctx, id, 1, FSA_RETURN_ON_FAILURE)) {
                status = args->unconditional
                             ? DS_TerminateTasksForDriveRemoval(ctx, static_cast<std::uint32_t>(id))
                             : FSA_STS_TASK_IN_PROGRESS;
                if (status != FSA_STS_SUCCESS)
                    break;
            }
            PCK_CheckAndRemoveActiveCtrs(ctx, id, 1, args->unconditional);
        }
        if (sendMember(ctx, CL_REMOVE_MEMBER,
                       memberRecord(set, info.owner, static_cast<std::uint32_t>(id))) !=
            FSA_STS_SUCCESS)
            args->resultFlags |= kRemoveFailed;
    }
    return finishChange(ctx, attach, status);
}
