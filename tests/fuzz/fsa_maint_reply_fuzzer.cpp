// Disk-set, cluster, NVRAM and flash replies are controller input: whatever
// counts and records the controller answers, the library must stay inside
// its records and the caller's buffers.
#include "Context.h"
#include "DiskSetEnum.h"
#include "DiskSetRecords.h"
#include "FlashTransfer.h"
#include "fsa_replay_port.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fsafuzz::ReplayPort port(data, size);
    fsa::setOsPort(&port);
    FAUX_COMM_CONTEXT channel;
    channel.fd = 3;
    FSAAPI_CONTEXT ctx;
    ctx.channel = &channel;
    try {
        FSA_DISK_SET set{};
        FSA_DISK_SET_INFO info;
        DS_GetDiskSetInfo(&ctx, &set, &info);
        std::uint32_t shared = 0;
        DS_GetDriveInfo(&ctx, 5, &info, &shared);
        FSA_DISK_SET sets[DS_MAX_SETS];
        int count = 0;
        DS_GetAllDiskSets(&ctx, sets, DS_MAX_SETS, &count);
        std::uint32_t ids[64];
        std::uint32_t members = 0;
        DS_GetMembers(&ctx, &set, ids, &members);
        std::vector<std::uint8_t> region(1000);
        flashRead(&ctx, false, region.data(), region.size());
        flashCompare(&ctx, true, region.data(), region.size());
    } catch (FSA_STATUS) {
    }
    ctx.channel = nullptr;
    fsa::setOsPort(nullptr);
    return 0;
}
