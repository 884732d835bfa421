// Snapshots: a source container tied to a backing container that keeps the
// preserved data at a hidden number while the snapshot lives.
#include "ContainerCaches.h"
#include "ContainerCreation.h"
#include "ContainerDispatch.h"
#include "ContainerInfo.h"
#include "ContainerOperations.h"
#include "ContainerRecordFields.h"
#include "CtWrappers.h"
#include "FsaMaintenance.h"
#include "FsaSnapshot.h"
#include "HostExposure.h"
#include "HostSnapshot.h"
#include "OpsFrame.h"
#include "OsTypes.h"
#include "ParamChecks.h"
#include "SmallCommands.h"
#include "Stubs.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t kSparseBackingBlocks = 0x5000;
constexpr std::uint64_t kMinSparseBackingBytes = 0xA00000;
constexpr std::uint32_t kNvramReady = 3;

bool snapshotAccess(std::uint32_t a) {
    return a == 1 || a == 3 || a == 4 || a == 5 || a == 6;
}

// Containers of 2 TiB and more hold more blocks than 32 bits count.
std::uint64_t blocksOf(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    return CT_GetContainerSize(ctx, n) >> 9;
}

std::uint32_t minimumChunkBlocks(std::uint64_t sourceBlocks) {
    if (sourceBlocks <= 0x800000)
        return 16;
    if (sourceBlocks <= 0x2000000)
        return 32;
    if (sourceBlocks <= 0x10000000)
        return 64;
    return 128;
}

// The source, 8 blocks and a change bitmap of one bit per chunk in whole blocks.
std::uint64_t fullBackingBlocks(std::uint64_t sourceBlocks, std::uint32_t chunkBlocks) {
    const std::uint64_t bitmap = (((sourceBlocks / chunkBlocks + 7) >> 3) + 511) >> 9;
    return sourceBlocks + 8 + bitmap;
}

struct Record {
    cttype ct{};
    std::uint32_t number(std::size_t word) const { return CT_RecordWord(ct, word); }
    std::uint8_t byte(std::size_t at) const { return ctr::byte(ct, at); }
};

Record readRecord(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    Record r;
    std::uint32_t type = 0;
    CT_GetContainer(ctx, n, &r.ct, &type);
    return r;
}

bool sameDiskSet(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b) {
    std::uint8_t first[152], second[152];
    CT_GetCtrDiskSetInfo(ctx, a, first);
    CT_GetCtrDiskSetInfo(ctx, b, second);
    return std::memcmp(first, second, 16) == 0;
}

// No snapshot: the backing container returns to where the caller had it.
// One that cannot (and did not in spite of the answer) stays hidden, and the
// host lets go of the disk its old number gave it, through which the next
// container given that number would be reached.
void moveBack(FSAAPI_CONTEXT* ctx, std::uint32_t hidden, std::uint32_t b,
              FsaRemovalRecord& release) noexcept {
    try {
        CT_MoveContainerChecked(ctx, hidden, b);
        return;
    } catch (FSA_STATUS) {
    }
    if (!release)
        return;
    try {
        FsaCtrRemovalComplete(ctx, b, 0, std::move(release));
    } catch (FSA_STATUS) {
        // The failure that made the snapshot stop is the one reported.
    }
}

