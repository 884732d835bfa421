// The host usage of a container, and the containers that stand on given
// disks.
#include "DeleteByDisk.h"
#include "FsaContainerOps.h"
#include "OpsFrame.h"
#include "SmallCommands.h"

extern "C" {

FSA_STATUS FsaGetContainerUsage(void* handle, const tag_FSA_CONTAINER* container,
                                std::uint32_t* usage) {
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!container || !usage)
            return FSA_STS_BAD_ARGUMENTS;
        *usage = CT_GetContainerUsage(ctx, container->containerNumber);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaFindContainersToDeleteByDisk(void* handle, FSA_STORAGE_DEVICE* disks,
                                           unsigned int diskCount, tag_FSA_CONTAINER* toDelete,
                                           unsigned int* deleteCount, unsigned int deleteBytes,
                                           tag_FSA_CONTAINER* degraded, unsigned int* degradedCount,
                                           unsigned int degradedBytes) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if ((diskCount && !disks) || !toDelete || !deleteCount || !degraded || !degradedCount)
            return FSA_STS_BAD_ARGUMENTS;
        CT_FindContainersToDeleteByDisk(ctx, disks, diskCount, toDelete, deleteCount, deleteBytes,
                                        degraded, degradedCount, degradedBytes);
        return FSA_STS_SUCCESS;
    });
}
}
