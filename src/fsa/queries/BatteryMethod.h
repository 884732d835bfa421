#pragma once

// Battery registers are read and written as SCSI requests of method 3,
// whose sub-operation word carries the register code.

#include "Context.h"
#include "ScsiCommands.h"

constexpr std::uint32_t SCSI_BATTERY_METHOD = 3;

inline FSA_STATUS SCSI_BatteryRequest(FSAAPI_CONTEXT* ctx, std::uint32_t registerCode, void* data,
                                      int length) {
    return SCSI_sendfibMethod(ctx, SCSI_BATTERY_METHOD, 0, registerCode, data, length, 0);
}

// Adapters of type 18 with feature bit 0x200 carry a smart battery.
inline bool FsaHasSmartBattery(const FSAAPI_CONTEXT* ctx) {
    return ctx->info.adapterType == 18 && (ctx->info.adapterOptions & 0x200);
}
