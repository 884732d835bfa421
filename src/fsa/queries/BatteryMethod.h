#pragma once

// Battery registers are read and written as SCSI requests whose
// sub-operation word carries the register code while the context's SCSI
// method id is 3.

#include "Context.h"

class BatteryMethod {
public:
    explicit BatteryMethod(FSAAPI_CONTEXT* ctx) : m_ctx(ctx), m_saved(ctx->scsiMethod) {
        ctx->scsiMethod = 3;
    }
    ~BatteryMethod() { m_ctx->scsiMethod = m_saved; }
    BatteryMethod(const BatteryMethod&) = delete;
    BatteryMethod& operator=(const BatteryMethod&) = delete;

private:
    FSAAPI_CONTEXT* m_ctx;
    std::uint32_t m_saved;
};

// Adapters of type 18 with feature bit 0x200 carry a smart battery.
inline bool FsaHasSmartBattery(const FSAAPI_CONTEXT* ctx) {
    return ctx->info.adapterType == 18 && (ctx->info.adapterOptions & 0x200);
}
