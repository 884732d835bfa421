#include "DeviceAccess.h"

#include "HandleTable.h"
#include "OpenClose.h"
#include "ScsiCommands.h"

FSA_STATUS SCSI_GetDeviceData(FSAAPI_CONTEXT* ctx, int id, SCSI_DEVICE_DATA* out,
                              int throwOnError) {
    std::memset(out, 0, sizeof *out);
    return SCSI_sendfib(ctx, id, SCSI_OP_DEVICE_DATA, out->b, sizeof out->b, throwOnError);
}

FSA_STATUS SCSI_GetCapacity(FSAAPI_CONTEXT* ctx, int id, SCSI_CAPACITY_DATA* out) {
    *out = SCSI_CAPACITY_DATA{};
    return SCSI_sendfib(ctx, id, SCSI_OP_CAPACITY, out, sizeof *out, 0);
}

FSA_STATUS FsaResolveDrive(FSAAPI_CONTEXT* ctx, int next, const FSA_STORAGE_DEVICE* device,
                           int* id) {
    if (!next) {
        if (!device)
            return FSA_STS_BAD_ARGUMENTS;
        *id = SCSI_GetInternalID(ctx, device);
        return *id < 0 ? SCSI_DRIVE_NOT_FOUND : FSA_STS_SUCCESS;
    }
    std::int32_t request[3] = {0, 0, 1};
    if (device) {
        // A walk cannot start from a drive that is not there.
        request[0] = request[1] = SCSI_GetInternalID(ctx, device);
        if (request[0] < 0)
            return SCSI_DRIVE_NOT_FOUND;
        request[2] = 2;
    }
    if (SCSI_sendfib(ctx, 0, SCSI_OP_FIND_DRIVE, request, sizeof request, 0) != FSA_STS_SUCCESS)
        return FSA_STS_NO_MORE_DEVICES;
    *id = request[0];
    return FSA_STS_SUCCESS;
}

FSA_STORAGE_DEVICE FsaDeviceFromData(const SCSI_DEVICE_DATA& data) {
    FSA_STORAGE_DEVICE d{};
    d.scsi.bus = data.word(92);
    d.scsi.target = data.word(96);
    d.scsi.lun = data.word(100);
    return d;
}

std::uint32_t ScsiAdapterHandle(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device,
                                FSA_STORAGE_DEVICE* mapped) {
    const std::uint32_t other = GetRelevantAdapterForScsi(ctx, device);
    if (other == 0)
        return 0;
    // Unmapped, the local address would name another of the partner's drives.
    if (const FSA_STATUS s =
            FsaMapToPartnersPerspective(UtilHandleFromValue(ctx->handle), device, mapped);
        s != FSA_STS_SUCCESS)
        throw s;
    return other;
}

void FsaPartnerBusToLocal(FSAAPI_CONTEXT* ctx, FSA_STORAGE_DEVICE* device) {
    const std::int32_t bus =
        FsaMapPartnerToLocalBus(UtilHandleFromValue(ctx->handle), device->scsi.bus);
    if (bus >= 0)
        device->scsi.bus = static_cast<std::uint8_t>(bus);
}

std::uint32_t FindAdapterHandleWithHandle(FSAAPI_CONTEXT* ctx, std::uint32_t handle) {
    for (std::uint32_t i = 0; i < ctx->adapterCount && i < 16; ++i)
        if (ctx->adapters[i].handle == handle)
            return ctx->adapters[i].serial;
    return 0;
}
