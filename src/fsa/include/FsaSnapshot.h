#pragma once

// Point-in-time snapshots of containers and the controller's snapshot
// buffer space.

#include "FsaTypes.h"

enum FSA_SNAPSHOT_OPERATION : std::uint32_t {
    FSA_SNAP_CREATE_FULL = 0,
    FSA_SNAP_CREATE_SPARSE = 1,
    FSA_SNAP_REMOVE = 2,
    FSA_SNAP_GET_SIZES = 3,
    FSA_SNAP_GET_INFO = 4,
    FSA_SNAP_REMOVE_FORCED = 5,
    FSA_SNAP_CREATE_FULL_HOST = 6,
    FSA_SNAP_CREATE_SPARSE_HOST = 7,
};

// Creation: the two containers of the snapshot; sizes: u64 minimum sparse
// backing bytes, u64 full backing bytes, u32 minimum chunk bytes; info: ten
// usage words.
struct FSA_SNAPSHOT_INFO {
    std::uint32_t words[10];
};
static_assert(sizeof(FSA_SNAPSHOT_INFO) == 40, "the snapshot record is 40 bytes");

extern "C" {

// For removal `source` names the snapshot; `backing` and `chunkBytes` serve
// creation and sizing.
FSA_STATUS FsaSnapshot(void* handle, FSA_SNAPSHOT_OPERATION op, const tag_FSA_CONTAINER* source,
                       const tag_FSA_CONTAINER* backing, FSA_SNAPSHOT_INFO* info,
                       unsigned int chunkBytes);
FSA_STATUS FsaHasUnconfigSnapshotBuffers(void* handle, int* present);
FSA_STATUS FsaHasUnconfigSnapshotBuffersEx(void* handle, int* present);
FSA_STATUS FsaFreeUnconfigSnapshotBuffers(void* handle);
FSA_STATUS FsaFreeUnconfigSnapshotBuffersEx(void* handle);
}
