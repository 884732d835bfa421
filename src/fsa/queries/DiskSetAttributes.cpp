// Bringing a disk set to a wanted owner, attributes, label and attachment in
// one call.
#include "CtChannel.h"
#include "DiskSetEnum.h"
#include "DiskSetOps.h"
#include "DiskSetRecords.h"
#include "Frame.h"
#include "FsaStatus.h"

#include <cstring>

namespace {

enum WantedOwner : std::uint32_t { kSelf = 0, kPartner = 1, kNobody = 2 };

// The disk-set change is announced to the other clients around the work.
class ChangeAnnouncement {
public:
    ChangeAnnouncement(void* handle, bool announce) : m_handle(handle), m_announce(announce) {
        if (m_announce)
            FsaSendAifDSStartEvent(m_handle);
    }
    ~ChangeAnnouncement() {
        if (m_announce)
            FsaSendAifDSFinishEvent(m_handle);
    }
    ChangeAnnouncement(const ChangeAnnouncement&) = delete;
    ChangeAnnouncement& operator=(const ChangeAnnouncement&) = delete;

private:
    void* m_handle;
    bool m_announce;
};

FSA_STATUS operation(void* handle, FSA_DISK_SET* set, std::uint32_t op, bool unconditional) {
    FSA_DISK_SET_ARGS args{};
    if (op == FSA_DSO_ATTACH_WITH_CONTAINERS || op == FSA_DSO_DETACH_WITH_CONTAINERS)
        args.onlineOffline.unconditional = unconditional;
    else
        args.ownership.unconditional = unconditional;
    return FsaDiskSet(handle, set, op, &args);
}

FSA_STATUS setAttributes(FSAAPI_CONTEXT* ctx, void* handle, FSA_DISK_SET* set,
                         FSA_DISK_SET_INFO* wanted, bool unconditional) {
    FSA_DISK_SET_INFO info;
    if (DS_GetDiskSetInfo(ctx, set, &info) != FSA_STS_SUCCESS)
        return FSA_STS_BAD_ARGUMENTS;
    const ChangeAnnouncement announce(handle, info.words[FSA_DSI_STATE] != FSA_DSS_UNHELD);

    const std::uint64_t self = DS_OwnerId(ctx);
    const std::uint64_t partner = DS_PartnerOwnerId(ctx);
    std::uint64_t owner;
    switch (wanted->words[FSA_DSI_OWNER]) {
    case kSelf:
        owner = self;
        break;
    case kPartner:
        if (partner == 0)
            return FSA_STS_REMOTE_NOT_FOUND;
        owner = partner;
        break;
    case kNobody:
        owner = 0;
        break;
    default:
        return FSA_STS_DS_NOT_OWNER;
    }
    wanted->words[FSA_DSI_OWNER] = static_cast<std::uint32_t>(owner);
    wanted->words[FSA_DSI_OWNER + 1] = static_cast<std::uint32_t>(owner >> 32);

    const std::uint64_t current = DS_InfoOwner(info);
    const bool hostManaged = wanted->words[FSA_DSI_HOST_MANAGED] != 0;
    const bool sparePool = wanted->words[FSA_DSI_SPARE_POOL] != 0;
    bool labelChange =
        std::memcmp(&wanted->words[FSA_DSI_LABEL], &info.words[FSA_DSI_LABEL], 32) != 0;
    char label[33] = {};
    std::memcpy(label, &wanted->words[FSA_DSI_LABEL], 32);
    bool duplicate = false;
    if (labelChange && DS_CheckDiskSetName(ctx, label) == FSA_STS_DS_DUPLICATE_LABEL) {
        duplicate = true;
        labelChange = false;
    }
    bool paramsChange = labelChange || hostManaged != (info.words[FSA_DSI_HOST_MANAGED] != 0) ||
                        sparePool != (info.words[FSA_DSI_SPARE_POOL] != 0);
    const bool attachedHere = info.words[FSA_DSI_RELATION] == 2;
    const bool attach = wanted->words[FSA_DSI_RELATION] == 2;
    const bool detach = wanted->words[FSA_DSI_RELATION] == 1 && attachedHere;
    unconditional = unconditional || wanted->words[FSA_DSI_STATE] == FSA_DSS_UNHELD;
    if (info.words[FSA_DSI_HOST_MANAGED] && hostManaged && !unconditional)
        return FSA_STS_DS_HOST_MANAGED;
    const std::uint32_t attributes = (sparePool ? 1u : 0u) | (hostManaged ? 2u : 0u);
    if (attributes == 3)
        return info.words[FSA_DSI_HOST_MANAGED] ? FSA_STS_DS_HOST_MANAGED : FSA_STS_BAD_ARGUMENTS;

    FSA_STATUS s = FSA_STS_SUCCESS;
    if (owner != current) {
        if (attachedHere && operation(handle, set, FSA_DSO_DETACH_WITH_CONTAINERS, unconditional) !=
                                FSA_STS_SUCCESS)
            return FSA_STS_DS_STILL_ATTACHED;
        if (paramsChange && (owner == 0 || current == self)) {
            if (DS_SetParameters(ctx, set, labelChange ? label : nullptr, &attributes) !=
                FSA_STS_SUCCESS)
                return FSA_STS_DS_FAILED;
            paramsChange = false;
        }
        if (owner == 0) {
            s = operation(handle, set, FSA_DSO_RELEASE, unconditional);
        } else if (current == 0) {
            s = operation(handle, set, FSA_DSO_TAKE, unconditional);
        } else {
            s = FSA_STS_FAILURE;
            if (current == self || current == partner)
                if (operation(handle, set, FSA_DSO_RELEASE, unconditional) == FSA_STS_SUCCESS)
                    s = operation(handle, set, FSA_DSO_TAKE, unconditional);
            if (s != FSA_STS_SUCCESS)
                s = operation(handle, set, FSA_DSO_FORCE, unconditional);
        }
        if (s != FSA_STS_SUCCESS)
            return s;
    }
    if (paramsChange &&
        DS_SetParameters(ctx, set, labelChange ? label : nullptr, &attributes) != FSA_STS_SUCCESS)
        return FSA_STS_DS_FAILED;
    if (attach)
        s = operation(handle, set, FSA_DSO_ATTACH_WITH_CONTAINERS, unconditional);
    else if (detach)
        s = operation(handle, set, FSA_DSO_DETACH_WITH_CONTAINERS, unconditional);
    return s == FSA_STS_SUCCESS && duplicate ? FSA_STS_DS_DUPLICATE_LABEL : s;
}

} // namespace

extern "C" FSA_STATUS FsaDiskSetSetAttributes(void* handle, FSA_DISK_SET* set,
                                              FSA_DISK_SET_INFO* wanted, int unconditional) {
    if (!set || !wanted)
        return FSA_STS_BAD_ARGUMENTS;
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite}, [&](FSAAPI_CONTEXT* ctx) {
        CT_InvalidateCache(ctx);
        const FSA_STATUS s = setAttributes(ctx, handle, set, wanted, unconditional != 0);
        CT_InvalidateCache(ctx);
        return s;
    });
}
