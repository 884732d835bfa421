#include "CtWrappers.h"

#include "CtChannel.h"
#include "DriverRequests.h"
#include "FibSend.h"
#include "Trace.h"

#include <cstring>

namespace {

// Sends one sub-command (throwing on channel failures) and returns the
// reply's parameter word 0.
std::uint32_t call(FSAAPI_CONTEXT* ctx, std::uint32_t command, std::uint32_t w0 = 0,
                   std::uint32_t* w1 = nullptr, std::uint32_t* w2 = nullptr,
                   const void* in = nullptr, std::uint32_t inLen = 0, void* out = nullptr,
                   std::uint32_t outLen = 0) {
    CT_SendReceiveFIB(ctx, command, &w0, w1, w2, in, inLen, out, outLen, 1);
    return w0;
}

void expect(std::uint32_t ctStatus, std::uint32_t success, FSA_STATUS failure) {
    if (ctStatus == success)
        return;
    CT_DebugPrintStatus(static_cast<int>(ctStatus));
    throw failure;
}

// Channel status of a wrapper that passes throwOnError clear but throws a
// failed exchange itself.
void orThrow(FSA_STATUS status) {
    if (status != FSA_STS_SUCCESS)
        throw status;
}

} // namespace

std::uint32_t CT_GetSliceCount(FSAAPI_CONTEXT* ctx) {
    return call(ctx, 1);
}
std::uint32_t CT_GetPartitionTableSize(FSAAPI_CONTEXT* ctx) {
    return call(ctx, 2);
}

void CT_GetPartitionInMemory(FSAAPI_CONTEXT* ctx, std::uint32_t entry, void* partition) {
    const std::uint8_t zeros[CT_PARTITION_BYTES] = {};
    expect(
        call(ctx, 3, entry, nullptr, nullptr, zeros, sizeof zeros, partition, CT_PARTITION_BYTES),
        68, FSA_STS_PARTITION_ENTRY_FAILED);
}

std::uint32_t CT_GetContainerCount(FSAAPI_CONTEXT* ctx, std::uint32_t* a, std::uint32_t* b) {
    return call(ctx, 4, 0, a, b);
}

FSA_STATUS CT_UpdatePartition(FSAAPI_CONTEXT* ctx, const void* partition) {
    return call(ctx, 8, 0, nullptr, nullptr, partition, CT_PARTITION_BYTES) == 218
               ? FSA_STS_SUCCESS
               : FSA_STS_PARTITION_TABLE_FULL;
}

void CT_ConfigContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    call(ctx, 10, n);
    CT_InvalidateCache(ctx);
}

std::uint32_t CT_GetConfigAge(FSAAPI_CONTEXT* ctx) {
    return call(ctx, 11);
}
void CT_GetGenerationId(FSAAPI_CONTEXT* ctx, std::uint32_t* generation) {
    *generation = CT_GetConfigAge(ctx);
}

FSA_STATUS CT_SetConfigAge(FSAAPI_CONTEXT* ctx, std::uint32_t age) {
    return CT_SendReceiveFIB(ctx, 12, &age, nullptr, nullptr, nullptr, 0, nullptr, 0, 1);
}

FSA_STATUS CT_GetSerialNumber(FSAAPI_CONTEXT* ctx, void* serial8) {
    return CT_SendReceiveFIB(ctx, 13, nullptr, nullptr, nullptr, nullptr, 0, serial8, 8, 1);
}

FSA_STATUS CT_PartitionEntryZero(FSAAPI_CONTEXT* ctx, std::uint32_t entry) {
    const FSA_STATUS s =
        CT_SendReceiveFIB(ctx, 14, &entry, nullptr, nullptr, nullptr, 0, nullptr, 0, 1);
    // The command names no success answer; one of the controller's
    // refusals zeroed nothing.
    if (s == FSA_STS_SUCCESS && CT_IsRefusal(entry)) {
        CT_DebugPrintStatus(static_cast<int>(entry));
        return FSA_STS_FAILURE;
    }
    return s;
}

bool CT_ReadMBR(FSAAPI_CONTEXT* ctx, std::uint32_t slice, void* mbr24) {
    return call(ctx, 15, slice, nullptr, nullptr, nullptr, 0, mbr24, 24) == 132;
}

