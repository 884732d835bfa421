#include "DiskSetPartner.h"

#include "DiskSetEnum.h"
#include "FsaStatus.h"
#include "HandleTable.h"

#include <cstring>

namespace {

constexpr std::uint32_t kRescanSets = 4;

// The drive records of an operation's arguments, and the status when one
// cannot be named on the partner; null for operations without drives.
FSA_STORAGE_DEVICE* drivesOf(std::uint32_t op, FSA_DISK_SET_ARGS* args, std::uint32_t* count,
                             FSA_STATUS* unmapped) {
    switch (op) {
    case FSA_DSO_CREATE:
        *count = args->create.memberCount;
        *unmapped = FSA_STS_DS_CREATE_UNMAPPED;
        return args->create.members;
    case FSA_DSO_ADD:
        *count = args->add.memberCount;
        *unmapped = FSA_STS_DS_ADD_UNMAPPED;
        return args->add.members;
    case FSA_DSO_REMOVE:
        *count = args->remove.memberCount;
        *unmapped = FSA_STS_DS_REMOVE_UNMAPPED;
        return args->remove.members;
    default:
        *count = 0;
        return nullptr;
    }
}

// The bytes of the caller's record for the operation: a caller may hand in
// only the record its operation reads.
std::size_t argsBytes(std::uint32_t op) {
    switch (op) {
    case FSA_DSO_CREATE:
        return sizeof(FSA_DISKSET_CREATE_ARGS);
    case FSA_DSO_ADD:
        return sizeof(FSA_DISKSET_ADD_ARGS);
    case FSA_DSO_REMOVE:
        return sizeof(FSA_DISKSET_REMOVE_ARGS);
    case FSA_DSO_DELETE:
        return sizeof(FSA_DISKSET_DELETE_ARGS);
    case FSA_DSO_LABEL:
        return sizeof(FSA_DISKSET_CHANGE_LABEL_ARGS);
    case FSA_DSO_SPARE_POOL:
        return sizeof(FSA_DISKSET_CHANGE_SPARE_POOL_ARGS);
    case FSA_DSO_HOST_MANAGED:
        return sizeof(FSA_DISKSET_CHANGE_OS_MANAGED_ARGS);
    case FSA_DSO_ATTACH_WITH_CONTAINERS:
    case FSA_DSO_DETACH_WITH_CONTAINERS:
        return sizeof(FSA_DISKSET_ONLINE_OFFLINE_ARGS);
    default:
        return sizeof(FSA_DISKSET_OWNERSHIP_ARGS);
    }
}

std::uint32_t* resultFlagsOf(std::uint32_t op, FSA_DISK_SET_ARGS* args) {
    switch (op) {
    case FSA_DSO_CREATE:
        return &args->create.resultFlags;
    case FSA_DSO_ADD:
        return &args->add.resultFlags;
    case FSA_DSO_REMOVE:
        return &args->remove.resultFlags;
    default:
        return nullptr;
    }
}

} // namespace

FSA_STATUS DS_ForwardToPartner(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, std::uint32_t op,
                               FSA_DISK_SET_ARGS* args) {
    void* self = UtilHandleFromValue(ctx->handle);
    void* partner = UtilHandleFromValue(ctx->partnerHandle);
    FSA_DISK_SET_ARGS forwarded{};
    FSA_DISK_SET_ARGS* sent = nullptr;
    if (args) {
        std::memcpy(&forwarded, args, argsBytes(op));
        sent = &forwarded;
        std::uint32_t count = 0;
        FSA_STATUS unmapped = FSA_STS_SUCCESS;
        FSA_STORAGE_DEVICE* drives = drivesOf(op, &forwarded, &count, &unmapped);
        for (std::uint32_t i = 0; drives && i < count && i < 64; ++i)
            if (FsaMapToPartnersPerspective(self, &drives[i], &drives[i]) != FSA_STS_SUCCESS)
                return unmapped;
        // The partner makes the set itself: asked to hand it on, it would
        // send it straight back.
        if (op == FSA_DSO_CREATE)
            forwarded.create.onPartner = 0;
    }
    const FSA_STATUS s = FsaDiskSet(partner, set, op, sent);
    if (std::uint32_t* flags = args ? resultFlagsOf(op, args) : nullptr)
        *flags = *resultFlagsOf(op, &forwarded);
    if (s == FSA_STS_SUCCESS)
        DS_Rescan(ctx, kRescanSets);
    return s;
}

void DS_RescanPartner(FSAAPI_CONTEXT* ctx, std::uint32_t what) {
    if (ctx->partnerHandle != 0)
        FsaDiskSetRescan(UtilHandleFromValue(ctx->partnerHandle), what);
}

bool DS_PartnerRule(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, std::uint32_t op,
                    FSA_DISK_SET_ARGS* args, const DS_RECORD& rec, bool ownerNeeded,
                    FSA_STATUS* result) {
    const std::uint64_t partner = DS_PartnerOwnerId(ctx);
    if ((rec.flags & DS_FLAG_HELD) && rec.owner != DS_OwnerId(ctx)) {
        *result = partner != 0 && rec.owner == partner ? DS_ForwardToPartner(ctx, set, op, args)
                                                       : FSA_STS_DS_NOT_OWNER;
        return true;
    }
    if (ownerNeeded && rec.owner == 0) {
        *result = FSA_STS_DS_NOT_OWNER;
        return true;
    }
    return false;
}
