// Reading a drive's SMART settings: FsaGetSmartDeviceInfo.

#include "Aif.h"
#include "CtWrappers.h"
#include "DeviceAccess.h"
#include "Frame.h"
#include "HandleTable.h"
#include "ScsiCommands.h"
#include "SmartPage.h"

#include <cstring>

namespace {

std::uint32_t bigEndian(const std::uint8_t* at) {
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
           at[3];
}

void fillCurrent(const std::uint8_t* page, std::uint32_t counter, FSA_SMART_DATA* s) {
    s->mrie = page[3] & 15;
    s->dexcpt = page[2] >> 3 & 1;
    s->logErr = page[2] & 1;
    s->perf = page[2] >> 7 & 1;
    s->test = page[2] >> 2 & 1;
    s->intervalTimer = bigEndian(page + 4);
    s->reportCount = bigEndian(page + 8);
    s->smartCounter = counter;
}

void fillChangeable(const std::uint8_t* page, FSA_SMART_DATA* s) {
    s->mrieChangeable = (page[3] & 15) != 0;
    s->dexcptChangeable = page[2] >> 3 & 1;
    s->logErrChangeable = page[2] & 1;
    s->perfChangeable = page[2] >> 7 & 1;
    s->testChangeable = page[2] >> 2 & 1;
    s->intervalTimerChangeable = page[4] != 0;
    s->reportCountChangeable = page[8] != 0;
}

FSA_STORAGE_DEVICE deviceOf(int id) {
    FSA_STORAGE_DEVICE d{};
    d.scsi.bus = static_cast<std::uint8_t>(id >> 7 & 63);
    d.scsi.target = static_cast<std::uint8_t>(id & 15);
    d.scsi.lun = static_cast<std::uint8_t>(id >> 4 & 7);
    return d;
}

// Everything but the address is forgotten.
void notSupported(FSA_SMART_DATA* s) {
    const FSA_STORAGE_DEVICE d = s->device;
    std::memset(s, 0, sizeof *s);
    s->device = d;
}

} // namespace

FSA_STATUS SMART_SensePage(FSAAPI_CONTEXT* ctx, int id, unsigned pageControl, std::uint8_t* block,
                           int throwOnError) {
    std::memset(block, 0, SMART_PAGE_BLOCK);
    block[0] = static_cast<std::uint8_t>(0x1C | pageControl << 6);
    block[8] = 12;
    return SCSI_sendfib(ctx, id, SCSI_OP_MODE_SENSE, block, SMART_PAGE_BLOCK, throwOnError);
}

FSA_STATUS SMART_Read(FSAAPI_CONTEXT* ctx, int id, int next, FSA_SMART_DATA* smart) {
    SCSI_DEVICE_DATA data;
    if (!next)
        SCSI_GetDeviceData(ctx, id, &data, 1);
    const FSA_STATUS got = SCSI_GetDeviceData(ctx, id, &data, 0);
    std::memset(smart, 0, sizeof *smart);
    smart->device = got == FSA_STS_SUCCESS ? FsaDeviceFromData(data) : deviceOf(id);
    if (got != FSA_STS_SUCCESS || CT_GetSliceFromDriveHandle(ctx, id, 0, nullptr) < 0)
        return FSA_STS_SUCCESS;
    if (data.type() != 0 || !data.ready())
        return FSA_STS_SUCCESS;
    smart->smartSupported = 1;
    std::uint8_t current[SMART_PAGE_BLOCK];
    SMART_SensePage(ctx, id, 0, current, 1);
    std::uint32_t counter[2] = {};
    std::uint8_t changeable[SMART_PAGE_BLOCK];
    if (SCSI_sendfib(ctx, id, SCSI_OP_SMART_COUNTER, counter, sizeof counter, 0) !=
            FSA_STS_SUCCESS ||
        SMART_SensePage(ctx, id, 1, changeable, 0) != FSA_STS_SUCCESS) {
        notSupported(smart);
        return FSA_STS_SUCCESS;
    }
    fillCurrent(current + SMART_PAGE_AT, counter[0], smart);
    fillChangeable(changeable + SMART_PAGE_AT, smart);
    return FSA_STS_SUCCESS;
}

void SMART_SendChangeEvent(FSAAPI_CONTEXT* ctx, int id) {
    FSA_EVENT_DETAILS details{};
    FSA_STORAGE_DEVICE device;
    SCSI_GetStandardID(ctx, &device, id);
    std::memcpy(details.words, &device, sizeof device);
    details.words[3] = 5;
    AIF_SendEventToAllClients(ctx, 0x100000, &details);
}

extern "C" FSA_STATUS FsaGetSmartDeviceInfo(void* handle, int next,
                                            const FSA_STORAGE_DEVICE* device,
                                            FSA_SMART_DATA* smart) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) -> FSA_STATUS {
        if (!smart)
            return FSA_STS_BAD_ARGUMENTS;
        FSA_STORAGE_DEVICE mapped;
        if (const std::uint32_t other = ScsiAdapterHandle(ctx, device, &mapped)) {
            const FSA_STATUS s =
                FsaGetSmartDeviceInfo(UtilHandleFromValue(other), next, &mapped, smart);
            if (s == FSA_STS_SUCCESS)
                FsaPartnerBusToLocal(ctx, &smart->device);
            return s;
        }
        int id = -1;
        if (const FSA_STATUS s = FsaResolveDrive(ctx, next, device, &id); s != FSA_STS_SUCCESS)
            return s;
        return SMART_Read(ctx, id, next, smart);
    });
}