FSA_STATUS CT_GetPartitionOnDisk(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t index,
                                 void* partition) {
    return CT_SendReceiveFIB(ctx, 16, &slice, nullptr, &index, nullptr, 0, partition,
                             CT_PARTITION_BYTES, 1);
}

std::uint32_t CT_GetSliceSize(FSAAPI_CONTEXT* ctx, std::uint32_t slice) {
    return call(ctx, 19, slice);
}
std::uint32_t CT_ReadLastDrive(FSAAPI_CONTEXT* ctx) {
    return call(ctx, 22);
}

void CT_ReConfig(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    call(ctx, 34, n);
    CT_InvalidateCache(ctx);
}

void CT_GetSliceInfo(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t* a, std::uint32_t* b,
                     std::uint32_t* c, std::uint32_t* d, std::uint32_t* e, std::uint32_t* type) {
    std::uint32_t record[8] = {};
    // The command names no success answer, but a record that came with one
    // of the controller's refusals describes no disk: taken as one, a disk
    // of containers would read as none.
    const std::uint32_t answer =
        call(ctx, 63, slice, nullptr, nullptr, nullptr, 0, record, sizeof record);
    if (CT_IsRefusal(answer)) {
        CT_DebugPrintStatus(static_cast<int>(answer));
        throw FSA_STS_PARTITION_ENTRY_FAILED;
    }
    *a = record[6];
    *b = record[7];
    *c = record[1];
    *d = record[3];
    if (e)
        *e = record[2];
    if (type)
        *type = record[5];
}

std::uint32_t CT_GetScsiMethod(FSAAPI_CONTEXT* ctx) {
    return call(ctx, 64);
}

void CT_ContainerParams(FSAAPI_CONTEXT* ctx, std::uint32_t* params72) {
    expect(call(ctx, 73, 0, nullptr, nullptr, nullptr, 0, params72, 288), 192,
           FSA_STS_CONTAINER_PARAMS_FAILED);
}

void CT_GetPartitionsInMemory(FSAAPI_CONTEXT* ctx, void* out, std::uint32_t bytes) {
    expect(call(ctx, 85, 0, nullptr, nullptr, nullptr, 0, out, bytes), 202,
           FSA_STS_PARTITION_ENTRY_FAILED);
}

void CT_GetDiskPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t slice, void* out,
                          std::uint32_t count) {
    expect(call(ctx, 86, slice, nullptr, nullptr, nullptr, 0, out, count * CT_PARTITION_BYTES), 204,
           FSA_STS_PARTITION_ENTRY_FAILED);
}

void CT_GetMiscStatus(FSAAPI_CONTEXT* ctx, std::uint32_t* misc10) {
    expect(call(ctx, 87, 0, nullptr, nullptr, nullptr, 0, misc10, 40), 205,
           FSA_STS_MISC_STATUS_FAILED);
}

void CT_RemoveSnapshot(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    const std::uint32_t status = call(ctx, 105, n);
    if (status == 234) {
        CT_InvalidateCache(ctx);
        return;
    }
    CT_DebugPrintStatus(static_cast<int>(status));
    throw status == 3 ? FSA_STS_CONTAINER_LOCKED : FSA_STS_REMOVE_SNAPSHOT_FAILED;
}

void CT_WriteUserFlags(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint16_t flags) {
    std::uint32_t w1 = flags;
    expect(call(ctx, 106, n, &w1), 236, FSA_STS_SET_USER_FLAGS_FAILED);
}

void CT_ReadUserFlags(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint16_t* flags) {
    std::uint32_t w1 = 0;
    const std::uint32_t status = call(ctx, 107, n, &w1);
    *flags = static_cast<std::uint16_t>(w1);
    expect(status, 237, FSA_STS_READ_USER_FLAGS_FAILED);
}

void CT_GetSnapshotInfo(FSAAPI_CONTEXT* ctx, std::uint32_t n, void* info68) {
    expect(call(ctx, 110, n, nullptr, nullptr, nullptr, 0, info68, 68), 262,
           FSA_STS_SNAPSHOT_STATS_FAILED);
}

