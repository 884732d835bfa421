#include "DiskSetOps.h"

#include "CtChannel.h"
#include "DiskSetChannel.h"
#include "DiskSetEnum.h"
#include "DiskSetMembers.h"
#include "DiskSetPartner.h"
#include "DiskSetRecords.h"
#include "DiskSetResources.h"
#include "DiskSetTasks.h"
#include "Frame.h"
#include "FsaStatus.h"
#include "HandleTable.h"

#include <cstring>

int keepalive_synchfib = 1;

namespace {

enum RescanWhat : std::uint32_t { kRescanAll = 1, kRescanSets = 4 };

// One operation on one disk set, with the set's controller record.
struct DiskSetOp {
    FSAAPI_CONTEXT* ctx;
    FSA_DISK_SET* set;
    std::uint32_t op;
    FSA_DISK_SET_ARGS* args;
    DS_RECORD rec{};
    std::uint64_t self = DS_OwnerId(ctx);
    std::uint64_t partner = DS_PartnerOwnerId(ctx);

    bool held() const { return rec.flags & DS_FLAG_HELD; }
    std::uint32_t state() const { return held() ? 1 : (rec.flags & DS_FLAG_NO_SET) ? 2 : 3; }
    bool attachedHere() const { return rec.owner == self && (rec.flags & DS_FLAG_ATTACHED); }
    bool hostManaged() const { return rec.attributes & DS_ATTR_HOST_MANAGED; }

