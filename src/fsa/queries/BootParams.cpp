// Named boot parameters kept in the controller's NVRAM slots, and the
// adapter-parameter, serial-number and debug-break exports.
#include "FibSend.h"
#include "Frame.h"
#include "FsaMaintenance.h"
#include "FsaStatus.h"
#include "SmallCommands.h"

#include <cstring>
#include <string>

namespace {

constexpr std::size_t kNameCompared = 120;
constexpr std::size_t kNameBytes = 60;
constexpr std::uint8_t kFreeSlot = 255;
constexpr std::uint16_t kBreakFib = 124;

struct NvParam {
    std::uint8_t index;
    std::uint8_t unused[3];
    std::uint32_t value;
};
static_assert(sizeof(NvParam) == 8, "an NVRAM parameter slot is 8 bytes");

// The parameter's name as the controller reports it (terminated here).
std::string paramName(FSAAPI_CONTEXT* ctx, std::uint32_t index, std::uint32_t* variable) {
    char name[kNameBytes + 1] = {};
    *variable = 0;
    CT_GetParam(ctx, index, variable, name);
    return name;
}

bool sameName(const std::string& a, const char* b) {
    return std::strncmp(a.c_str(), b, kNameCompared) == 0;
}

enum AdapterParameterOperation : std::uint32_t { kSet = 0, kGet = 1, kWriteOnly = 2, kClear = 4 };

bool FsaGetNormalBootParam(FSAAPI_CONTEXT* ctx, const char* name, std::uint32_t* value,
                           std::uint32_t* index) {
    const struct {
        std::uint32_t count;
        std::uint32_t flag;
    } spaces[] = {{CT_CommonParamSize(ctx), 0}, {CT_PlatformParamSize(ctx), 0x80}};
    for (const auto& space : spaces)
        for (std::uint32_t i = 0; i < space.count; ++i) {
            std::uint32_t variable;
            if (!sameName(paramName(ctx, space.flag | i, &variable), name))
                continue;
            std::uint32_t current = 0;
            CT_Get(ctx, variable, &current);
            *value = current;
            *index = space.flag | i;
            return true;
        }
    return false;
}

FSA_STATUS FsaSetNvParam(FSAAPI_CONTEXT* ctx, const char* name, std::uint32_t value) {
    std::uint32_t current, index;
    if (!FsaGetNormalBootParam(ctx, name, &current, &index))
        return FSA_STS_BOOT_PARAM_UNKNOWN;
    const std::uint32_t slots = CT_NvParamSize(ctx);
    for (std::uint32_t slot = 0; slot < slots; ++slot) {
        NvParam p{};
        CT_GetNvParam(ctx, slot, &p);
        if (p.index != kFreeSlot && p.index != static_cast<std::uint8_t>(index))
            continue;
        const NvParam updated{static_cast<std::uint8_t>(index), {}, value};
        CT_SetNvParam(ctx, slot, &updated);
        return FSA_STS_SUCCESS;
    }
    return FSA_STS_BOOT_PARAM_NO_SLOT;
}

FSA_STATUS FsaGetNvParam(FSAAPI_CONTEXT* ctx, const char* name, std::uint32_t* value) {
    std::uint32_t current, index;
    if (!FsaGetNormalBootParam(ctx, name, &current, &index)) {
        *value = 0;
        return FSA_STS_BOOT_PARAM_UNKNOWN;
    }
    // A value kept in a slot overrides the controller's current one.
    const std::uint32_t slots = CT_NvParamSize(ctx);
    for (std::uint32_t slot = 0; slot < slots; ++slot) {
        NvParam p{};
        CT_GetNvParam(ctx, slot, &p);
        std::uint32_t variable;
        if (p.index != kFreeSlot && sameName(paramName(ctx, p.index, &variable), name)) {
            current = p.value;
            break;
        }
    }
    *value = current;
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaClearAllBootParams(FSAAPI_CONTEXT* ctx) {
    const std::uint32_t slots = CT_NvParamSize(ctx);
    const std::uint32_t freeSlot[2] = {0xFFFFFFFF, 0};
    for (std::uint32_t slot = 0; slot < slots; ++slot)
        CT_SetNvParam(ctx, slot, freeSlot);
    return FSA_STS_SUCCESS;
}

} // namespace

extern "C" {

FSA_STATUS FsaAdapterParameters(void* handle, std::uint32_t operation, const char* name,
                                std::uint32_t* value) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (operation > kClear)
            return FSA_STS_BAD_OPERATION;
        if ((operation == kSet || operation == kWriteOnly))
            if (const FSA_STATUS s = FsaCheckAccess(ctx, FsaAccessSet::ReadWrite);
                s != FSA_STS_SUCCESS)
                return s;
        if ((operation == kSet || operation == kGet) && (!name || !value))
            return FSA_STS_BAD_ARGUMENTS;
        switch (operation) {
        case kSet:
            return FsaSetNvParam(ctx, name, *value);
        case kGet:
            return FsaGetNvParam(ctx, name, value);
        case kClear:
            return FsaClearAllBootParams(ctx);
        default:
            return FSA_STS_NOT_IMPLEMENTED;
        }
    });
}

FSA_STATUS FsaControllerSerialNumber(void* handle, std::uint32_t operation, std::uint32_t* word0,
                                     std::uint32_t* word1) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite}, [&](FSAAPI_CONTEXT* ctx) {
        if (!word0 || !word1)
            return FSA_STS_BAD_ARGUMENTS;
        std::uint32_t serial[2] = {*word0, *word1};
        FSA_STATUS s = FSA_STS_NOT_IMPLEMENTED;
        if (operation == 1)
            s = CT_SetSerialNumber(ctx, serial);
        else if (operation == 2)
            s = CT_ResetSerialNumber(ctx, serial);
        *word0 = serial[0];
        *word1 = serial[1];
        return s;
    });
}

FSA_STATUS FsaSetPanicOnTakeABreak(void* handle, std::uint32_t mode) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite}, [&](FSAAPI_CONTEXT* ctx) {
        if (ctx->simulatorKind == 1)
            return FSA_STS_SUCCESS;
        if (mode != 3)
            return CT_SetPanicOnTakeABreak(ctx, mode != 0);
        _FIB fib;
        FsaInitRequestFib(&fib, kBreakFib, 0);
        return FsaInternalSendReceiveFib(ctx, &fib, 0);
    });
}
}
