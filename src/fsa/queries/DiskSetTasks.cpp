#include "DiskSetTasks.h"

#include "Aif.h"
#include "DiskSetEnum.h"
#include "FibSend.h"
#include "FsaStatus.h"
#include "OsSync.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kTerminate = 104;
constexpr int kDeleteRounds = 7;
constexpr unsigned kDeleteRoundMs = 1000;
constexpr int kDriveChecks = 20;
constexpr unsigned kDriveCheckMs = 500;

bool terminateAccepted(std::uint32_t replyState) {
    switch (replyState) {
    case 1: // terminated
    case 4: // no such task
    case 5: // ended already
    case 6:
    case 7:
        return true;
    default:
        return false;
    }
}

// Terminates every listed task, then waits for each to end; false when one
// has not been seen to end within the limit.
bool terminateAndWait(FSAAPI_CONTEXT* ctx, const FSA_TASK_DESCRIPTOR* tasks, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t request[AIF_REQUEST_WORDS] = {kTerminate, tasks[i].taskId};
        _FIB reply;
        AIF_SendFIB(ctx, request, sizeof request, &reply, 1);
        if (!terminateAccepted(FsaFibWord(&reply, 1)))
            throw FSA_STS_FAILURE;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        if (!ctx->taskCallbacks.WaitForTaskFinish(ctx, tasks[i].taskId,
                                                  DS_TERMINATED_TASK_LIMIT_MS))
            return false;
    return true;
}

} // namespace

FSA_STATUS FsaTerminateTasksForDelete(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    FSA_TASK_DESCRIPTOR tasks[AIF_MAX_TASKS];
    for (int round = 0;; ++round) {
        const std::uint32_t count = std::min(
            AIF_GetTaskListForContainer(ctx, container, tasks, AIF_MAX_TASKS), AIF_MAX_TASKS);
        if (count == 0)
            return FSA_STS_SUCCESS;
        if (round == kDeleteRounds)
            return FSA_STS_TASK_RUNNING;
        if (!terminateAndWait(ctx, tasks, count))
            return FSA_STS_TASK_IN_PROGRESS;
        faos_Sleep(kDeleteRoundMs);
    }
}

FSA_STATUS DS_TerminateTasksForDriveRemoval(FSAAPI_CONTEXT* ctx, std::uint32_t driveId) {
    FSA_TASK_DESCRIPTOR tasks[AIF_MAX_TASKS];
    const std::uint32_t count =
        std::min(AIF_GetTaskListForScsi(ctx, driveId, tasks, AIF_MAX_TASKS), AIF_MAX_TASKS);
    if (!terminateAndWait(ctx, tasks, count))
        return FSA_STS_TASK_IN_PROGRESS;
    for (int check = 0; check < kDriveChecks; ++check) {
        if (AIF_GetTaskListForScsi(ctx, driveId, nullptr, 0) == 0)
            return FSA_STS_SUCCESS;
        faos_Sleep(kDriveCheckMs);
    }
    return FSA_STS_TASK_IN_PROGRESS;
}

FSA_STATUS DS_TerminateMemberTasks(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set) {
    std::uint32_t ids[64];
    std::uint32_t count = 0;
    if (const FSA_STATUS s = DS_GetMembers(ctx, set, ids, &count); s != FSA_STS_SUCCESS)
        return s;
    for (std::uint32_t i = 0; i < count; ++i)
        if (const FSA_STATUS s = DS_TerminateTasksForDriveRemoval(ctx, ids[i]);
            s != FSA_STS_SUCCESS)
            return s;
    return FSA_STS_SUCCESS;
}
