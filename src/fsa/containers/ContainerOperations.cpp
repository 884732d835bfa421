#include "ContainerOperations.h"

#include "Aif.h"
#include "ContainerCaches.h"
#include "CtChannel.h"
#include "CtWrappers.h"

#include <cstring>
#include <initializer_list>

namespace {

struct StatusMap {
    std::uint32_t ct;
    FSA_STATUS fsa;
};

// One checked operation: its sub-command, the CT statuses meaning success,
// the mapped failures and the FSA_STATUS for any other, the partitions it
// may add and whether the caches are stale afterwards.
struct Operation {
    std::uint32_t command;
    std::initializer_list<std::uint32_t> success;
    std::initializer_list<StatusMap> failures;
    FSA_STATUS otherwise;
    std::uint32_t newPartitions = 0;
    bool invalidates = false;
};

constexpr std::uint32_t kLocked = 3;
constexpr std::uint32_t kEventFileSystemChanged = 0x80;

// Scrub and check share their mapping pattern: no memory, bad container,
// wrong state.
const std::initializer_list<StatusMap> kScrubFailures{{166, FSA_STS_SCRUB_NO_MEMORY},
                                                      {168, FSA_STS_CONTAINER_NOT_VALID},
                                                      {176, FSA_STS_SCRUB_WRONG_STATE}};
const std::initializer_list<StatusMap> kCheckFailures{{166, FSA_STS_CHECK_NO_MEMORY},
                                                      {168, FSA_STS_CONTAINER_NOT_VALID},
                                                      {176, FSA_STS_CHECK_WRONG_STATE}};
const std::initializer_list<StatusMap> kSplitFailures{{kLocked, FSA_STS_CONTAINER_LOCKED}};

const Operation kScrub{61, {163}, kScrubFailures, FSA_STS_SCRUB_NOT_STARTED};
const Operation kScrub2{67, {163}, kScrubFailures, FSA_STS_SCRUB_NOT_STARTED};
const Operation kCheck{141, {163}, kCheckFailures, FSA_STS_CHECK_NOT_STARTED};
const Operation kCheck2{142, {163}, kCheckFailures, FSA_STS_CHECK_NOT_STARTED};
const Operation kSplit{30, {134}, kSplitFailures, FSA_STS_SPLIT_FAILED, 0, true};
const Operation kSplit2{31, {134}, kSplitFailures, FSA_STS_SPLIT_FAILED, 0, true};
const Operation kSplitBroken{32, {134}, kSplitFailures, FSA_STS_SPLIT_FAILED, 0, true};
const Operation kSplitBroken2{33, {134}, kSplitFailures, FSA_STS_SPLIT_FAILED, 0, true};

void check(FSAAPI_CONTEXT* ctx, const Operation& op, std::uint32_t status) {
    for (std::uint32_t ok : op.success)
        if (status == ok) {
            if (op.invalidates)
                CT_InvalidateCache(ctx);
            return;
        }
    CT_DebugPrintStatus(static_cast<int>(status));
    for (const StatusMap& m : op.failures)
        if (status == m.ct)
            throw m.fsa;
    throw op.otherwise;
}

// Sends the operation (the channel throws its own failures) and checks it.
void run(FSAAPI_CONTEXT* ctx, const Operation& op, std::uint32_t w0, std::uint32_t w1 = 0,
         std::uint32_t w2 = 0, const void* in = nullptr, std::uint32_t inLen = 0,
         void* out = nullptr, std::uint32_t outLen = 0) {
    if (op.newPartitions)
        CT_CheckMaxNumberOfPartitions(ctx, op.newPartitions);
    CT_SendReceiveFIB(ctx, op.command, &w0, &w1, &w2, in, inLen, out, outLen, 1);
    check(ctx, op, w0);
}

// Container 99 stands for the pool: its failover commands carry 0.
std::uint32_t failoverWord(std::uint32_t container) {
    return container == 99 ? 0 : 2;
}

} // namespace

