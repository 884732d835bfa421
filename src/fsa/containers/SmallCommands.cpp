#include "SmallCommands.h"

#include "Aif.h"
#include "ContainerCaches.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "FsaApi.h"
#include "HandleTable.h"
#include "OsLayer.h"
#include "OsPort.h"
#include "PartitionFields.h"
#include "Trace.h"

#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr std::uint32_t kCtOk = 218;

struct Reply {
    FSA_STATUS channel;
    std::uint32_t w[3];
};

// Sends with the given words; `throwing` lets the channel throw its
// failures.
Reply send(FSAAPI_CONTEXT* ctx, std::uint32_t command, std::uint32_t w0, std::uint32_t w1,
           const void* in, std::uint32_t inLen, void* out, std::uint32_t outLen, int throwing = 1) {
    Reply r{FSA_STS_SUCCESS, {w0, w1, 0}};
    r.channel = CT_SendReceiveFIB(ctx, command, &r.w[0], &r.w[1], &r.w[2], in, inLen, out, outLen,
                                  throwing);
    return r;
}

// The channel's status, or `own` when it passed but the CT status differs.
FSA_STATUS statusOr(const Reply& r, std::uint32_t success, FSA_STATUS own) {
    return r.channel == FSA_STS_SUCCESS && r.w[0] != success ? own : r.channel;
}

// Throws `failure` unless word 0 is `success` (after a trace line).
void expect(const Reply& r, std::uint32_t success, FSA_STATUS failure, bool trace = true) {
    if (r.w[0] == success)
        return;
    if (trace)
        CT_DebugPrintStatus(static_cast<int>(r.w[0]));
    throw failure;
}

} // namespace

FSA_STATUS CT_CacheSize(FSAAPI_CONTEXT* ctx, std::uint32_t w0, std::uint32_t w1) {
    return statusOr(send(ctx, 135, w0, w1, nullptr, 0, nullptr, 0), kCtOk,
                    FSA_STS_WRITE_CACHE_SIZES_FAILED);
}

FSA_STATUS CT_UpdateCacheParms(FSAAPI_CONTEXT* ctx, std::uint32_t, const void* command28) {
    return statusOr(send(ctx, 111, 0, 0, command28, 28, nullptr, 0), 264, FSA_STS_SET_CACHE_FAILED);
}

FSA_STATUS CT_GetGlobalCacheStats(FSAAPI_CONTEXT* ctx, std::uint32_t, std::uint32_t length,
                                  void* out) {
    const Reply r = send(ctx, 112, 0, 0, nullptr, 0, out, length);
    return r.w[0] != kCtOk ? FSA_STS_CACHE_INFO_FAILED : r.channel;
}

FSA_STATUS CT_FlushCache(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    return statusOr(send(ctx, 129, container, 0, nullptr, 0, nullptr, 0), kCtOk,
                    FSA_STS_FLUSH_CACHE_FAILED);
}

FSA_STATUS CT_CacheToss(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t* w1) {
    const Reply r = send(ctx, 132, container, *w1, nullptr, 0, nullptr, 0);
    *w1 = r.w[1];
    return r.w[0] != kCtOk ? FSA_STS_CACHE_RELEASE_FAILED : r.channel;
}

FSA_STATUS CT_GetProfileStruct(FSAAPI_CONTEXT* ctx, void* profile24) {
    return send(ctx, 159, 0, 0, nullptr, 0, profile24, 24).channel;
}

FSA_STATUS CT_SetSerialNumber(FSAAPI_CONTEXT* ctx, const void* serial8) {
    return send(ctx, 118, 226, 0, serial8, 8, nullptr, 0).channel;
}

FSA_STATUS CT_ResetSerialNumber(FSAAPI_CONTEXT* ctx, void* serial8) {
    return send(ctx, 119, 226, 0, nullptr, 0, serial8, 8).channel;
}

void CT_GetAutoFailover(FSAAPI_CONTEXT* ctx, std::uint32_t* on) {
    *on = 0;
    const Reply r = send(ctx, 169, 0, 0, nullptr, 0, nullptr, 0, 0);
    if (r.channel != FSA_STS_SUCCESS || r.w[0] != kCtOk)
        throw FSA_STS_FAILOVER_STATUS_FAILED;
    *on = r.w[1];
}

void CT_UseAutoFailover(FSAAPI_CONTEXT* ctx, std::uint32_t on) {
    const Reply r = send(ctx, 168, on, 0, nullptr, 0, nullptr, 0, 0);
    if (r.channel != FSA_STS_SUCCESS || r.w[0] != kCtOk)
        throw FSA_STS_FAILOVER_ENABLE_FAILED;
}

FSA_STATUS CT_GetUnusedSSSpace(FSAAPI_CONTEXT* ctx, int* space) {
    const Reply r = send(ctx, 176, 0, static_cast<std::uint32_t>(*space), nullptr, 0, nullptr, 0);
    *space = static_cast<int>(r.w[1]);
    return r.channel;
}

