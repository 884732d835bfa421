#include "ParamChecks.h"

#include "Aif.h"
#include "Context.h"
#include "FsaMaintenance.h"
#include "OsLayer.h"
#include "Trace.h"

#include <algorithm>
#include <cstring>

bool PCK_ScsiDeviceIs(FSAAPI_CONTEXT* ctx, int deviceId, std::uint32_t mask, FSA_THROW_MODE mode) {
    if ((mask & 1) == 0)
        return false;
    FSA_TASK_DESCRIPTOR tasks[AIF_MAX_TASKS];
    if (AIF_GetTaskListForScsi(ctx, static_cast<std::uint32_t>(deviceId), tasks, AIF_MAX_TASKS) ==
        0)
        return false;
    FSA_THROW(mode, FSA_STS_DEVICE_TASK_RUNNING);
    return true;
}

bool PCK_ThrowIfScsiDeviceIs(FSAAPI_CONTEXT* ctx, int deviceId, std::uint32_t mask) {
    return PCK_ScsiDeviceIs(ctx, deviceId, mask, FSA_THROW_ON_FAILURE);
}

int PCK_ValidateChunkSize(FSAAPI_CONTEXT* ctx, std::uint32_t chunk, std::uint64_t size) {
    const FSA_GENERAL_INFO& info = ctx->info;
    // A zero chunk or granularity would divide by zero below: neither fits.
    if (chunk == 0 || info.chunkGranularity == 0 || chunk < info.minChunkSize ||
        chunk > info.maxChunkSize || chunk % info.chunkGranularity != 0) {
        UtilPrintDebugFormatted(
            "PCK_ValidateChunkSize: Chunk size did not match genInfo criteria, chunkSize = %d\n",
            static_cast<int>(chunk));
        throw FSA_STS_BAD_CHUNK_SIZE;
    }
    if (size % chunk != 0) {
        UtilPrintDebugFormatted("PCK_ValidateChunkSize: Chunk size not multiple of size, "
                                "sizeInBlocks=%d, chunk_size=%d\n",
                                static_cast<int>(size), static_cast<int>(chunk));
        throw FSA_STS_BAD_CHUNK_SIZE;
    }
    return 0;
}

FSA_STATUS PCK_ValidateNoFSTaskIsRunning(FSAAPI_CONTEXT* ctx) {
    // The task list of all kinds into 1800 bytes; a failed listing throws.
    constexpr std::uint32_t kRoom = 1800 / sizeof(FSA_TASK_DESCRIPTOR);
    FSA_TASK_DESCRIPTOR tasks[kRoom];
    const std::uint32_t n = AIF_GetTaskListForAll(ctx, tasks, kRoom);
    return n > std::min<std::uint32_t>(kRoom, AIF_MAX_TASKS) ? FSA_STS_BUFFER_TOO_SMALL
                                                             : FSA_STS_SUCCESS;
}

bool PCK_HasNoHostDriver(const FSAAPI_CONTEXT* ctx) {
    return ctx->connectionType == FSA_CONNECTION_LOCAL && ctx->simulatorKind == 1;
}

int PCK_ValidateReadonlyBuffer(const void*, std::uint32_t, FSA_THROW_MODE) {
    return 1;
}

int PCK_ValidateAndZeroBuffer(void* buffer, std::uint32_t size, FSA_THROW_MODE) {
    if (buffer && size)
        std::memset(buffer, 0, size);
    return 1;
}

FSA_STATUS PCK_HostOsStatus(std::uint32_t os) {
    return (os == 2 || os == 7 || os == 8) ? FSA_STATUS(FSA_STS_INVALID_HOST_OS) : FSA_STS_SUCCESS;
}

extern "C" FSA_STATUS FsaValidHostOs() {
    return PCK_HostOsStatus(faos_GetOSType());
}