FSA_STATUS CT_WriteMBR(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t entries) {
    std::uint32_t w1 = 0;
    return CT_SendReceiveFIB(ctx, 6, &slice, &w1, &entries, nullptr, 0, nullptr, 0, 1);
}

FSA_STATUS CT_WritePartitionToDisk(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b,
                                   const Partition* p) {
    std::uint32_t w1 = 0;
    return CT_SendReceiveFIB(ctx, 7, &a, &w1, &b, p, sizeof *p, nullptr, 0, 1);
}

void CT_WriteLastDrive(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    CT_SendReceiveFIB(ctx, 23, &n, nullptr, nullptr, nullptr, 0, nullptr, 0, 1);
}

void CT_MoveContainer(FSAAPI_CONTEXT* ctx, std::uint32_t from, std::uint32_t to) {
    static const Operation op{21,
                              {64},
                              {{kLocked, FSA_STS_CONTAINER_LOCKED},
                               {60, FSA_STS_CONTAINER_NOT_FOUND},
                               {61, FSA_STS_CONTAINER_NOT_VALID},
                               {62, FSA_STS_CONTAINER_NOT_FOUND},
                               {63, FSA_STS_CONTAINER_NOT_VALID}},
                              FSA_STS_RENAME_FAILED,
                              0,
                              true};
    run(ctx, op, from, to);
}

FSA_STATUS CT_MoveContainerChecked(FSAAPI_CONTEXT* ctx, std::uint32_t from, std::uint32_t to) {
    try {
        CT_MoveContainer(ctx, from, to);
        return FSA_STS_SUCCESS;
    } catch (FSA_STATUS failed) {
        bool moved = false;
        try {
            moved = CT_CheckConflicts(ctx, to) && !CT_CheckConflicts(ctx, from);
        } catch (FSA_STATUS) {
        }
        if (!moved)
            throw;
        return failed;
    }
}

void CT_DestroyContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t b, int flag) {
    static const Operation op{
        17, {59}, {{kLocked, FSA_STS_CONTAINER_LOCKED}}, FSA_STS_DESTROY_FAILED, 0, true};
    run(ctx, op, container, b, flag ? 2 : 0);
}

void CT_AddLevel(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{98, {216}, {}, FSA_STS_ADD_LEVEL_FAILED, 1, true};
    run(ctx, op, container);
}

void CT_SetMirrorDelay(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t delay) {
    static const Operation op{25, {0}, {{1, FSA_STS_CONTAINER_NOT_VALID}}, FSA_STS_DESTROY_FAILED};
    run(ctx, op, container, delay);
}

void CT_GetContainerDelay(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t* delay) {
    std::uint32_t w1 = 0, w2 = 0;
    CT_SendReceiveFIB(ctx, 58, &container, &w1, &w2, nullptr, 0, nullptr, 0, 1);
    *delay = w1;
}

void CT_ClearFileSystem(FSAAPI_CONTEXT* ctx, std::uint32_t container, int notify) {
    static const Operation op{
        59, {153}, {{154, FSA_STS_CONTAINER_NOT_VALID}}, FSA_STS_ERASE_FILE_SYSTEM_FAILED};
    run(ctx, op, container, 64);
    if (notify)
        AIF_FileSystemChange(ctx, container);
}

void CT_Zero(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{59, {159}, {}, FSA_STS_CLEAR_FAILED};
    run(ctx, op, container, 0xFFFFFFFFu);
    AIF_FileSystemChange(ctx, container);
}

void AIF_FileSystemChange(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    FSA_EVENT_DETAILS details{};
    CT_GetStandardID(ctx, reinterpret_cast<tag_FSA_CONTAINER*>(details.words), container);
    AIF_SendEventToAllClients(ctx, kEventFileSystemChanged, &details);
}

void CT_VolumeAdd(FSAAPI_CONTEXT* ctx, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2) {
    static const Operation op{
        44, {7, 131}, {{kLocked, FSA_STS_CONTAINER_LOCKED}}, FSA_STS_ADD_SPACE_FAILED, 1, true};
    run(ctx, op, w0, w1, w2);
}