void CT_SetDumpContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    std::uint32_t w1 = 0;
    orThrow(CT_SendReceiveFIB(ctx, 113, &n, &w1, nullptr, nullptr, 0, nullptr, 0, 0));
    if (n != 218)
        throw FSA_STS_SET_DUMP_CONTAINER_FAILED;
}

std::uint32_t CT_TraceStop(FSAAPI_CONTEXT* ctx, void* result16) {
    std::uint32_t w0 = 0;
    std::uint8_t in[16];
    std::memcpy(in, result16, sizeof in);
    orThrow(CT_SendReceiveFIB(ctx, 114, &w0, nullptr, nullptr, in, sizeof in, result16, 16, 0));
    return w0;
}

void CT_ForceDump(FSAAPI_CONTEXT* ctx) {
    if (call(ctx, 117) != 218)
        throw FSA_STS_FORCE_DUMP_FAILED;
}

void CT_ClearValidDumpFlag(FSAAPI_CONTEXT* ctx) {
    orThrow(CT_SendReceiveFIB(ctx, 121, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0));
}

std::uint32_t CT_GetDumpSize(FSAAPI_CONTEXT* ctx) {
    return ((call(ctx, 123) & ~0xFFFFu) + 0x10000u) / 512;
}

void CT_StopDumps(FSAAPI_CONTEXT* ctx) {
    if (call(ctx, 125) != 218)
        throw FSA_STS_STOP_DUMPS_FAILED;
}

std::uint32_t CT_CheckConflicts(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    return call(ctx, 153, n);
}

int CT_GetSliceFromDriveHandle(FSAAPI_CONTEXT* ctx, int drive, int throwFlag, int* isThisDrive) {
    if (isThisDrive)
        *isThisDrive = 0;
    std::uint32_t record[8] = {};
    const std::uint32_t slice = call(ctx, 154, static_cast<std::uint32_t>(drive), nullptr, nullptr,
                                     record, sizeof record, record, sizeof record);
    if (slice == 0xFFFFFFFF) {
        if (throwFlag)
            throw FSA_STS_DEVICE_NOT_FOUND;
        return -1;
    }
    // Callers build partitions and start drive work on this slice: a number
    // outside the adapter's slices is a damaged answer, never a slice to use.
    if (slice >= CT_GetSliceCount(ctx)) {
        UtilPrintDebugFormatted("CT_GetSliceFromDriveHandle: slice %u of drive %d out of range\n",
                                slice, drive);
        if (throwFlag)
            throw FSA_STS_FAILURE;
        return -1;
    }
    if (isThisDrive && record[2] == ctx->scsiMethod &&
        record[3] == static_cast<std::uint32_t>(drive))
        *isThisDrive = record[5] == 7;
    return static_cast<int>(slice);
}

void CT_UpdateEvents(FSAAPI_CONTEXT* ctx) {
    if (ctx->eventsOpened ||
        (ctx->access != FSA_ACC_READ_WRITE && ctx->access != FSA_ACC_LL_READ_WRITE))
        return;
    CT_SendReceiveFIB(ctx, 155, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 1);
    ctx->eventsOpened = true;
}

namespace {

int containerResult(const cttype* out, std::uint32_t type) {
    return out->memberCount != 0 || type == 5 || type == 6;
}

// The older container record (452 bytes) of sub-command 5.
void convertOldRecord(const std::uint8_t* old, cttype* out) {
    std::uint32_t w[36];
    std::memcpy(w, old, sizeof w);
    std::memset(out, 0, sizeof *out);
    out->memberCount = w[0];
    out->words[0] = w[1];
    out->words[1] = 0;
    out->words[2] = w[2];
    out->words[3] = w[35];
    std::memcpy(out->members, &w[3], 32 * 4);
    std::memcpy(out->tail, old + 144, sizeof out->tail);
}

} // namespace

int CT_GetContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n, cttype* out, std::uint32_t* type) {
    std::uint32_t w0 = n;
    FSA_STATUS status =
        CT_SendReceiveFIB(ctx, 178, &w0, nullptr, nullptr, nullptr, 0, out, sizeof *out, 0);
    if (status == FSA_STS_SUCCESS) {
        *type = w0;
        return containerResult(out, *type);
    }
    if (status != FSA_STS_CT_BAD_RESPONSE)
        throw status;
    std::uint8_t old[452];
    w0 = n;
    status = CT_SendReceiveFIB(ctx, 5, &w0, nullptr, nullptr, nullptr, 0, old, sizeof old, 0);
    if (status == FSA_STS_CT_BAD_RESPONSE)
        return 0;
    if (status != FSA_STS_SUCCESS)
        throw status;
    convertOldRecord(old, out);
    *type = w0;
    return containerResult(out, *type);
}

