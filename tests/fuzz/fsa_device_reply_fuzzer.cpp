// Drive replies are controller input: whatever device data, capacities, mode
// pages and defect lists the controller answers, the drive queries must stay
// inside their records and the caller's buffers.
#include "Context.h"
#include "FsaApi.h"
#include "HandleTable.h"
#include "OsSync.h"
#include "fsa_replay_port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fsafuzz::ReplayPort port(data, size);
    fsa::setOsPort(&port);
    FAUX_COMM_CONTEXT channel;
    channel.fd = 3;
    FSAAPI_CONTEXT ctx;
    ctx.channel = &channel;
    ctx.wrapperMutex = faos_CreateMutex(nullptr);
    void* handle = UtilCreateHandle(&ctx);
    FSA_STORAGE_DEVICE_INFO info;
    FsaGetStorageDeviceInfo(handle, 1, nullptr, &info);
    FSA_SMART_DATA smart;
    FsaGetSmartDeviceInfo(handle, 1, nullptr, &smart);
    const FSA_STORAGE_DEVICE device{};
    std::uint32_t count = 0;
    FSA_DISK_DEFECT entries[20];
    FsaGetDiskDefects(handle, &device, 1, &count, entries, 20);
    FsaEnumChannels(handle, nullptr, [](std::uint32_t, const _tagFSA_CHANNEL_ENUM_INFO*, void*) {});
    UtilDeleteHandle(handle);
    faos_DestroyMutex(ctx.wrapperMutex);
    ctx.wrapperMutex = nullptr;
    ctx.channel = nullptr;
    fsa::setOsPort(nullptr);
    return 0;
}
