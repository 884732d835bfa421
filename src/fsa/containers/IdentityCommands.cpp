#include "IdentityCommands.h"

#include "ContainerCaches.h"
#include "CtChannel.h"
#include "Frame.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"

#include <cstring>

namespace {

constexpr std::uint32_t kParToUid = 167;
constexpr std::uint32_t kCidToUid = 165;

// The level at which element `e` of this adapter answers for container n,
// or -1.
int uidLevel(const Pce& e, std::uint32_t n) {
    const Partition& p = e.partition;
    if (par::l0Number(p) == n)
        return 0;
    const std::uint8_t second = par::u8(p, par::kRef59);
    if (second != par::u8(p, par::kRef58) && second == n)
        return 2;
    const std::uint8_t ownerA = par::u8(p, par::kRef58);
    const std::uint8_t ownerB = par::u8(p, par::kRef59);
    if (ownerA != ownerB && ((par::u8(p, par::kSnapA) == n && ownerA == par::l0Number(p)) ||
                             (par::u8(p, par::kSnapB) == n && ownerB == par::l0Number(p))))
        return 2;
    return -1;
}

} // namespace

FSA_STATUS CT_GetContainerUIDFromPartition(FSAAPI_CONTEXT* ctx, const Partition* p,
                                           std::uint32_t* uid, std::uint32_t level) {
    return CT_SendReceiveFIB(ctx, kParToUid, &level, uid, nullptr, p, sizeof *p, nullptr, 0, 0);
}

FSA_STATUS CT_GetContainerSerialNumber(void* handle, std::uint32_t n, std::uint32_t* uid) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        std::uint32_t w0 = n;
        const FSA_STATUS s =
            CT_SendReceiveFIB(ctx, kCidToUid, &w0, uid, nullptr, nullptr, 0, nullptr, 0, 0);
        if (s != FSA_STS_SUCCESS)
            return s;
        return w0 == 12 || w0 == 194 ? FSA_STS_CONTAINER_NOT_FOUND : FSA_STS_SUCCESS;
    });
}

bool CTGetUid(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t* uid) {
    *uid = 0;
    if (CT_GetContainerSerialNumber(UtilHandleFromValue(ctx->handle), n, uid) == FSA_STS_SUCCESS)
        return true;
    *uid = 0;
    const std::uint32_t own = FsaAdapterSerial(ctx);
    return CT_WithCache(ctx, [&](const PceList& list) {
        for (const Pce& e : list) {
            if (par::serial(e.partition) != own)
                continue;
            const int level = uidLevel(e, n);
            if (level >= 0)
                return CT_GetContainerUIDFromPartition(ctx, &e.partition, uid,
                                                       static_cast<std::uint32_t>(level)) ==
                       FSA_STS_SUCCESS;
        }
        return false;
    });
}

FSA_STATUS CT_SetName(FSAAPI_CONTEXT* ctx, std::uint32_t n, const char* label16) {
    std::uint32_t w1 = 0;
    const FSA_STATUS s = CT_SendReceiveFIB(ctx, 131, &n, &w1, nullptr, label16, 16, nullptr, 0, 1);
    return n != 218 ? FSA_STS_SET_LABEL_FAILED : s;
}

FSA_STATUS CT_SetNameText(FSAAPI_CONTEXT* ctx, std::uint32_t n, const char* text) {
    char label[16] = {};
    std::memcpy(label, text, strnlen(text, sizeof label));
    return CT_SetName(ctx, n, label);
}

FSA_STATUS CT_GetName(FSAAPI_CONTEXT* ctx, std::uint32_t n, char* label16) {
    std::uint32_t w1 = 0;
    const FSA_STATUS s = CT_SendReceiveFIB(ctx, 130, &n, &w1, nullptr, nullptr, 0, label16, 16, 1);
    return n != 218 ? FSA_STS_GET_LABEL_FAILED : s;
}