FSA_STATUS CT_ClearSSSpace(FSAAPI_CONTEXT* ctx) {
    return send(ctx, 177, 0, 0, nullptr, 0, nullptr, 0).channel;
}

int CT_IsContainerDead(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    const Reply r = send(ctx, 174, container, 0, nullptr, 0, nullptr, 0);
    if (r.w[0] == 335)
        return 1;
    if (r.w[0] == 336)
        return 0;
    throw FSA_STS_CONTAINER_NOT_VALID;
}

bool CT_IsGenerationEqual(const std::uint32_t* a, const std::uint32_t* b) {
    return a[0] == b[0];
}

bool CT_IsGenerationCurrent(FSAAPI_CONTEXT* ctx, const std::uint32_t* generation) {
    std::uint32_t now = 0;
    CT_GetGenerationId(ctx, &now);
    return CT_IsGenerationEqual(&now, generation);
}

std::uint32_t CT_GetContainerUsage(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    if (ctx->connectionType != FSA_CONNECTION_LOCAL)
        throw FSA_STS_NOT_AVAILABLE_ON_OS; // no remote usage query on this platform
    return faos_CtrGetUsage(ctx, container);
}

FSA_STATUS CT_GetPartitionForContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                       int levelZeroOnly, Partition* out, FSA_THROW_MODE mode) {
    // Each level up is a different container; the controller's levels end
    // long before this bound.
    for (int depth = 0; depth < 16; ++depth) {
        cttype record;
        std::uint32_t type = 0;
        if (!CT_GetContainer(ctx, container, &record, &type))
            return FSA_THROW(mode, FSA_STS_CONTAINER_NOT_FOUND);
        std::uint32_t entry = 0;
        for (std::uint32_t i = 0; i < record.memberCount && i < 128 && !entry; ++i)
            entry = record.members[i];
        if (!entry)
            return FSA_THROW(mode, FSA_STS_NO_PARTITION_IN_CONTAINER);
        CT_GetPartitionInMemory(ctx, entry, out);
        if (par::start(*out) || par::l0Type(*out) == 8)
            return FSA_STS_SUCCESS;
        if (levelZeroOnly)
            return FSA_THROW(mode, FSA_STS_NEEDS_SINGLE_LEVEL);
        container = par::l1Number(*out);
        levelZeroOnly = 1;
    }
    return FSA_THROW(mode, FSA_STS_NEEDS_SINGLE_LEVEL);
}

void CT_GetPartsOfBrokenMirror(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t* first,
                               std::uint32_t* second) {
    Partition p;
    CT_GetPartitionForContainer(ctx, container, 0, &p, FSA_THROW_ON_FAILURE);
    if (par::u32(p, 100) != 4)
        throw FSA_STS_MIRROR_NOT_BROKEN;
    const std::uint32_t l0 = par::l0Number(p), l0Partner = par::u16(p, 104);
    const std::uint32_t l1 = par::l1Number(p), l1Partner = par::u16(p, 108);
    if (container == l0 || container == l0Partner) {
        *first = l0;
        *second = l0Partner;
    } else {
        *first = l1;
        *second = l1Partner;
    }
}

FSA_STATUS CheckMContainerValidity(void* handle, const tag_FSA_CONTAINER* members,
                                   std::uint32_t count, std::uint32_t) {
    std::vector<std::uint8_t> buffer(FSA_CONTAINER_INFO_MAX_BYTES);
    auto* info = reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.data());
    std::uint32_t firstType = 0, partitions = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const FSA_STATUS s =
            FsaGetContainerInfo(handle, 0, &members[i], info, FSA_CONTAINER_INFO_MAX_BYTES);
        if (s != FSA_STS_SUCCESS)
            return s;
        if (i == 0)
            firstType = info->type;
        else if (info->type != firstType)
            return FSA_STS_MEMBER_NOT_VALID;
        partitions += info->partitionCount;
    }
    return firstType == 1 && partitions > 48 ? FSA_STS_TOO_MANY_MEMBERS : FSA_STS_SUCCESS;
}

FSA_STATUS CT_Set(FSAAPI_CONTEXT* ctx, std::uint32_t item, std::uint32_t value) {
    return send(ctx, 55, item, value, nullptr, 0, nullptr, 0).channel;
}

FSA_STATUS CT_Get(FSAAPI_CONTEXT* ctx, std::uint32_t item, std::uint32_t* value) {
    const Reply r = send(ctx, 56, item, *value, nullptr, 0, nullptr, 0);
    *value = r.w[1];
    return r.channel;
}

std::uint32_t CT_NvParamSize(FSAAPI_CONTEXT* ctx) {
    return send(ctx, 76, 0, 0, nullptr, 0, nullptr, 0).w[0];
}
std::uint32_t CT_CommonParamSize(FSAAPI_CONTEXT* ctx) {
    return send(ctx, 77, 226, 0, nullptr, 0, nullptr, 0).w[0];
}
std::uint32_t CT_PlatformParamSize(FSAAPI_CONTEXT* ctx) {
    return send(ctx, 78, 226, 0, nullptr, 0, nullptr, 0).w[0];
}

