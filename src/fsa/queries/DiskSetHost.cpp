// Disk sets seen across the local adapters: host information for every
// adapter, the adapter that holds a set, and the change events.
#include "DiskSetChannel.h"
#include "DiskSetEnum.h"
#include "DiskSetRecords.h"
#include "Frame.h"
#include "FsaApi.h"
#include "FsaStatus.h"
#include "OsLayer.h"
#include "OsPort.h"
#include "ScsiCommands.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kDiskSetEvent = 0x400000;
constexpr std::uint32_t kChangeStarts = 13;
constexpr std::uint32_t kChangeEnds = 14;
constexpr unsigned kHostInfoPauseMs = 3000;
constexpr int kOpenAttempts = 20;
constexpr unsigned kOpenRetryMs = 500;

struct HOST_INFO_RECORD {
    char host[64];
    char adapter[64];
};
static_assert(sizeof(HOST_INFO_RECORD) == 128, "the host information is 128 bytes");

// The names of the adapters of this host.
std::vector<std::string> localAdapters() {
    std::vector<std::string> names;
    _tagFSA_ADAPTER_ENUM_INFO info;
    for (int i = faos_GetAdapterInfo(0, &info); i >= 0 && i <= 15;
         i = faos_GetAdapterInfo(static_cast<unsigned>(i) + 1, &info))
        names.push_back(faux_DeviceNamePrefix() + std::to_string(i));
    return names;
}

void* openAdapter(const std::string& name, FSA_ACCESS access, int attempts) {
    for (int i = 0; i < attempts; ++i) {
        void* handle = nullptr;
        if (FsaOpenAdapter2(name.c_str(), nullptr, 4944, access, FSA_CONNECTION_LOCAL, nullptr,
                            nullptr, &handle, nullptr) == FSA_STS_SUCCESS)
            return handle;
        if (i + 1 < attempts)
            fsa::sleepMs(kOpenRetryMs);
    }
    return nullptr;
}

// Command 256 to every local adapter; whether all took it.
bool sendHostInfo(const char* host) {
    bool ok = true;
    for (const std::string& name : localAdapters()) {
        void* handle = openAdapter(name, FSA_ACC_READ_ONLY, 1);
        const FsaContextHold ctx = UtilGetContextFromHandle(handle);
        if (!ctx) {
            ok = false;
            continue;
        }
        HOST_INFO_RECORD r{};
        std::strncpy(r.host, host, sizeof r.host - 1);
        std::strncpy(r.adapter, name.c_str(), sizeof r.adapter - 1);
        ok =
            DS_SendReceiveFIB(ctx, CL_HOST_INFO, &r, sizeof r, nullptr, 0) == FSA_STS_SUCCESS && ok;
        FsaCloseAdapter(handle);
    }
    return ok;
}

FSA_STATUS changeEvent(void* handle, std::uint32_t what) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        FSA_EVENT_DETAILS details{};
        details.words[8] = what;
        details.words[9] = FsaAdapterSerial(ctx);
        return FsaSendAifEvent(handle, kDiskSetEvent, &details);
    });
}

} // namespace

int DS_SendHostInfoToAdapter(const char* name, std::size_t length) {
    if (!name || length >= sizeof(HOST_INFO_RECORD::host) || std::strlen(name) != length)
        return 0;
    sendHostInfo("");
    fsa::sleepMs(kHostInfoPauseMs);
    return sendHostInfo(name) ? 1 : 0;
}

extern "C" {

int FsaSendHostInfoToAdapters() {
    FA_WCHAR wide[52] = {};
    unsigned int capacity = 51;
    faos_GetHostName(wide, &capacity);
    char host[52] = {};
    for (int i = 0; i < 51 && wide[i]; ++i)
        host[i] = static_cast<char>(wide[i]);
    return DS_SendHostInfoToAdapter(host, std::strlen(host));
}

FSA_STATUS FsaSendAifDSStartEvent(void* handle) {
    return changeEvent(handle, kChangeStarts);
}

FSA_STATUS FsaSendAifDSFinishEvent(void* handle) {
    return changeEvent(handle, kChangeEnds);
}

FSA_STATUS FsaGetAdapterNamebyDiskSet(FSA_DISK_SET* set, void** handleOut, char* name) {
    if (!set || !handleOut || !name)
        return FSA_STS_BAD_ARGUMENTS;
    std::vector<std::pair<std::string, void*>> holders;
    for (const std::string& adapter : localAdapters()) {
        void* handle = openAdapter(adapter, FSA_RZC_CLUSTER_MANAGER, kOpenAttempts);
        const FsaContextHold ctx = UtilGetContextFromHandle(handle);
        if (!ctx)
            continue;
        FSA_DISK_SET_INFO info;
        if (DS_FindDiskSet(ctx, set) == FSA_STS_SUCCESS &&
            DS_GetDiskSetInfo(ctx, set, &info) == FSA_STS_SUCCESS &&
            info.words[FSA_DSI_STATE] == FSA_DSS_HELD)
            holders.emplace_back(adapter, handle);
        else
            FsaCloseAdapter(handle);
    }
    if (holders.size() != 1) {
        for (auto& h : holders)
            FsaCloseAdapter(h.second);
        return holders.empty() ? FSA_STS_NO_ADAPTER : FSA_STS_DS_ON_MANY_ADAPTERS;
    }
    std::memset(name, 0, 16);
    std::strncpy(name, holders[0].first.c_str(), 15);
    *handleOut = holders[0].second;
    return FSA_STS_SUCCESS;
}
}
