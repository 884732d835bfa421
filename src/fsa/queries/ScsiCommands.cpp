#include "ScsiCommands.h"

#include "CtWrappers.h"
#include "DiskSetRecords.h"
#include "DriverRequests.h"
#include "FibSend.h"
#include "FsaApi.h"
#include "Trace.h"

#include <cstring>

namespace {
constexpr std::size_t kScsiData = 20; // payload offset of the data
} // namespace

FSA_STATUS SCSI_sendfib(FSAAPI_CONTEXT* ctx, int deviceId, std::uint32_t subOperation, void* data,
                        int length, int throwOnError) {
    return SCSI_sendfibMethod(ctx, ctx->scsiMethod, deviceId, subOperation, data, length,
                              throwOnError);
}

FSA_STATUS SCSI_sendfibMethod(FSAAPI_CONTEXT* ctx, std::uint32_t method, int deviceId,
                              std::uint32_t subOperation, void* data, int length,
                              int throwOnError) {
    FSA_STATUS status;
    if (static_cast<unsigned>(length) > SCSI_DATA_MAX) {
        UtilPrintDebugFormatted("Unable to send scsi command, command is too large\n");
        status = FSA_STS_SCSI_TOO_LARGE;
    } else {
        _FIB fib;
        FsaInitRequestFib(&fib, FIB_CONTAINER_COMMAND, static_cast<std::uint16_t>(length + 20));
        fib.SenderData = static_cast<std::uint32_t>(deviceId);
        FsaSetFibWord(&fib, 0, 3);
        FsaSetFibWord(&fib, 1, 9);
        FsaSetFibWord(&fib, 2, method);
        FsaSetFibWord(&fib, 3, static_cast<std::uint32_t>(deviceId));
        FsaSetFibWord(&fib, 4, subOperation);
        if (length > 0)
            std::memcpy(fib.data + kScsiData, data, static_cast<std::size_t>(length));
        status = FsaInternalSendReceiveFib(ctx, &fib, 0);
        if (status == FSA_STS_SUCCESS) {
            if (length > 0)
                std::memcpy(data, fib.data + kScsiData, static_cast<std::size_t>(length));
            if (FsaFibWord(&fib, 0) != 0)
                status = FSA_STS_SCSI_BAD_STATUS;
        }
    }
    if (throwOnError && status != FSA_STS_SUCCESS)
        throw status;
    return status;
}

bool SCSI_AddressEncodable(const FSA_STORAGE_DEVICE* device) {
    return device->kind == 0 && device->scsi.bus <= 63 && device->scsi.target <= 15 &&
           device->scsi.lun <= 7;
}

int SCSI_GetInternalID(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device) {
    // The id masks each field: an address outside the ranges would alias a
    // real drive (bus 64 is bus 0).
    if (!SCSI_AddressEncodable(device))
        return -1;
    std::uint32_t info[8] = {};
    if (SCSI_sendfib(ctx, 0, SCSI_BUS_INFO, info, sizeof info, 0) == FSA_STS_SUCCESS &&
        static_cast<std::int32_t>(device->scsi.target) > static_cast<std::int32_t>(info[2]))
        return -1;
    return (device->scsi.bus & 63) << 7 | (device->scsi.lun & 7) << 4 | (device->scsi.target & 15);
}

int SCSI_DriveId(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device) {
    const int id = SCSI_GetInternalID(ctx, device);
    if (id < 0)
        throw SCSI_DRIVE_NOT_FOUND;
    return id;
}

void SCSI_GetStandardID(FSAAPI_CONTEXT* ctx, FSA_STORAGE_DEVICE* out, int id) {
    std::memset(out, 0, sizeof *out);
    out->kind = 0;
    out->scsi.bus = static_cast<std::uint8_t>(id >> 7 & 63);
    out->scsi.target = static_cast<std::uint8_t>(id & 15);
    out->scsi.lun = static_cast<std::uint8_t>(id >> 4 & 7);
    // The drive belongs to the adapter that owns its disk set, else to this
    // one. The receive thread builds records here too: nothing may escape.
    std::uint64_t owner = 0;
    try {
        FSA_DISK_SET_INFO info;
        DS_GetDriveInfo(ctx, static_cast<std::uint32_t>(id), &info, nullptr);
        owner = DS_InfoOwner(info);
    } catch (FSA_STATUS) {
    }
    out->scsi.adapterSerial = owner != 0
                                  ? FsaGetSerialFromDSOwner(static_cast<std::uint32_t>(owner))
                                  : FsaAdapterSerial(ctx);
}

bool SCSI_hasDosPartition(FSAAPI_CONTEXT* ctx, int slice) {
    if (slice < 0)
        return false;
    std::uint32_t a = 0, b = 0, c = 0, d = 0, type = 0;
    CT_GetSliceInfo(ctx, static_cast<std::uint32_t>(slice), &a, &b, &c, &d, nullptr, &type);
    return type == 3;
}

namespace {
FSA_STATUS startTask(FSAAPI_CONTEXT* ctx, int id, std::uint32_t kind, std::uint32_t repair) {
    std::uint32_t record[10] = {kind, 0, repair, static_cast<std::uint32_t>(id)};
    return SCSI_sendfib(ctx, 0, 48, record, sizeof record, 0);
}
} // namespace

FSA_STATUS SCSI_StartVerify(FSAAPI_CONTEXT* ctx, int id, int repair) {
    const FSA_STATUS s = startTask(ctx, id, 4, repair ? 1 : 0);
    return s == FSA_STS_SCSI_BAD_STATUS ? FSA_STS_VERIFY_TOO_MANY_TASKS : s;
}

FSA_STATUS SCSI_StartZero(FSAAPI_CONTEXT* ctx, int id) {
    return startTask(ctx, id, 6, 0);
}

void FsaContainerFromInternalId(FSAAPI_CONTEXT* ctx, std::uint32_t id, tag_FSA_CONTAINER* out) {
    out->containerNumber = id;
    out->uniqueId = 0;
    out->adapterSerial = FsaAdapterSerial(ctx);
}

std::uint32_t FsaAdapterSerial(const FSAAPI_CONTEXT* ctx) {
    return ctx->info.ownerIdLow;
}
