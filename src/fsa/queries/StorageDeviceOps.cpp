// FsaStorageDevice: verify, zero, dead-partition removal and blink of a drive.

#include "BlinkManager.h"
#include "CtWrappers.h"
#include "DeviceAccess.h"
#include "Frame.h"
#include "HandleTable.h"
#include "ParamChecks.h"
#include "Reconfiguration.h"
#include "ScsiCommands.h"
#include "Stubs.h"

namespace {

constexpr std::uint32_t kDriveHasTasks = 1; // PCK_ScsiDeviceIs mask
constexpr std::uint32_t kPartitionWord = 3; // the argument's FSA_PARTITION starts here

FSA_STATUS zero(FSAAPI_CONTEXT* ctx, int id, int removeContainers) {
    PCK_ThrowIfScsiDeviceIs(ctx, id, kDriveHasTasks);
    PCK_CheckAndRemoveActiveCtrs(ctx, id, removeContainers, 0);
    return SCSI_StartZero(ctx, id);
}

FSA_STATUS operate(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device, std::uint32_t op,
                   std::uint32_t* argument) {
    if (op >= 9)
        return FSA_STS_BAD_OPERATION;
    if (op == FSA_SDO_RESERVED)
        return FSA_STS_NOT_IMPLEMENTED;
    const int id = SCSI_DriveId(ctx, device);
    const int slice = CT_GetSliceFromDriveHandle(ctx, id, 1, nullptr);
    switch (op) {
    case FSA_SDO_VERIFY:
    case FSA_SDO_VERIFY_REPAIR:
        PCK_ThrowIfScsiDeviceIs(ctx, id, kDriveHasTasks);
        return SCSI_StartVerify(ctx, id, op == FSA_SDO_VERIFY_REPAIR);
    case FSA_SDO_ZERO_UNLESS_DOS:
        if (SCSI_hasDosPartition(ctx, slice))
            return FSA_STS_DISK_ALREADY_INITIALISED;
        [[fallthrough]];
    case FSA_SDO_ZERO_UNLESS_MBR:
        if (CT_MbrExists(ctx, slice) == 1)
            return FSA_STS_DISK_ALREADY_INITIALISED;
        [[fallthrough]];
    case FSA_SDO_ZERO:
        return zero(ctx, id, 0);
    case FSA_SDO_ZERO_FORCE:
        return zero(ctx, id, 1);
    case FSA_SDO_REMOVE_DEAD_PARTITIONS:
        CT_RemoveDeadPartitions(
            ctx, id,
            argument ? reinterpret_cast<const FSA_PARTITION*>(argument + kPartitionWord) : nullptr);
        return FSA_STS_SUCCESS;
    default: // FSA_SDO_BLINK
        if (!argument)
            return FSA_STS_BAD_ARGUMENTS;
        SCSI_BlinkDrive(ctx, device, argument[1]);
        return FSA_STS_SUCCESS;
    }
}

} // namespace

extern "C" FSA_STATUS FsaStorageDevice(void* handle, const FSA_STORAGE_DEVICE* device,
                                       std::uint32_t operation, std::uint32_t* argument) {
    FsaGuards guards{FsaAccessSet::ReadWrite};
    guards.paused = false; // tested once the adapter lock is held
    return FsaExportedCall(handle, guards, [&](FSAAPI_CONTEXT* ctx) {
        if (ctx->paused.load())
            return FSA_STS_ADAPTER_PAUSED;
        if (!device)
            return FSA_STS_BAD_ARGUMENTS;
        FSA_STORAGE_DEVICE mapped;
        if (const std::uint32_t other = ScsiAdapterHandle(ctx, device, &mapped))
            return FsaStorageDevice(UtilHandleFromValue(other), &mapped, operation, argument);
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return NetworkStorageDevice(ctx);
        return operate(ctx, device, operation, argument);
    });
}