FSA_STATUS create(FSAAPI_CONTEXT* ctx, void* handle, FSA_SNAPSHOT_OPERATION op,
                  const tag_FSA_CONTAINER& source, const tag_FSA_CONTAINER* backingTag,
                  FSA_SNAPSHOT_INFO* info, unsigned int chunkBytes) {
    if (!snapshotAccess(ctx->access))
        return FSA_STS_NEEDS_READ_WRITE;
    if (!(ctx->info.adapterOptions & 1))
        return FSA_STS_NO_SNAPSHOT_SUPPORT;
    if (!backingTag)
        return FSA_STS_BAD_ARGUMENTS;
    const std::uint32_t s = source.containerNumber, b = backingTag->containerNumber;
    PCK_ThrowIfContainerIs(ctx, s, CT_STATES(0xD, 0x800000));
    PCK_ThrowIfContainerIs(ctx, b, CT_STATES(0xD, 0x800000));
    if (source.adapterSerial != backingTag->adapterSerial || !sameDiskSet(ctx, s, b))
        return FSA_STS_DIFFERENT_DISK_SETS;
    PCK_ThrowIfContainerIs(ctx, s, CT_STATES(0, 0x40004450));
    PCK_ThrowIfContainerIs(ctx, b, CT_STATES(0, 0x40004450));
    FSA_NVRAM_INFO nvram{};
    if (FsaNvram(handle, FSA_NVRAM_READ_STATUS, &nvram) != FSA_STS_SUCCESS ||
        nvram.nvramState != kNvramReady)
        return FSA_STS_NVRAM_NOT_READY;
    const std::uint64_t sourceBlocks = blocksOf(ctx, s);
    const std::uint32_t chunk = chunkBytes / 512;
    if (chunk < minimumChunkBlocks(sourceBlocks))
        return FSA_STS_SNAPSHOT_BAD_CHUNK;
    const bool sparse = op == FSA_SNAP_CREATE_SPARSE || op == FSA_SNAP_CREATE_SPARSE_HOST;
    const std::uint64_t needed =
        sparse ? kSparseBackingBlocks : fullBackingBlocks(sourceBlocks, chunk);
    if (blocksOf(ctx, b) < needed)
        return FSA_STS_BACKING_TOO_SMALL;
    const int localOnly = CT_SearchesEveryDisk(ctx, source) ? 0 : 1;
    if (CT_GetNextFreeContainer(ctx, 1, localOnly) < ctx->info.firstHiddenContainer)
        return FSA_STS_NO_HIDDEN_NUMBER;

    FsaRemovalRecord release;
    FsaOk(FsaPrepareCtrForRemoval(ctx, b, 0, 0, &release));
    const std::uint32_t hidden = CT_GetNextFreeContainer(ctx, 1, localOnly);
    const bool w2k = FsaTopMostOsType(ctx) == kOsW2K;
    if (const FSA_STATUS moved = CT_MoveContainerChecked(ctx, b, hidden);
        moved != FSA_STS_SUCCESS) {
        moveBack(ctx, hidden, b, release);
        throw moved;
    }
    try {
        if (PCK_HasNoHostDriver(ctx)) {
            CT_MakeSnapshot(ctx, s, b, hidden, chunk, sparse, 0);
        } else {
            if (w2k)
                FsaOk(FsaCtrRemovalComplete(ctx, b, 0, std::move(release)));
            const FAOS_COW_INFO cow{sparse, chunk, hidden,
                                    op == FSA_SNAP_CREATE_FULL_HOST ||
                                        op == FSA_SNAP_CREATE_SPARSE_HOST};
            faos_TakeContainerSnapshot(ctx, FAOS_SNAPSHOT_COW, &cow, 0, &source, backingTag);
        }
    } catch (FSA_STATUS) {
        moveBack(ctx, hidden, b, release);
        throw;
    }
    if (!w2k)
        FsaOk(FsaCtrRemovalComplete(ctx, b, 1, std::move(release)));
    if (info) {
        const Record r = readRecord(ctx, s);
        auto* ids = reinterpret_cast<tag_FSA_CONTAINER*>(info->words);
        CT_GetStandardID(ctx, &ids[0], r.number(ctr::kSnapshotA));
        CT_GetStandardID(ctx, &ids[1], r.number(ctr::kHiddenBacking));
    }
    return FSA_STS_SUCCESS;
}

FSA_STATUS remove(FSAAPI_CONTEXT* ctx, FSA_SNAPSHOT_OPERATION op, std::uint32_t n) {
    if (!snapshotAccess(ctx->access))
        return FSA_STS_NEEDS_READ_WRITE;
    PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x8000));
    if (op == FSA_SNAP_REMOVE)
        PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x40));
    const Record r = readRecord(ctx, n);
    PCK_ThrowIfContainerIs(ctx, r.number(ctr::kSnapshotA), CT_STATES(0, 0x40000000));
    PCK_ThrowIfContainerIs(ctx, r.number(ctr::kHiddenBacking), CT_STATES(0, 0x40000000));
    const std::uint32_t visible = r.number(ctr::kVisibleBacking);
    FsaRemovalRecord release;
    bool released = true;
    try {
        FsaOk(FsaPrepareCtrForRemoval(ctx, visible, 1, 0, &release));
    } catch (FSA_STATUS refused) {
        if (op != FSA_SNAP_REMOVE_FORCED)
            throw;
        try {
            FsaOk(FsaPrepareCtrForRemoval(ctx, visible, 0, 1, &release));
        } catch (FSA_STATUS) {
            if (!r.byte(ctr::kHostHeldByte))
                throw;
            released = false; // the host keeps it; nothing to complete
        }
        (void)refused;
    }
    CT_RemoveSnapshot(ctx, r.number(ctr::kSnapshot));
    CT_MoveContainer(ctx, r.number(ctr::kHiddenBacking), visible);
    CT_ClearFileSystem(ctx, visible, 1);
    if (released)
        FsaOk(FsaCtrRemovalComplete(ctx, visible, 1, std::move(release)));
    return FSA_STS_SUCCESS;
}

