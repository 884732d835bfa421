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

enum FSA_CONTAINER_OPERATION : std::uint32_t {
    FSA_CO_LOCK = 0,
    FSA_CO_UNLOCK = 1,
    FSA_CO_MAKE_READ_ONLY = 2,
    FSA_CO_MAKE_READ_WRITE = 3,
    FSA_CO_MIRROR_DELAY = 4,
    FSA_CO_CLEAR_UNUSED = 5,
    FSA_CO_CLEAR = 6,
    FSA_CO_CLEAR_ANY = 7,
    FSA_CO_CLEAR_ANY2 = 8,
    FSA_CO_PROMOTE = 9,
    FSA_CO_DELETE = 10,
    FSA_CO_DELETE2 = 11,
    FSA_CO_DELETE_IN_USE = 12,
    FSA_CO_DELETE_FORCE = 13,
    FSA_CO_MOVE = 14,
    FSA_CO_RESERVED15 = 15,
    FSA_CO_RESERVED16 = 16,
    FSA_CO_RESERVED17 = 17,
    FSA_CO_ADD_LEVEL = 18,
    FSA_CO_SET_USER_FLAGS = 19,
    FSA_CO_CLEAR_USER_FLAGS = 20,
    FSA_CO_SCRUB = 21,
    FSA_CO_SET_NAME = 22,
    FSA_CO_CHECK = 23,
    FSA_CO_OFFLINE = 24,
    FSA_CO_RESTART_MORPH = 25,
    FSA_CO_ENABLE_RAID5 = 26,
};

extern "C" {

// One operation on an existing container; `argument` as the operation needs.
FSA_STATUS FsaContainer(void* handle, const tag_FSA_CONTAINER* container,
                        FSA_CONTAINER_OPERATION operation, void* argument);
// Announces a change of the container to every client of the adapter.
FSA_STATUS SendAifContainerEvent(void* handle, const tag_FSA_CONTAINER* container,
                                 unsigned int eventType);
}

enum FSA_MIRROR_FUNCTION : std::uint32_t {
    FSA_MIRROR_UNMIRROR = 0,
    FSA_MIRROR_SPLIT = 1,
    FSA_MIRROR_SCRUB = 4,
    FSA_MIRROR_CHECK = 5,
};

extern "C" {
// The older mirror entry; `container` is refreshed on return.
FSA_STATUS FsaMirror(void* handle, FSA_MIRROR_FUNCTION function, tag_FSA_CONTAINER* container,
                     tag_FSA_CONTAINER* newContainer);
}

#include "FsaCache.h"

// One free extent of a disk for a new container: the disk, byte offset and
// byte size (multiples of 64 KB).
struct FSA_STORAGE_DEVICE_SPACE;

extern "C" {

FSA_STATUS FsaCreatePrimaryContainer(void* handle, tag_FSA_CONTAINER* newContainer,
                                     std::uint32_t type, const char* name, unsigned int count,
                                     const FSA_STORAGE_DEVICE_SPACE* spaces,
                                     unsigned int chunkBytes,
                                     const tag_FSA_CONTAINER_PARAMS* params);
FSA_STATUS FsaCreateSecondaryContainer(void* handle, tag_FSA_CONTAINER* newContainer,
                                       std::uint32_t type, const char* name, unsigned int count,
                                       const tag_FSA_CONTAINER* members, unsigned int size);
FSA_STATUS FsaGrowPrimaryVolumeSet(void* handle, const tag_FSA_CONTAINER* volume,
                                   const FSA_STORAGE_DEVICE_SPACE* space, unsigned int reserved);
FSA_STATUS FsaGrowSecondaryVolumeSet(void* handle, const tag_FSA_CONTAINER* volume,
                                     const tag_FSA_CONTAINER* added, unsigned int reserved);
FSA_STATUS FsaCreateMirrorFromVolume(void* handle, tag_FSA_CONTAINER* container, unsigned int count,
                                     const FSA_STORAGE_DEVICE* devices);
}

extern "C" {
// Marks the partition cache of the adapter behind the handle stale (service side).
void CT_InvalidateServerCache(void* handle);
}