void CT_VolumeAdd2(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b) {
    static const Operation op{
        45,
        {7, 131},
        {{kLocked, FSA_STS_CONTAINER_LOCKED}, {2, FSA_STS_NEEDS_LOCKED_CONTAINER}},
        FSA_STS_ADD_SPACE_FAILED,
        0,
        true};
    run(ctx, op, a, b);
}

void CT_GenerateMirror(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b) {
    static const Operation op{
        26, {37}, {{kLocked, FSA_STS_CONTAINER_LOCKED}}, FSA_STS_MIRROR_FAILED, 1, true};
    run(ctx, op, a, b);
}

void CT_GenerateMirror2(FSAAPI_CONTEXT* ctx, const void* mirrorCommand136) {
    std::uint16_t added;
    std::memcpy(&added, static_cast<const std::uint8_t*>(mirrorCommand136) + 2, sizeof added);
    CT_CheckMaxNumberOfPartitions(ctx, added);
    static const Operation op{
        27, {37}, {{kLocked, FSA_STS_CONTAINER_LOCKED}}, FSA_STS_MIRROR_FAILED, 0, true};
    run(ctx, op, 0, 0, 0, mirrorCommand136, 136);
}

void CT_MirrorStatus(FSAAPI_CONTEXT* ctx, std::uint32_t container, void* mirrorStatus44) {
    static const Operation op{46, {66}, {}, FSA_STS_MIRROR_STATUS_FAILED};
    run(ctx, op, container, 0, 0, nullptr, 0, mirrorStatus44, 44);
}

void CT_UnMirror(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{
        24, {89}, {{kLocked, FSA_STS_CONTAINER_LOCKED}}, FSA_STS_UNMIRROR_FAILED, 0, true};
    run(ctx, op, container);
}

void CT_Split(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b) {
    run(ctx, kSplit, a, b, CT_GetFakeSimSignature());
}
void CT_SplitTwo(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b) {
    run(ctx, kSplit2, a, b, CT_GetFakeSimSignature());
}
void CT_SplitBroken(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    run(ctx, kSplitBroken, container);
}
void CT_SplitBrokenTwo(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    run(ctx, kSplitBroken2, container);
}

void CT_AbortMirror(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{54, {146, 147}, {}, FSA_STS_ABORT_MIRROR_FAILED};
    run(ctx, op, container);
}

void CT_AssignFailover(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t b) {
    static const Operation op{41, {82}, {}, FSA_STS_ASSIGN_SPARE_FAILED};
    run(ctx, op, container, b, failoverWord(container));
}

void CT_ClearFailover(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t b) {
    static const Operation op{42, {82}, {}, FSA_STS_ASSIGN_SPARE_FAILED};
    run(ctx, op, container, b, failoverWord(container));
}

void CT_GetFailover(FSAAPI_CONTEXT* ctx, std::uint32_t container, void* failoverSlices260) {
    static const Operation op{43, {86}, {}, FSA_STS_GET_SPARE_FAILED};
    run(ctx, op, container, failoverWord(container), 0, nullptr, 0, failoverSlices260, 260);
}

void CT_MakeReadOnly(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{51, {141}, {}, FSA_STS_MAKE_READ_ONLY_FAILED};
    run(ctx, op, container);
}

void CT_MakeReadWrite(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{52, {141}, {}, FSA_STS_MAKE_READ_WRITE_FAILED};
    run(ctx, op, container);
}

void CT_Promote(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{71,
                              {186},
                              {{187, FSA_STS_PROMOTE_FAILED},
                               {188, FSA_STS_CONTAINER_NOT_FOUND},
                               {189, FSA_STS_BAD_CONTAINER_TYPE}},
                              FSA_STS_PROMOTE_FAILED,
                              1,
                              true};
    run(ctx, op, container);
}