    FSA_STATUS read() { return DS_ReadSetForOperation(ctx, set, &rec); }
    // Commands 8, 9, 10, 16, 17, 18 and 4 on the key.
    FSA_STATUS modify(std::uint32_t command, std::uint64_t owner, bool nextGeneration,
                      const char* label = nullptr, std::uint32_t attributes = 0) {
        DS_RECORD r = DS_ModifyRecord(set, owner);
        if (nextGeneration)
            r.generation = rec.generation + 1;
        if (label)
            std::memcpy(r.label, label, sizeof r.label);
        r.attributes = attributes;
        return DS_SendReceiveFIB(ctx, command, &r, DS_MODIFY_BYTES, nullptr, 0);
    }
    // The partner's adapter holds the set: the same operation over there.
    FSA_STATUS onPartner() { return DS_ForwardToPartner(ctx, set, op, args); }
    // Sets held by another node; owner 0 refused when `ownerNeeded`.
    bool othersSet(FSA_STATUS* result, bool ownerNeeded,
                   FSA_STATUS refusal = FSA_STS_DS_NOT_OWNER) {
        if (held() && rec.owner != self) {
            *result = partner != 0 && rec.owner == partner ? onPartner() : refusal;
            return true;
        }
        if (ownerNeeded && rec.owner == 0) {
            *result = FSA_STS_DS_NOT_OWNER;
            return true;
        }
        return false;
    }
    bool unconditional() const {
        switch (op) {
        case FSA_DSO_TAKE:
        case FSA_DSO_FORCE:
        case FSA_DSO_RELEASE:
            return args->ownership.unconditional;
        case FSA_DSO_LABEL:
            return args->label.unconditional;
        case FSA_DSO_SPARE_POOL:
            return args->sparePool.unconditional;
        default:
            return false;
        }
    }
};

FSA_STATUS takeOwnership(DiskSetOp& o, bool force) {
    if (o.args->ownership.onPartner) {
        if (o.ctx->partnerHandle == 0)
            return FSA_STS_NO_ADAPTER;
        FSA_DISK_SET_ARGS forwarded = *o.args;
        forwarded.ownership.onPartner = 0;
        void* partnerHandle = reinterpret_cast<void*>(std::uintptr_t{o.ctx->partnerHandle});
        const FSA_STATUS s = FsaDiskSet(partnerHandle, o.set, o.op, &forwarded);
        DS_Rescan(o.ctx, force ? kRescanAll : kRescanSets);
        return s;
    }
    DS_Rescan(o.ctx, kRescanAll);
    if (const FSA_STATUS s = o.read(); s != FSA_STS_SUCCESS)
        return s;
    if (o.rec.flags & DS_FLAG_MIXED)
        return FSA_STS_DS_MIXED_CHANNELS;
    if (o.rec.owner == o.self)
        return FSA_STS_SUCCESS;
    if (!force) {
        if (o.held())
            return FSA_STS_DS_OWNED_BY_SOMEONE;
        if (o.rec.owner != 0) {
            if (o.modify(CL_RELEASE, o.rec.owner, true) != FSA_STS_SUCCESS)
                return FSA_STS_DS_OWNED_BY_SOMEONE;
            if (const FSA_STATUS s = o.read(); s != FSA_STS_SUCCESS)
                return s;
        }
    }
    if (o.hostManaged() && !o.unconditional())
        return FSA_STS_DS_HOST_MANAGED;
    if (force && o.partner != 0 && o.rec.owner == o.partner)
        return FSA_STS_DS_PARTNER_OWNS;
    return o.modify(force ? CL_FORCE : CL_TAKE, o.self, true);
}

FSA_STATUS releaseOwnership(DiskSetOp& o) {
    DS_Rescan(o.ctx, kRescanSets);
    if (const FSA_STATUS s = o.read(); s != FSA_STS_SUCCESS)
        return s;
    if (o.rec.owner == 0)
        return FSA_STS_SUCCESS;
    if (o.rec.flags & DS_FLAG_MIXED)
        return FSA_STS_DS_MIXED_CHANNELS;
    if (FSA_STATUS r; o.othersSet(&r, false))
        return r;
    if (o.hostManaged() && !o.unconditional())
        return FSA_STS_DS_HOST_MANAGED;
    if (o.rec.flags & DS_FLAG_ATTACHED) {
        if (!o.unconditional())
            return FSA_STS_DS_STILL_ATTACHED;
        // The host lets go of the set's containers before the set goes.
        if (const FSA_STATUS s = DS_ResourceOffline(o.ctx, o.set, o.rec, true);
            s != FSA_STS_SUCCESS)
            return s;
    }
    return o.modify(CL_RELEASE, o.rec.owner, true);
}

// Label, spare pool and host management: command 16.
FSA_STATUS changeParameters(DiskSetOp& o) {
    DS_Rescan(o.ctx, kRescanSets);
    if (o.op == FSA_DSO_LABEL) {
        char label[33] = {};
        std::memcpy(label, o.args->label.label, 32);
        if (const FSA_STATUS s = DS_CheckDiskSetName(o.ctx, label); s != FSA_STS_SUCCESS)
            return s;
    }
    if (const FSA_STATUS s = o.read(); s != FSA_STS_SUCCESS)
        return s;
    if (o.rec.flags & DS_FLAG_MIXED)
        return FSA_STS_DS_MIXED_CHANNELS;
    if (FSA_STATUS r; o.othersSet(&r, true))
        return r;
    if (o.op != FSA_DSO_HOST_MANAGED && o.hostManaged() && !o.unconditional())
        return FSA_STS_DS_HOST_MANAGED;
    switch (o.op) {
    case FSA_DSO_LABEL:
        return o.modify(CL_CHANGE, o.rec.owner, true, o.args->label.label, o.rec.attributes);
    case FSA_DSO_SPARE_POOL:
        return o.modify(CL_CHANGE, o.rec.owner, true, o.rec.label,
                        o.args->sparePool.sparePool ? std::uint32_t{DS_ATTR_SPARE_POOL} : 0u);
    default:
        return o.modify(CL_CHANGE, o.rec.owner, true, o.rec.label,
                        o.args->hostManaged.hostManaged ? std::uint32_t{DS_ATTR_HOST_MANAGED} : 0u);
    }
}

FSA_STATUS attachOrDetach(DiskSetOp& o, bool attach) {
    if (!attach)
        DS_Rescan(o.ctx, kRescanSets);
    if (const FSA_STATUS s = o.read(); s != FSA_STS_SUCCESS)
        return s;
    if (o.attachedHere() == attach)
        return FSA_STS_SUCCESS;
    if (o.state() == 3)
        return FSA_STS_DS_MIXED_CHANNELS;
    if (o.state() == 1 && o.rec.owner == 0)
        return FSA_STS_DS_NOT_OWNER;
    if (FSA_STATUS r;
        o.othersSet(&r, false, attach ? FSA_STS_DS_OWNED_BY_SOMEONE : FSA_STS_DS_NOT_OWNER))
        return r;
    if (!attach)
        if (const FSA_STATUS s = DS_TerminateMemberTasks(o.ctx, o.set); s != FSA_STS_SUCCESS)
            return s;
    return o.modify(attach ? CL_ATTACH : CL_DETACH, o.rec.owner, false);
}

// Device slots beyond the member count are zeroed; a count beyond the 64
// slots is refused.
FSA_STATUS clearUnusedSlots(std::uint32_t op, FSA_DISK_SET_ARGS* args) {
    std::uint32_t count;
    FSA_STORAGE_DEVICE* slots;
    switch (op) {
    case FSA_DSO_CREATE:
        count = args->create.memberCount;
        slots = args->create.members;
        break;
    case FSA_DSO_ADD:
        count = args->add.memberCount;
        slots = args->add.members;
        break;
    case FSA_DSO_REMOVE:
        count = args->remove.memberCount;
        slots = args->remove.members;
        break;
    default:
        return FSA_STS_SUCCESS;
    }
    if (count > 64)
        return FSA_STS_TOO_MANY_MEMBERS;
    std::memset(slots + count, 0, sizeof *slots * (64 - count));
    return FSA_STS_SUCCESS;
}

// Attach or detach the set together with its containers.
FSA_STATUS resources(DiskSetOp& o, bool online) {
    if (const FSA_STATUS s = o.read(); s != FSA_STS_SUCCESS)
        return s;
    if (o.state() == 3)
        return FSA_STS_DS_MIXED_CHANNELS;
    if (o.state() == 2)
        return attachOrDetach(o, online);
    const bool unconditional = o.args->onlineOffline.unconditional;
    if (online) {
        if (FSA_STATUS r; o.othersSet(&r, true))
            return r;
        if (o.attachedHere())
            return FSA_STS_SUCCESS;
    } else {
        if (!o.attachedHere() || o.rec.owner == 0)
            return FSA_STS_SUCCESS;
        if (FSA_STATUS r; o.othersSet(&r, false, FSA_STS_DS_OWNED_BY_SOMEONE))
            return r;
    }
    if (o.hostManaged() && !unconditional)
        return FSA_STS_DS_HOST_MANAGED;
    void* handle = UtilHandleFromValue(o.ctx->handle);
    return online ? DS_ResourceOnline(o.ctx, handle, o.set, o.rec)
                  : DS_ResourceOffline(o.ctx, o.set, o.rec, unconditional);
}

bool needsArgs(std::uint32_t op) {
    return op <= FSA_DSO_HOST_MANAGED;
}

FSA_STATUS runOperation(DiskSetOp& o) {
    switch (o.op) {
    case FSA_DSO_TAKE:
        return takeOwnership(o, false);
    case FSA_DSO_FORCE:
        return takeOwnership(o, true);
    case FSA_DSO_RELEASE:
        return releaseOwnership(o);
    case FSA_DSO_LABEL:
    case FSA_DSO_SPARE_POOL:
    case FSA_DSO_HOST_MANAGED:
        return changeParameters(o);
    case FSA_DSO_ATTACH_WITH_CONTAINERS:
        return resources(o, true);
    case FSA_DSO_DETACH_WITH_CONTAINERS:
        return resources(o, false);
    case FSA_DSO_ATTACH:
        return attachOrDetach(o, true);
    case FSA_DSO_DETACH:
        return attachOrDetach(o, false);
    case FSA_DSO_CREATE:
        return DS_DiskSetCreate(o.ctx, o.set, o.args);
    case FSA_DSO_DELETE:
        return DS_DiskSetDelete(o.ctx, o.set, o.args);
    case FSA_DSO_ADD:
        return DS_AddMembers(o.ctx, o.set, o.args);
    case FSA_DSO_REMOVE:
        return DS_RemoveMembers(o.ctx, o.set, o.args);
    case 4:
        return FSA_STS_NOT_IMPLEMENTED;
    default:
        return FSA_STS_BAD_ARGUMENTS;
    }
}

} // namespace

