// Changing a drive's SMART settings: FsaSetSmartDeviceInfo,
// FsaClearSmartDevice, FsaUpdateSmartDevice.

#include "CtWrappers.h"
#include "DeviceAccess.h"
#include "Frame.h"
#include "HandleTable.h"
#include "ScsiCommands.h"
#include "SmartPage.h"
#include "Stubs.h"

#include <cstring>
#include <initializer_list>

namespace {

// A field the caller may change only when the drive says it is changeable.
struct Guard {
    std::uint32_t FSA_SMART_DATA::*value;
    std::uint32_t FSA_SMART_DATA::*changeable;
    FSA_STATUS status;
};

const Guard kGuards[] = {
    {&FSA_SMART_DATA::dexcpt, &FSA_SMART_DATA::dexcptChangeable, FSA_STS_SMART_DEXCPT_FIXED},
    {&FSA_SMART_DATA::logErr, &FSA_SMART_DATA::logErrChangeable, FSA_STS_SMART_LOG_ERR_FIXED},
    {&FSA_SMART_DATA::perf, &FSA_SMART_DATA::perfChangeable, FSA_STS_SMART_PERF_FIXED},
    {&FSA_SMART_DATA::intervalTimer, &FSA_SMART_DATA::intervalTimerChangeable,
     FSA_STS_SMART_INTERVAL_FIXED},
    {&FSA_SMART_DATA::test, &FSA_SMART_DATA::testChangeable, FSA_STS_SMART_TEST_FIXED},
    {&FSA_SMART_DATA::reportCount, &FSA_SMART_DATA::reportCountChangeable,
     FSA_STS_SMART_REPORT_COUNT_FIXED},
};

bool refused(const FSA_SMART_DATA& want, const FSA_SMART_DATA& cur,
             std::uint32_t FSA_SMART_DATA::*v, std::uint32_t FSA_SMART_DATA::*c) {
    return want.*v != cur.*v && cur.*c == 0;
}

FSA_STATUS checkRequest(const FSA_SMART_DATA& want, const FSA_SMART_DATA& cur) {
    if (refused(want, cur, &FSA_SMART_DATA::mrie, &FSA_SMART_DATA::mrieChangeable))
        return FSA_STS_SMART_MRIE_UNSUPPORTED;
    if (want.mrie > 6 || want.mrie == 1)
        return FSA_STS_BAD_MRIE;
    for (const Guard& g : kGuards)
        if (refused(want, cur, g.value, g.changeable))
            return g.status;
    return FSA_STS_SUCCESS;
}

void putBigEndian(std::uint8_t* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

void setBit(std::uint8_t* byte, unsigned bit, std::uint32_t on) {
    *byte = static_cast<std::uint8_t>(on ? *byte | 1u << bit : *byte & ~(1u << bit));
}

// Sense the page, change the requested fields, select it back (saved, then current).
void writePage(FSAAPI_CONTEXT* ctx, int id, const FSA_SMART_DATA& want) {
    std::uint8_t sensed[SMART_PAGE_BLOCK];
    SMART_SensePage(ctx, id, 0, sensed, 1);
    sensed[12] = static_cast<std::uint8_t>((sensed[12] & 0xF0) | (want.mrie & 15));
    setBit(&sensed[11], 0, want.logErr);
    setBit(&sensed[11], 2, want.test);
    setBit(&sensed[11], 3, want.dexcpt);
    setBit(&sensed[11], 7, want.perf);
    putBigEndian(sensed + 13, want.intervalTimer);
    putBigEndian(sensed + 17, want.reportCount);

    std::uint8_t select[SMART_PAGE_BLOCK] = {};
    select[8] = 12;
    select[10] = 0x1C;
    select[11] = 10;
    std::memcpy(select + 12, sensed + 11, 10);
    for (std::uint8_t first : {0xDC, 0x1C}) {
        select[0] = first;
        std::uint8_t block[SMART_PAGE_BLOCK];
        std::memcpy(block, select, sizeof block);
        SCSI_sendfib(ctx, id, SCSI_OP_MODE_SELECT, block, sizeof block, 1);
    }
}

bool took(const FSA_SMART_DATA& want, const FSA_SMART_DATA& now) {
    auto flag = [](std::uint32_t v) { return v != 0; };
    return now.mrie == want.mrie && now.intervalTimer == want.intervalTimer &&
           now.reportCount == want.reportCount && flag(now.dexcpt) == flag(want.dexcpt) &&
           flag(now.logErr) == flag(want.logErr) && flag(now.perf) == flag(want.perf);
}

FSA_STATUS setLocal(FSAAPI_CONTEXT* ctx, int next, const FSA_STORAGE_DEVICE* device,
                    FSA_SMART_DATA* smart) {
    int id = -1;
    if (const FSA_STATUS s = FsaResolveDrive(ctx, next, device, &id); s != FSA_STS_SUCCESS)
        return s;
    if (CT_GetSliceFromDriveHandle(ctx, id, 0, nullptr) < 0)
        return FSA_STS_DEVICE_NOT_FOUND;
    SCSI_GetStandardID(ctx, &smart->device, id);
    FSA_SMART_DATA cur;
    SMART_Read(ctx, id, 0, &cur);
    smart->smartSupported = cur.smartSupported;
    if (!cur.smartSupported)
        return FSA_STS_NO_SMART;
    if (const FSA_STATUS s = checkRequest(*smart, cur); s != FSA_STS_SUCCESS)
        return s;
    writePage(ctx, id, *smart);
    SMART_SendChangeEvent(ctx, id);
    FSA_SMART_DATA now;
    SMART_Read(ctx, id, 0, &now);
    return took(*smart, now) ? FSA_STS_SUCCESS : FSA_STS_SMART_SET_FAILED;
}

// The drive's SMART settings must read before it is changed.
FSA_STATUS readable(void* handle, const FSA_STORAGE_DEVICE* device, FSA_SMART_DATA* smart) {
    return FsaGetSmartDeviceInfo(handle, 0, device, smart);
}

} // namespace

extern "C" {

FSA_STATUS FsaSetSmartDeviceInfo(void* handle, int next, const FSA_STORAGE_DEVICE* device,
                                 FSA_SMART_DATA* smart) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite}, [&](FSAAPI_CONTEXT* ctx) {
        if (!smart)
            return FSA_STS_BAD_ARGUMENTS;
        FSA_STORAGE_DEVICE mapped;
        if (const std::uint32_t other = ScsiAdapterHandle(ctx, device, &mapped)) {
            const FSA_STATUS s =
                FsaSetSmartDeviceInfo(UtilHandleFromValue(other), next, &mapped, smart);
            FsaPartnerBusToLocal(ctx, &smart->device);
            return s;
        }
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return NetworkSetSmartDeviceInfo(ctx);
        return setLocal(ctx, next, device, smart);
    });
}

