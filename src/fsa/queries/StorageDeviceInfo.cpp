// FsaGetStorageDeviceInfo: what a drive is and in what state, for one drive
// or as an enumeration.

#include "Aif.h"
#include "BlinkManager.h"
#include "ContainerOperations.h"
#include "CtWrappers.h"
#include "DeviceAccess.h"
#include "DiskSetRecords.h"
#include "Frame.h"
#include "ScsiCommands.h"
#include "Stubs.h"

#include <cstring>

namespace {

constexpr std::uint32_t kUnusable = 3;

std::uint32_t transferMode(std::uint32_t rate, std::uint8_t flags, bool wide) {
    if (rate >= 301)
        return 10;
    if (rate >= 151)
        return 9;
    if (rate >= 61)
        return 7;
    const std::uint32_t narrow = (flags & 1) ? 5 : (flags & 4) ? 3 : 1;
    return narrow + (wide ? 1 : 0);
}

void clearDiskFields(FSA_STORAGE_DEVICE_INFO* info) {
    info->blockCount = info->bytesPerBlock = 0;
    info->blinking = 0;
    info->transferMode = info->transferRate = 0;
    std::memset(&info->diskSetInfo, 0, sizeof info->diskSetInfo);
    info->inDiskSet = 0;
}

void unusable(FSA_STORAGE_DEVICE_INFO* info, std::uint32_t sdClass) {
    info->initState = kUnusable;
    info->sdClass = sdClass;
}

// One pass of the query; `again` asks the caller to go on enumerating from
// the address left in `*from`.
class StorageQuery {
public:
    StorageQuery(FSAAPI_CONTEXT* ctx, FSA_STORAGE_DEVICE_INFO* info) : m_ctx(ctx), m_info(info) {}

    FSA_STATUS describe(int next, int id, bool* again, FSA_STORAGE_DEVICE* from) {
        *again = false;
        std::memset(m_info, 0, sizeof *m_info);
        SCSI_DEVICE_DATA data;
        SCSI_GetDeviceData(m_ctx, id, &data, 1);
        fillIdentity(data);
        if (!data.ready() || data.type() != 0) {
            m_info->sdClass = FSA_SDC_NON_STORAGE;
            if (processor(data, next) && next) {
                *from = m_info->deviceLocation;
                from->scsi.lun = 7;
                *again = true;
            }
            return FSA_STS_SUCCESS;
        }
        SCSI_CAPACITY_DATA cap;
        if (SCSI_GetCapacity(m_ctx, id, &cap) != FSA_STS_SUCCESS) {
            unusable(m_info, FSA_SDC_NON_STORAGE);
            return FSA_STS_SUCCESS;
        }
        const int slice = CT_GetSliceFromDriveHandle(m_ctx, id, 0, nullptr);
        std::uint32_t sliceType = 0;
        fillDisk(data, cap, slice, &sliceType);
        if (diskSet(id, slice, sliceType))
            return FSA_STS_SUCCESS;
        if (slice >= 0 && sliceType == 7) {
            m_info->initState = 5;
            m_info->sdClass = FSA_SDC_UNKNOWN;
            return FSA_STS_SUCCESS;
        }
        if (slice < 0) {
            if (!next)
                return FSA_STS_DEVICE_NOT_FOUND;
            *from = m_info->deviceLocation;
            *again = true;
            return FSA_STS_SUCCESS;
        }
        partitionTable(id, slice, sliceType);
        return FSA_STS_SUCCESS;
    }

private:
    void fillIdentity(const SCSI_DEVICE_DATA& data) {
        m_info->deviceLocation = FsaDeviceFromData(data);
        m_info->deviceLocation.scsi.adapterSerial = FsaAdapterSerial(m_ctx);
        m_info->scsiStandardDeviceType = data.type();
        m_info->removable = data.removable();
        m_info->ready = data.ready();
        std::memcpy(m_info->vendorID, data.b, 8);
        std::memcpy(m_info->productID, data.b + 8, 16);
        std::memcpy(m_info->productRev, data.b + 24, 4);
        std::memcpy(m_info->vendorSpecific, data.b + 60, 20);
    }

    // Enclosure and other processors; true when the remaining luns of the
    // target are to be skipped.
    bool processor(const SCSI_DEVICE_DATA& data, int next) {
        const std::uint32_t type = data.type();
        if (type != 3 && type != 14)
            return false;
        m_info->subType = 1;
        if (type == 3 && !data.names("PPCMGR")) {
            if (!data.names("SAF-TE"))
                m_info->subType = 2;
            m_info->scsiStandardDeviceType = 3;
            return false;
        }
        m_info->subType = 3;
        if (next && m_info->deviceLocation.scsi.lun != 0)
            return true;
        m_info->scsiStandardDeviceType = 3;
        return false;
    }

    void fillDisk(const SCSI_DEVICE_DATA& data, const SCSI_CAPACITY_DATA& cap, int slice,
                  std::uint32_t* sliceType) {
        m_info->blockCount = cap.blocks;
        m_info->bytesPerBlock = cap.bytesPerBlock;
        if (slice >= 0) {
            std::uint32_t c = 0, d = 0;
            CT_GetSliceInfo(m_ctx, static_cast<std::uint32_t>(slice), &m_info->sliceValue1,
                            &m_info->sliceValue2, &c, &d, nullptr, sliceType);
        }
        m_info->transferRate = data.b[106] * (data.wide() ? 2u : 1u);
        m_info->transferMode = transferMode(m_info->transferRate, data.b[104], data.wide());
        if (auto* blink = static_cast<FSA_BLINK_MANAGER*>(m_ctx->blinkManager))
            m_info->blinking = blink->IsDriveBlinking(&m_info->deviceLocation);
    }

