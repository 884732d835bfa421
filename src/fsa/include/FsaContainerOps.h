#pragma once

// Exported container operations: creation, the operation dispatcher,
// snapshots, reconfiguration, verify, soft errors.

#include "FsaTypes.h"

// One disk of the soft-error list: its address, flag bit 0 (0/1) and flag
// bit 1 (0/2).
typedef void (*FSA_SOFT_ERROR_DISK_CALLBACK)(unsigned int bus, unsigned int target,
                                             unsigned int lun, unsigned int flag0,
                                             unsigned int flag1, void* cookie);

extern "C" {

FSA_STATUS FsaSetSoftErrorState(void* handle, int state);
FSA_STATUS FsaShowSoftError(void* handle, int* state);
FSA_STATUS FsaShowSoftErrorDisks(void* handle, FSA_SOFT_ERROR_DISK_CALLBACK callback, void* cookie);
}

extern "C" {

FSA_STATUS FsaMorphContainer(void* handle, const tag_FSA_CONTAINER* container,
                             std::uint32_t newType, unsigned int count,
                             const FSA_STORAGE_DEVICE* devices, unsigned int chunkBytes,
                             std::uint64_t sizeBytes, int add);
FSA_STATUS FsaGetContainerUsage(void* handle, const tag_FSA_CONTAINER* container,
                                std::uint32_t* usage);
// The size each partition needs so that a container of `type` over `count`
// partitions (added to its present ones with `add`) holds `capacity` bytes.
FSA_STATUS FsaGetPartitionSize(void* handle, std::uint64_t* partitionSize,
                               const tag_FSA_CONTAINER* container, std::uint32_t type, int add,
                               unsigned int count, std::uint64_t capacity);
FSA_STATUS FsaVerifyContainer(void* handle, int start);
// out: whether a verify runs, then its two progress words.
FSA_STATUS FsaVerifyContainerGetInfo(void* handle, unsigned int out[3]);
FSA_STATUS FsaFindContainersToDeleteByDisk(void* handle, FSA_STORAGE_DEVICE* disks,
                                           unsigned int diskCount, tag_FSA_CONTAINER* toDelete,
                                           unsigned int* deleteCount, unsigned int deleteBytes,
                                           tag_FSA_CONTAINER* degraded, unsigned int* degradedCount,
                                           unsigned int degradedBytes);
FSA_STATUS FsaFindMaxNumberOfPartitionsPerDisk(void* handle, unsigned int* out);
FSA_STATUS FsaFindNumberOfCtrPartitionsonDisk(void* handle, const FSA_SCSI_DEVICE* device,
                                              unsigned int* out);
}