FSA_STATUS sizes(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_SNAPSHOT_INFO* info,
                 unsigned int chunkBytes) {
    const std::uint64_t sourceBlocks = blocksOf(ctx, n);
    const std::uint32_t chunk = chunkBytes / 512;
    if (!chunk)
        return FSA_STS_BAD_CHUNK_SIZE;
    const std::uint64_t fullBlocks = fullBackingBlocks(sourceBlocks, chunk);
    if (fullBlocks > UINT64_MAX / 512)
        return FSA_STS_BAD_ARGUMENTS; // the byte count would not fit the record
    const std::uint64_t full = fullBlocks * 512;
    std::memcpy(&info->words[0], &kMinSparseBackingBytes, 8);
    std::memcpy(&info->words[2], &full, 8);
    info->words[4] = minimumChunkBlocks(sourceBlocks) * 512;
    return FSA_STS_SUCCESS;
}

FSA_STATUS usage(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_SNAPSHOT_INFO* info) {
    PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0, 0x8000));
    std::uint32_t s[17] = {};
    CT_GetSnapshotInfo(ctx, n, s);
    if (!s[1])
        return FSA_STS_SNAPSHOT_DEAD;
    // Per mille of the snapshot area in use; an empty area reports 0.
    const std::uint32_t used =
        s[3] ? static_cast<std::uint32_t>(std::uint64_t{s[4]} * 1000 / s[3]) : 0;
    const std::uint32_t words[10] = {
        s[2], used, s[6] + s[7] + s[8], s[9], s[10] + s[11], s[12], s[13], s[14], s[15], s[16]};
    std::memcpy(info->words, words, sizeof words);
    return FSA_STS_SUCCESS;
}

// Calls `plain` on every adapter of the context's table, own adapter first.
template <class Plain> FSA_STATUS forEveryAdapter(void* handle, Plain&& plain) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    for (std::uint32_t i = 0; i < ctx->adapterCount && i < 16; ++i) {
        const FSA_STATUS s = plain(UtilHandleFromValue(ctx->adapters[i].handle));
        if (s != FSA_STS_SUCCESS)
            return s;
    }
    return FSA_STS_SUCCESS;
}

} // namespace

extern "C" {

FSA_STATUS FsaSnapshot(void* handle, FSA_SNAPSHOT_OPERATION op, const tag_FSA_CONTAINER* source,
                       const tag_FSA_CONTAINER* backing, FSA_SNAPSHOT_INFO* info,
                       unsigned int chunkBytes) {
    return FsaOpsCall(handle, kReadGuards, source, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (partner)
            return FsaSnapshot(partner, op, source, backing, info, chunkBytes);
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkSnapshot();
        if (!source)
            return FSA_STS_BAD_ARGUMENTS;
        const std::uint32_t n = source->containerNumber;
        switch (op) {
        case FSA_SNAP_CREATE_FULL:
        case FSA_SNAP_CREATE_SPARSE:
        case FSA_SNAP_CREATE_FULL_HOST:
        case FSA_SNAP_CREATE_SPARSE_HOST:
            return create(ctx, handle, op, *source, backing, info, chunkBytes);
        case FSA_SNAP_REMOVE:
        case FSA_SNAP_REMOVE_FORCED:
            return remove(ctx, op, n);
        case FSA_SNAP_GET_SIZES:
            return info ? sizes(ctx, n, info, chunkBytes) : FSA_STS_BAD_ARGUMENTS;
        case FSA_SNAP_GET_INFO:
            return info ? usage(ctx, n, info) : FSA_STS_BAD_ARGUMENTS;
        }
        return FSA_STS_BAD_OPERATION;
    });
}

FSA_STATUS FsaHasUnconfigSnapshotBuffers(void* handle, int* present) {
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!present)
            return FSA_STS_BAD_ARGUMENTS;
        CT_GetUnusedSSSpace(ctx, present);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaHasUnconfigSnapshotBuffersEx(void* handle, int* present) {
    if (!present)
        return FSA_STS_BAD_ARGUMENTS;
    *present = 0;
    return forEveryAdapter(handle, [&](void* h) {
        int here = 0;
        const FSA_STATUS s = FsaHasUnconfigSnapshotBuffers(h, &here);
        *present |= here;
        return s;
    });
}

FSA_STATUS FsaFreeUnconfigSnapshotBuffers(void* handle) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        CT_ClearSSSpace(ctx);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaFreeUnconfigSnapshotBuffersEx(void* handle) {
    return forEveryAdapter(handle, [](void* h) { return FsaFreeUnconfigSnapshotBuffers(h); });
}
}