    // True when the drive's disk set decided the answer.
    bool diskSet(int id, int slice, std::uint32_t sliceType) {
        const FSA_STATUS s =
            DS_GetDriveInfo(m_ctx, static_cast<std::uint32_t>(id), &m_info->diskSetInfo, nullptr);
        m_info->inDiskSet = s == FSA_STS_SUCCESS;
        if (!m_info->inDiskSet)
            return false;
        const std::uint32_t* w = m_info->diskSetInfo.words;
        if (slice >= 0 && sliceType == 3 && w[2] == 0 && w[3] == 0) {
            m_info->initState = 2;
            m_info->sdClass = FSA_SDC_UNKNOWN;
            return true;
        }
        const std::uint64_t owner = DS_InfoOwner(m_info->diskSetInfo);
        if (owner == DS_OwnerId(m_ctx))
            return false;
        if (m_ctx->partnerHandle != 0 && owner == DS_PartnerOwnerId(m_ctx))
            fromPartner();
        else {
            m_info->initState = 4;
            m_info->sdClass = FSA_SDC_UNKNOWN;
        }
        return true;
    }

    // The partner owns the drive's disk set: its answer, in local numbering.
    void fromPartner() {
        FSA_STORAGE_DEVICE mapped;
        if (FsaMapToPartnersPerspective(UtilHandleFromValue(m_ctx->handle), &m_info->deviceLocation,
                                        &mapped) != FSA_STS_SUCCESS) {
            unusable(m_info, FSA_SDC_UNKNOWN);
            return;
        }
        mapped.scsi.adapterSerial = FindAdapterHandleWithHandle(m_ctx, m_ctx->partnerHandle);
        FSA_STORAGE_DEVICE_INFO theirs;
        if (FsaGetStorageDeviceInfo(UtilHandleFromValue(m_ctx->partnerHandle), 0, &mapped,
                                    &theirs) != FSA_STS_SUCCESS) {
            m_info->initState = 0;
            m_info->sdClass = FSA_SDC_UNKNOWN;
            return;
        }
        m_info->sdClass = theirs.sdClass;
        m_info->initState = theirs.initState;
        m_info->busy = theirs.busy;
        m_info->failoverCount = theirs.failoverCount;
        m_info->deviceLocation.scsi.adapterSerial = theirs.deviceLocation.scsi.adapterSerial;
        m_info->diskSetInfo.words[FSA_DSI_RELATION] = theirs.diskSetInfo.words[FSA_DSI_RELATION];
    }

    void partitionTable(int id, int slice, std::uint32_t sliceType) {
        m_info->sdClass = FSA_SDC_CONTAINER_COMPATIBLE;
        switch (CT_MbrExists(m_ctx, slice)) {
        case 1:
            m_info->initState = 1;
            break;
        case 2:
            m_info->initState = kUnusable;
            break;
        default:
            m_info->initState = sliceType == 3 ? 2 : 0;
        }
        if (m_info->initState == kUnusable) {
            clearDiskFields(m_info);
            m_info->sdClass = FSA_SDC_NON_STORAGE;
            return;
        }
        m_info->failoverCount = CT_GetSliceFailoverCount(m_ctx, static_cast<std::uint32_t>(slice));
        m_info->busy =
            AIF_GetTaskListForScsi(m_ctx, static_cast<std::uint32_t>(id), nullptr, 0) != 0;
    }

    FSAAPI_CONTEXT* m_ctx;
    FSA_STORAGE_DEVICE_INFO* m_info;
};

} // namespace

extern "C" FSA_STATUS FsaGetStorageDeviceInfo(void* handle, int next,
                                              const FSA_STORAGE_DEVICE* device,
                                              FSA_STORAGE_DEVICE_INFO* info) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) -> FSA_STATUS {
        if (!info)
            return FSA_STS_BAD_ARGUMENTS;
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return NetworkGetStorageDeviceInfo(ctx);
        FSA_STORAGE_DEVICE mapped;
        if (!next) {
            if (const std::uint32_t other = ScsiAdapterHandle(ctx, device, &mapped)) {
                const FSA_STATUS s =
                    FsaGetStorageDeviceInfo(UtilHandleFromValue(other), 0, &mapped, info);
                if (s == FSA_STS_SUCCESS)
                    FsaPartnerBusToLocal(ctx, &info->deviceLocation);
                return s;
            }
        }
        FSA_STORAGE_DEVICE from{};
        const FSA_STORAGE_DEVICE* at = device;
        StorageQuery query(ctx, info);
        for (;;) {
            int id = -1;
            if (const FSA_STATUS s = FsaResolveDrive(ctx, next, at, &id); s != FSA_STS_SUCCESS)
                return s;
            bool again = false;
            const FSA_STATUS s = query.describe(next, id, &again, &from);
            if (!again)
                return s;
            at = &from;
        }
    });
}