std::uint32_t CT_GetParam(FSAAPI_CONTEXT* ctx, std::uint32_t index, std::uint32_t* w1,
                          char* out60) {
    const Reply r = send(ctx, 75, index, *w1, nullptr, 0, out60, 60);
    *w1 = r.w[1];
    return r.w[0];
}

std::uint32_t CT_GetNvParam(FSAAPI_CONTEXT* ctx, std::uint32_t index, void* param8) {
    return send(ctx, 74, index, 0, nullptr, 0, param8, 8).w[0];
}

void CT_SetNvParam(FSAAPI_CONTEXT* ctx, std::uint32_t index, const void* param8) {
    expect(send(ctx, 79, index, 0, param8, 8, nullptr, 0), 192, FSA_STS_NVRAM_FAILED);
}

void CT_GetNvLogEntry(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b, void* out61) {
    const Reply r = send(ctx, 57, a, b, nullptr, 0, out61, 61);
    if (r.w[0] == 151)
        throw FSA_STS_NVRAM_LOG_NOT_FOUND;
    expect(r, 150, FSA_STS_NVRAM_LOG_FAILED);
}

void CT_SetDead(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t member) {
    expect(send(ctx, 72, container, member, nullptr, 0, nullptr, 0), 190, FSA_STS_SET_DEAD_FAILED,
           false);
}

FSA_STATUS CT_SetPanicOnTakeABreak(FSAAPI_CONTEXT* ctx, int on) {
    return send(ctx, 126, on ? 1 : 0, 0, nullptr, 0, nullptr, 0, 0).channel;
}

FSA_STATUS CT_EnableRaid5(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    return send(ctx, 120, container, 0, nullptr, 0, nullptr, 0).w[0] == 287
               ? FSA_STS_SUCCESS
               : FSA_STS_RAID5_NOT_REENABLED;
}

std::uint64_t CT_GetContainerSize(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    cttype record;
    std::uint32_t type = 0;
    if (!CT_GetContainer(ctx, container, &record, &type))
        throw FSA_STS_CONTAINER_NOT_FOUND;
    const std::uint64_t blocks = std::uint64_t(record.words[1]) << 32 | record.words[0];
    // No container holds 2^55 blocks: such a count is a damaged record, and
    // its byte size would wrap to a small one.
    if (blocks > std::numeric_limits<std::uint64_t>::max() >> 9)
        throw FSA_STS_FAILURE;
    return blocks << 9;
}

void CT_StartContainerVerify(FSAAPI_CONTEXT* ctx, int on) {
    const Reply r = send(ctx, 173, on ? 1 : 0, 0, nullptr, 0, nullptr, 0, 0);
    if (r.channel == FSA_STS_SUCCESS && r.w[0] == 194)
        throw FSA_STS_CONTAINER_NOT_FOUND;
    if (r.channel != FSA_STS_SUCCESS || r.w[0] != kCtOk)
        throw FSA_STS_VERIFY_START_FAILED;
}

int CT_VerifyTaskOn(FSAAPI_CONTEXT* ctx) {
    const Reply r = send(ctx, 175, 0, 0, nullptr, 0, nullptr, 0, 0);
    if (r.channel != FSA_STS_SUCCESS || r.w[0] != kCtOk)
        throw FSA_STS_VERIFY_INFO_FAILED;
    return r.w[1] ? 1 : 0;
}

int CtFindVerifyTask(FSAAPI_CONTEXT* ctx, FSA_TASK_INFO* out) {
    std::memset(out, 0, sizeof *out);
    if (!CT_VerifyTaskOn(ctx))
        return 0;
    constexpr std::uint32_t kVerifyTask = 19;
    std::vector<FSA_TASK_DESCRIPTOR> tasks(29);
    // Five passes, each ended by the first verify task found and a pause:
    // the last pass's record is the one returned.
    for (int pass = 0; pass < 5; ++pass) {
        const std::uint32_t n =
            AIF_GetTaskListForAll(ctx, tasks.data(), static_cast<std::uint32_t>(tasks.size()));
        for (std::uint32_t i = 0; i < n && i < tasks.size(); ++i) {
            FSA_TASK_INFO info{};
            if (FsaGetTaskDetails(UtilHandleFromValue(ctx->handle), tasks[i].taskId, &info) !=
                FSA_STS_SUCCESS)
                continue;
            if (info.descriptor.taskType == kVerifyTask && (info.state == 0 || info.state == 1)) {
                *out = info;
                break;
            }
        }
        fsa::sleepMs(200);
    }
    return 1;
}

FSA_STATUS CT_SrvUpdatePartitionList(void* handle, std::uint32_t* count,
                                     const FSA_PARTITION_CACHE_ELEMENT** list) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    const auto status = static_cast<FSA_STATUS>(CT_UpdateCache(ctx));
    if (status == FSA_STS_SUCCESS) {
        FsaContainerCaches& c = *ctx->containerCaches;
        std::lock_guard<std::recursive_mutex> lock(c.mutex);
        *count = static_cast<std::uint32_t>(c.list.size());
        *list = c.list.data();
    }
    return status;
}