void CT_ScrubContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    run(ctx, kScrub, container);
}
void CT_Scrub2Container(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    run(ctx, kScrub2, container);
}
void CT_CheckContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    run(ctx, kCheck, container);
}
void CT_Check2Container(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    run(ctx, kCheck2, container);
}

void CT_Copy(FSAAPI_CONTEXT* ctx, std::uint32_t from, std::uint32_t to) {
    static const Operation op{48,
                              {24},
                              {{16, FSA_STS_COPY_SIZES_UNFIT}, {17, FSA_STS_COPY_SIZES_UNFIT}},
                              FSA_STS_COPY_FAILED};
    run(ctx, op, from, to);
}

void CT_FlushContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{143, {314}, {}, FSA_STS_CONTAINER_NOT_VALID};
    run(ctx, op, container);
}

void CT_LockDrainContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{133, {308}, {}, FSA_STS_CONTAINER_NOT_VALID};
    run(ctx, op, container);
}

void CT_OfflineContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{134, {309}, {}, FSA_STS_CHECK_WRONG_STATE};
    run(ctx, op, container);
}

void CT_CheckMorphStatus(std::uint32_t ctStatus) {
    static const Operation op{149,
                              {253},
                              {{251, FSA_STS_RECONFIGURE_FAILED},
                               {252, FSA_STS_RECONFIGURE_FAILED},
                               {255, FSA_STS_RECONFIGURE_BAD_CHUNK},
                               {256, FSA_STS_CONTAINER_NOT_VALID},
                               {257, FSA_STS_RECONFIGURE_TOO_SMALL},
                               {258, FSA_STS_RECONFIGURE_BAD_TYPE},
                               {259, FSA_STS_RECONFIGURE_CONFLICT},
                               {260, FSA_STS_OUT_OF_MEMORY},
                               {261, FSA_STS_NOT_SUPPORTED},
                               {331, FSA_STS_DEVICE_FULL},
                               {332, FSA_STS_BAD_CONFIGURATION}},
                              FSA_STS_RECONFIGURE_FAILED};
    check(nullptr, op, ctStatus);
}

void CT_RestartMorph(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    std::uint32_t w0 = container, w1 = 0, w2 = 0;
    CT_SendReceiveFIB(ctx, 149, &w0, &w1, &w2, nullptr, 0, nullptr, 0, 1);
    CT_CheckMorphStatus(w0);
}

void CT_LockContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{50, {11}, {}, FSA_STS_LOCK_FAILED};
    run(ctx, op, container);
}

void CT_UnlockContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    static const Operation op{49, {13}, {}, FSA_STS_UNLOCK_FAILED};
    run(ctx, op, container);
}

std::uint32_t CT_GetSliceFailoverCount(FSAAPI_CONTEXT* ctx, std::uint32_t slice) {
    std::uint8_t block[512];
    if (!CT_ReadData(ctx, block, sizeof block, slice, 2))
        return 0;
    std::uint32_t count = 0;
    for (std::size_t i = 0; i < 64; ++i) {
        std::uint32_t tag;
        std::memcpy(&tag, block + 8 * i, sizeof tag);
        count += tag == 0x00092755u || tag == 0x1FA11FA1u;
    }
    return count;
}

void CT_MakeSnapshot(FSAAPI_CONTEXT* ctx, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3,
                     std::uint32_t a4, std::uint32_t a5, std::uint32_t a6) {
    static const Operation op{104,
                              {232},
                              {{kLocked, FSA_STS_CONTAINER_LOCKED},
                               {242, FSA_STS_SNAPSHOT_BAD_CHUNK},
                               {250, FSA_STS_SNAPSHOT_NO_MEMORY},
                               {327, FSA_STS_NO_SNAPSHOT_SUPPORT}},
                              FSA_STS_CREATE_SNAPSHOT_FAILED,
                              2,
                              true};
    const std::uint32_t request[10] = {a1, a2, a3, a5, a4, a6 ? a6 : CT_GetFakeSimSignature()};
    run(ctx, op, 0, 0, 0, request, sizeof request);
}
