// The controller's file-system command (FIB 300) for its NVRAM write cache
// and battery.
#include "Nvram.h"
#include "BatteryMethod.h"
#include "DriverRequests.h"
#include "FibSend.h"
#include "Frame.h"
#include "FsaApi.h"
#include "FsaCache.h"
#include "FsaStatus.h"
#include "ScsiCommands.h"
#include "Trace.h"

#include <cstring>

namespace {

constexpr std::uint32_t kNvramRequestClass = 30;
constexpr std::size_t kNvramRequestBytes = 56;
constexpr std::size_t kNvramReplyWords = 109;
constexpr std::uint32_t kNewBatteryRegister = 0xF0000;
constexpr std::uint32_t kNoReconditioning = 0x200;

enum NvramCommand : std::uint32_t { kReadStatus = 1, kRecondition = 10 };

// Whether orphan raw cache buffers exist (releasing them when asked).
bool orphanRawBuffers(void* handle, int release) {
    return FsaAreThereOphanRawBuffers(handle, release) == FSA_STS_SUCCESS;
}

FSA_STATUS nvramCommand(FSAAPI_CONTEXT* ctx, NvramCommand command, std::uint32_t* reply) {
    std::uint32_t request[kNvramRequestBytes / 4] = {kNvramRequestClass, command};
    FS_SendReceiveFib(ctx, request, sizeof request, reply, 4 * kNvramReplyWords);
    if (reply[0] != 0) {
        UtilPrintDebugFormatted("FsaNvram: Bad response Status = %d\n", static_cast<int>(reply[0]));
        return FSA_STS_NVRAM_BAD_RESPONSE;
    }
    if (reply[1] != 0) {
        UtilPrintDebugFormatted("FsaNvram: Bad NVRAM Command status = %d\n",
                                static_cast<int>(reply[1]));
        return FSA_STS_NVRAM_BAD_COMMAND;
    }
    return FSA_STS_SUCCESS;
}

std::uint32_t batteryState(std::uint32_t controller) {
    switch (controller) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 1;
    default:
        return 0;
    }
}

FSA_STATUS readStatus(FSAAPI_CONTEXT* ctx, void* handle, FSA_NVRAM_INFO* info) {
    const bool orphans = orphanRawBuffers(handle, 0);
    std::uint32_t reply[kNvramReplyWords] = {};
    if (const FSA_STATUS s = nvramCommand(ctx, kReadStatus, reply); s != FSA_STS_SUCCESS)
        return s;
    info->nvramState = orphans ? 2 : reply[2] <= 3 ? reply[2] : 4;
    info->batteryState = batteryState(reply[3]);
    info->word108 = reply[108];
    info->word107 = reply[107];
    return FSA_STS_SUCCESS;
}

FSA_STATUS nvram(FSAAPI_CONTEXT* ctx, void* handle, FSA_NVRAM_OPERATION op, FSA_NVRAM_INFO* info) {
    if (op > FSA_NVRAM_NEW_BATTERY)
        return FSA_STS_BAD_OPERATION;
    if (op != FSA_NVRAM_READ_STATUS)
        if (const FSA_STATUS s = FsaCheckAccess(ctx, FsaAccessSet::ReadWrite); s != FSA_STS_SUCCESS)
            return s;
    std::uint32_t reply[kNvramReplyWords] = {};
    switch (op) {
    case FSA_NVRAM_READ_STATUS:
        return info ? readStatus(ctx, handle, info) : FSA_STS_BAD_ARGUMENTS;
    case FSA_NVRAM_RELEASE_ORPHANS:
        orphanRawBuffers(handle, 1);
        return FSA_STS_SUCCESS;
    case FSA_NVRAM_RECONDITION:
        if (ctx->info.adapterOptions & kNoReconditioning)
            return FSA_STS_RECONDITION_UNSUPPORTED;
        return nvramCommand(ctx, kRecondition, reply);
    default:
        if (FsaHasSmartBattery(ctx))
            return FSA_STS_NEW_BATTERY_UNSUPPORTED;
        if (!info)
            return FSA_STS_BAD_ARGUMENTS;
        return NVRAM_NewBattery(ctx, static_cast<std::uint16_t>(info->newBattery));
    }
}

} // namespace

void FS_SendReceiveFib(FSAAPI_CONTEXT* ctx, const void* request, std::size_t requestLength,
                       void* reply, std::size_t replyLength) {
    _FIB fib;
    if (requestLength > sizeof fib.data || replyLength > sizeof fib.data)
        throw FSA_STS_BAD_ARGUMENTS;
    FsaInitRequestFib(&fib, FIB_NU_FILE_SYSTEM, static_cast<std::uint16_t>(requestLength));
    std::memcpy(fib.data, request, requestLength);
    FsaInternalSendReceiveFib(ctx, &fib, 1);
    std::memcpy(reply, fib.data, replyLength);
}

FSA_STATUS NVRAM_NewBattery(FSAAPI_CONTEXT* ctx, std::uint16_t value) {
    return SCSI_BatteryRequest(ctx, kNewBatteryRegister, &value, sizeof value) == FSA_STS_SUCCESS
               ? FSA_STS_SUCCESS
               : FSA_STS_BATTERY_REPLACE_FAILED;
}

extern "C" {

FSA_STATUS FsaNvram(void* handle, FSA_NVRAM_OPERATION op, FSA_NVRAM_INFO* info) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return FSA_STS_NOT_IMPLEMENTED;
        return nvram(ctx, handle, op, info);
    });
}

FSA_STATUS FsaNvramEx(void* handle, std::uint32_t index, FSA_NVRAM_OPERATION op,
                      FSA_NVRAM_INFO* info) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (index != 0 && ctx->connectionType != FSA_CONNECTION_LOCAL)
            return FSA_STS_NOT_IMPLEMENTED;
        void* indexed = nullptr;
        if (const FSA_STATUS s = FsaGetHandleFromIndex(handle, index, &indexed);
            s != FSA_STS_SUCCESS)
            return s;
        return FsaNvram(indexed, op, info);
    });
}
}
