// Making a disk ready to carry container partitions: refuse a disk in use
// unless told otherwise, settle its tasks, remove its containers, write the
// controller's MBR and have the configuration re-read when old partitions
// were on it.
#include "Aif.h"
#include "ContainerCaches.h"
#include "ContainerOperations.h"
#include "CtWrappers.h"
#include "DiskSetRecords.h"
#include "FibSend.h"
#include "Frame.h"
#include "FsaApi.h"
#include "FsaMaintenance.h"
#include "FsaPartitions.h"
#include "OsPort.h"
#include "ParamChecks.h"
#include "PartitionFields.h"
#include "PartnerRedirect.h"
#include "ScsiCommands.h"
#include "Stubs.h"

#include <algorithm>
#include <vector>

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force);

namespace {

constexpr std::uint32_t kDosPartitionSlice = 3;
constexpr std::uint32_t kMbrSignature = 0x00021956;
constexpr std::uint32_t kTerminateTask = 104; // event-and-task request

// The partner's answer when it owns the disk; null to go on here. The disk
// counts as one on a private bus, prepared here, only when the cluster's
// shared-bus mask and the drive's own disk-set answer both say so and its
// set is not the partner's: a zeroed mask reads like a private bus, and
// preparing a disk the partner owns overwrites its data.
const FSA_STATUS* handOver(FSAAPI_CONTEXT* ctx, int override, const FSA_STORAGE_DEVICE* device,
                           int force, std::uint32_t driveId, FSA_STATUS* result) {
    if (!ctx->partnerHandle)
        return nullptr;
    void* partner = UtilHandleFromValue(ctx->partnerHandle);
    FSA_DISK_SET_INFO info{};
    std::uint32_t shared = 0;
    const FSA_STATUS s = FsaGetDriveInfo(UtilHandleFromValue(ctx->handle), driveId, &info, &shared);
    const bool partners = s == FSA_STS_SUCCESS && DS_InfoOwner(info) == FsaGetOwnerId(partner);
    if (!SCD_BUS_SHARED(ctx, &device->scsi) && CT_DriveAnswerSaysPrivate(s, shared) && !partners)
        return nullptr;
    if (s == FSA_STS_DS_NOT_OWNER_OF_DISK || (s != FSA_STS_SUCCESS && !force)) {
        *result = s;
        return result;
    }
    if (s != FSA_STS_SUCCESS)
        return nullptr;
    if (DS_InfoOwner(info) == FsaGetOwnerId(UtilHandleFromValue(ctx->handle)))
        return nullptr;
    if (!partners) {
        *result = FSA_STS_DS_NOT_OWNER_OF_DISK;
        return result;
    }
    FSA_STORAGE_DEVICE copy = *device;
    const std::int32_t bus = FsaMapToPartnerBus(UtilHandleFromValue(ctx->handle), copy.scsi.bus);
    if (bus < 0 || bus == 0xFF) {
        *result = FSA_STS_SPANS_DISK_SETS;
        return result;
    }
    copy.scsi.bus = static_cast<std::uint8_t>(bus);
    *result = FsaInitStorageDeviceForFsa(partner, override, &copy, force);
    return result;
}

// Ends the disk's tasks when forced: each is told to terminate (a reply state
// of 2 or 3, or one the controller does not define, fails the call with 6),
// then waited for. 145 when any task is left or one's end is not confirmed.
void settleTasks(FSAAPI_CONTEXT* ctx, std::uint32_t driveId, int force) {
    std::vector<FSA_TASK_DESCRIPTOR> tasks(AIF_MAX_TASKS);
    if (force) {
        const std::uint32_t n = std::min(
            AIF_GetTaskListForScsi(ctx, driveId, tasks.data(), AIF_MAX_TASKS), AIF_MAX_TASKS);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t request[AIF_REQUEST_WORDS] = {kTerminateTask, tasks[i].taskId};
            _FIB reply;
            AIF_SendFIB(ctx, request, sizeof request, &reply, 1);
            const std::uint32_t state = FsaFibWord(&reply, 1);
            if (state == 2 || state == 3 || state < 1 || state > 7)
                throw FSA_STS_FAILURE;
        }
        for (std::uint32_t i = 0; i < n; ++i)
            if (!ctx->taskCallbacks.WaitForTaskFinish(ctx, tasks[i].taskId))
                throw FSA_STS_TASK_IN_PROGRESS;
        fsa::sleepMs(2000);
    }
    if (AIF_GetTaskListForScsi(ctx, driveId, nullptr, 0))
        throw FSA_STS_TASK_IN_PROGRESS;
}

// Whether the disk's old partition table names any partition.
bool oldPartitionsOnDisk(FSAAPI_CONTEXT* ctx, std::uint32_t slice) {
    std::uint32_t mbr[6] = {};
    if (!CT_ReadMBR(ctx, slice, mbr) || mbr[0] != kMbrSignature)
        return true;
    if (mbr[1] > CT_MAX_PARTITION_ENTRIES)
        return true;
    std::vector<Partition> entries(mbr[1]);
    if (!entries.empty())
        CT_GetDiskPartitions(ctx, slice, entries.data(), mbr[1]);
    for (const Partition& p : entries)
        if (par::serial(p))
            return true;
    return false;
}

} // namespace

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite}, [&](FSAAPI_CONTEXT* ctx) {
        if (!device)
            return FSA_STS_BAD_ARGUMENTS;
        // Every step below would travel over the remote transport.
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkInitStorageDeviceForFsa();
        const int driveId = SCSI_DriveId(ctx, device);
        FSA_STATUS partnerResult;
        if (const FSA_STATUS* r = handOver(ctx, override, device, force,
                                           static_cast<std::uint32_t>(driveId), &partnerResult))
            return *r;
        settleTasks(ctx, static_cast<std::uint32_t>(driveId), force);
        const int slice = CT_GetSliceFromDriveHandle(ctx, driveId, 1, nullptr);
        const int mbr = CT_MbrExists(ctx, slice);
        if (mbr == 2)
            return FSA_STS_DEVICE_NOT_FOUND;
        std::uint32_t size = 0, b = 0, c = 0, d = 0, type = 0;
        CT_GetSliceInfo(ctx, static_cast<std::uint32_t>(slice), &size, &b, &c, &d, nullptr, &type);
        if (!override && !force && (mbr == 1 || type == kDosPartitionSlice))
            return FSA_STS_DISK_ALREADY_INITIALISED;
        if (const FSA_STATUS s = PCK_CheckAndRemoveActiveCtrs(ctx, driveId, 1, force);
            s != FSA_STS_SUCCESS)
            return s;
        const bool reread = mbr == 1 && oldPartitionsOnDisk(ctx, static_cast<std::uint32_t>(slice));
        CT_WriteMBR(ctx, static_cast<std::uint32_t>(slice), ctx->partitionLimit);
        if (reread)
            CT_ReConfig(ctx, 0);
        return FSA_STS_SUCCESS;
    });
}