void CT_SetDumpContainerFlag(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    std::uint16_t flags = 0;
    CT_ReadUserFlags(ctx, n, &flags);
    CT_WriteUserFlags(ctx, n, static_cast<std::uint16_t>(flags | 0x0002));
}

void CT_SetDumpActiveFlag(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    std::uint16_t flags = 0;
    CT_ReadUserFlags(ctx, n, &flags);
    CT_WriteUserFlags(ctx, n, static_cast<std::uint16_t>(flags | 0x0004));
}

int CT_MbrExists(FSAAPI_CONTEXT* ctx, int slice) {
    std::uint32_t mbr[6] = {};
    if (!CT_ReadMBR(ctx, static_cast<std::uint32_t>(slice), mbr))
        return 2;
    return mbr[0] == 0x00021956 ? 1 : 0;
}

std::uint32_t CT_GetFsaCtrType(std::uint32_t controllerType) {
    switch (controllerType) {
    case 0:
        return 0;
    case 1:
        return 3;
    case 2:
        return 1;
    case 3:
        return 2;
    case 4:
        return 4;
    case 8:
        return 21;
    default:
        return 22;
    }
}

int CT_GetNameSrvObj(FSAAPI_CONTEXT* ctx, std::uint32_t n, _MNTOBJ* out) {
    constexpr std::uint32_t kRequestedType = 3;
    _FIB fib;
    FsaInitRequestFib(&fib, FIB_CONTAINER_COMMAND, 12);
    FsaSetFibWord(&fib, 0, 1);
    FsaSetFibWord(&fib, 1, kRequestedType);
    FsaSetFibWord(&fib, 2, n);
    FsaInternalSendReceiveFib(ctx, &fib, 1);
    if (FsaFibWord(&fib, 0) != 0) {
        UtilPrintDebugFormatted("CT_GetNameSrvObj: Bad status in response packet\n");
        return 0;
    }
    if (FsaFibWord(&fib, 1) != kRequestedType) {
        UtilPrintDebugFormatted("CT_GetNameSrvObj: Requested type = %u, Received type = %u\n",
                                kRequestedType, FsaFibWord(&fib, 1));
        return 0;
    }
    if (FsaFibWord(&fib, 2) == 0) {
        UtilPrintDebugFormatted("CT_GetNameSrvObj: No objects of type %u returned from adapter\n",
                                kRequestedType);
        return 0;
    }
    std::memcpy(out, fib.data + 12, sizeof *out);
    return 1;
}

int CT_ReadData(FSAAPI_CONTEXT* ctx, void* buffer, std::uint32_t length, std::uint32_t slice,
                std::uint32_t block) {
    std::uint32_t w1 = block;
    return call(ctx, 90, slice, &w1, nullptr, nullptr, 0, buffer, length) == 208 ? 1 : 0;
}

void CT_GetNvram(FSAAPI_CONTEXT* ctx, void* buffer65536) {
    const std::uint32_t status =
        call(ctx, 95, 0, nullptr, nullptr, nullptr, 0, buffer65536, CT_NVRAM_BYTES);
    if (status != 213) {
        FsaUxDbgFilePrintf(FSA_DBG_DEBUG, 2, "-- CT_GetNvram: status %u\n", status);
        throw FSA_STS_NVRAM_FAILED;
    }
}

FSA_STATUS CT_GetMemory(FSAAPI_CONTEXT* ctx, std::uint32_t address, std::uint32_t length,
                        std::uint8_t* out) {
    std::uint32_t w0 = address;
    std::uint32_t w1 = 0;
    const FSA_STATUS status =
        CT_SendReceiveFIB(ctx, 96, &w0, &w1, nullptr, nullptr, 0, out, length, 0);
    if (status != FSA_STS_SUCCESS)
        return status;
    return w0 == 214 ? FSA_STS_SUCCESS : FSA_STS_FAILURE;
}