FSA_STATUS DS_SetParameters(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, const char* label,
                            const std::uint32_t* attributes) {
    DiskSetOp o{ctx, set, FSA_DSO_LABEL, nullptr};
    if (const FSA_STATUS s = DS_ReadSetForOperation(ctx, set, &o.rec); s != FSA_STS_SUCCESS)
        return s;
    if (o.rec.flags & DS_FLAG_MIXED)
        return FSA_STS_DS_MIXED_CHANNELS;
    if (o.held() && o.rec.owner != o.self)
        // The partner's sets need the remote transport, which this host lacks.
        return o.partner != 0 && o.rec.owner == o.partner ? FSA_STS_NOT_IMPLEMENTED
                                                          : FSA_STS_REMOTE_NOT_FOUND;
    // What is not given stays as it is.
    char newLabel[32];
    std::memcpy(newLabel, o.rec.label, sizeof newLabel);
    if (label) {
        // A fixed-width field: a 32-character label fills it without a NUL.
        std::memset(newLabel, 0, sizeof newLabel);
        std::memcpy(newLabel, label, strnlen(label, sizeof newLabel));
    }
    return o.modify(CL_CHANGE, o.rec.owner, true, newLabel,
                    attributes ? *attributes & 3 : o.rec.attributes);
}

extern "C" {

FSA_STATUS FsaDiskSet(void* handle, FSA_DISK_SET* set, std::uint32_t operation,
                      FSA_DISK_SET_ARGS* args) {
    if (!handle)
        return FSA_STS_INVALID_HANDLE;
    return FsaExportedCall(handle, {FsaAccessSet::ReadWriteOrCluster}, [&](FSAAPI_CONTEXT* ctx) {
        if (operation > FSA_DSO_DETACH)
            return FSA_STS_BAD_ARGUMENTS;
        if (operation != 4 && (!set || (needsArgs(operation) && !args)))
            return FSA_STS_BAD_ARGUMENTS;
        if (operation == FSA_DSO_RELEASE)
            args->ownership.onPartner = 0;
        if (const FSA_STATUS s = clearUnusedSlots(operation, args); s != FSA_STS_SUCCESS)
            return s;
        CT_InvalidateCache(ctx);
        DiskSetOp o{ctx, set, operation, args};
        FSA_STATUS s;
        try {
            s = runOperation(o);
        } catch (FSA_STATUS thrown) {
            s = thrown;
        }
        CT_InvalidateCache(ctx);
        return s;
    });
}

FSA_STATUS FsaSetDiskSetParameters(void* handle, FSA_DISK_SET* set, const char* label,
                                   std::uint32_t flags) {
    if (!label && flags == 0)
        return FSA_STS_SUCCESS;
    if ((flags & 3) == 3)
        return FSA_STS_BAD_ARGUMENTS;
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite}, [&](FSAAPI_CONTEXT* ctx) {
        return set ? DS_SetParameters(ctx, set, label, flags ? &flags : nullptr)
                   : FSA_STS_BAD_ARGUMENTS;
    });
}
}