FSA_STATUS FsaClearSmartDevice(void* handle, const FSA_STORAGE_DEVICE* device) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite}, [&](FSAAPI_CONTEXT* ctx) {
        FSA_STORAGE_DEVICE mapped;
        if (const std::uint32_t other = ScsiAdapterHandle(ctx, device, &mapped))
            return FsaClearSmartDevice(UtilHandleFromValue(other), &mapped);
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return NetworkClearSmartDevice(ctx);
        FSA_SMART_DATA smart;
        if (const FSA_STATUS s = readable(handle, device, &smart); s != FSA_STS_SUCCESS)
            return s;
        const int id = SCSI_DriveId(ctx, device);
        std::uint32_t clear = 1;
        SCSI_sendfib(ctx, id, SCSI_OP_SMART_CLEAR, &clear, sizeof clear, 1);
        SMART_SendChangeEvent(ctx, id);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaUpdateSmartDevice(void* handle, const FSA_STORAGE_DEVICE* device) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        FSA_STORAGE_DEVICE mapped;
        if (const std::uint32_t other = ScsiAdapterHandle(ctx, device, &mapped))
            return FsaUpdateSmartDevice(UtilHandleFromValue(other), &mapped);
        FSA_SMART_DATA smart;
        if (const FSA_STATUS s = readable(handle, device, &smart); s != FSA_STS_SUCCESS)
            throw s;
        if (!smart.smartSupported)
            return FSA_STS_NO_SMART;
        if (smart.mrie != 6)
            return FSA_STS_SMART_MRIE_NOT_6;
        const int id = SCSI_DriveId(ctx, device);
        std::uint32_t update[2] = {7, 0};
        SCSI_sendfib(ctx, id, SCSI_OP_SMART_UPDATE, update, sizeof update, 1);
        SMART_SendChangeEvent(ctx, id);
        return FSA_STS_SUCCESS;
    });
}
}
