// Exported task functions: lists, details, waits, progress callbacks, task
// control and application jobs.
#include "Aif.h"
#include "DriverRequests.h"
#include "FibSend.h"
#include "Frame.h"
#include "FsaApi.h"
#include "OsSync.h"
#include "ScsiCommands.h"
#include "Tasks.h"
#include "Trace.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned kControlPollMs = 1000;
constexpr int kControlPolls = 10;

const FsaGuards kTaskControl{FsaAccessSet::ReadWriteOrCluster, false, true};

// Reads one task's record: 100 unknown task, 111 ended. A reply that
// carries no record of a known task, or a reply state the controller does
// not define, is a failure (6): taken for "ended", it would let a caller
// go on past a task that still runs.
FSA_TASK_INFO readTask(FSAAPI_CONTEXT* ctx, std::uint32_t taskId) {
    AifJobProgressReport report{};
    bool hasReport = false;
    const std::uint32_t state = AIF_GetTaskDetails(ctx, taskId, &report, &hasReport);
    if (state == 4)
        throw FSA_STS_TASK_NOT_FOUND;
    if (state == 5)
        throw FSA_STS_TASK_FINISHED;
    if (state != 1 || !hasReport)
        throw FSA_STS_FAILURE;
    FSA_TASK_INFO info;
    CB_JobPRToTaskInfo(ctx, &report, &info);
    return info;
}

FSA_STATUS controlResult(std::uint32_t replyState) {
    switch (replyState) {
    case 1:
        return FSA_STS_SUCCESS;
    case 4:
        return FSA_STS_TASK_NOT_FOUND;
    case 5:
        return FSA_STS_TASK_FINISHED;
    case 6:
        return FSA_STS_TASK_SUSPENDED;
    case 7:
        return FSA_STS_TASK_RUNNING;
    default:
        return FSA_STS_FAILURE;
    }
}

// An application job request through the raw send path; null when the
// exchange failed.
bool jobRequest(void* handle, const std::uint32_t (&request)[AIF_REQUEST_WORDS], _FIB* reply) {
    FsaInitRequestFib(reply, FIB_AIF_REQUEST, sizeof request);
    std::memcpy(reply->data, request, sizeof request);
    return FsaSendReceiveFib(handle, reply) == FSA_STS_SUCCESS;
}

unsigned int jobResult(const _FIB& reply, bool update) {
    const std::uint32_t w0 = FsaFibWord(&reply, 0);
    const std::uint32_t w1 = FsaFibWord(&reply, 1);
    if (w0 == 0 && w1 == 1)
        return update && FsaFibWord(&reply, 2) != 0 ? 2 : 1;
    if (w0 != 0)
        return 4;
    return w1 == 4 ? 3 : 5;
}

std::uint32_t listObject(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device,
                         const tag_FSA_CONTAINER* container, FSA_TASK_DESCRIPTOR* array,
                         std::uint32_t capacity) {
    if (device)
        return AIF_GetTaskListForScsi(ctx, static_cast<std::uint32_t>(SCSI_DriveId(ctx, device)),
                                      array, capacity);
    if (container)
        return AIF_GetTaskListForContainer(ctx, container->containerNumber, array, capacity);
    return AIF_GetTaskListForAll(ctx, array, capacity);
}

// A wait whose end the controller did not confirm is no completion.
FSA_STATUS awaited(FSAAPI_CONTEXT* ctx, std::uint32_t taskId) {
    return ctx->taskCallbacks.WaitForTaskFinish(ctx, taskId) ? FSA_STS_SUCCESS : FSA_STS_FAILURE;
}

} // namespace

std::uint32_t AIF_GetTaskDetails(FSAAPI_CONTEXT* ctx, std::uint32_t taskId,
                                 AifJobProgressReport* report, bool* hasReport) {
    const std::uint32_t request[AIF_REQUEST_WORDS] = {103, taskId};
    _FIB reply;
    AIF_SendFIB(ctx, request, sizeof request, &reply, 1);
    *hasReport = AIF_ReplyRecordCount(reply.Size, 36) >= 1;
    if (*hasReport)
        std::memcpy(report, reply.data + 8, sizeof *report);
    // Another task's record (a stale or damaged reply) would report its state
    // as this one's: a running task taken for ended, or the reverse.
    if (*hasReport && report->taskId != taskId) {
        UtilPrintDebugFormatted("Task %u: the reply describes task %u\n", taskId, report->taskId);
        throw FSA_STS_FAILURE;
    }
    return FsaFibWord(&reply, 1);
}

extern "C" {

FSA_STATUS FsaGetTaskList(void* handle, const FSA_STORAGE_DEVICE* device,
                          const tag_FSA_CONTAINER* container, FSA_TASK_DESCRIPTOR* array,
                          unsigned int* count, unsigned int arrayBytes) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        if (device && container)
            return FSA_STS_BAD_ARGUMENTS;
        const std::uint32_t capacity = array ? arrayBytes / sizeof(FSA_TASK_DESCRIPTOR) : 0;
        const std::uint32_t n = listObject(ctx, device, container, array, capacity);
        *count = n;
        if (array && n > std::min<std::uint32_t>(capacity, AIF_MAX_TASKS))
            return FSA_STS_BUFFER_TOO_SMALL;
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaGetTaskDetails(void* handle, unsigned int taskId, FSA_TASK_INFO* info) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        *info = readTask(ctx, taskId);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaWaitForTaskComplete(void* handle, unsigned int taskId,
                                  const tag_FSA_CONTAINER* container,
                                  const FSA_STORAGE_DEVICE* device) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        if (taskId != 0) {
            if (container || device)
                return FSA_STS_BAD_ARGUMENTS;
            return awaited(ctx, taskId);
        }
        if (!container == !device)
            return FSA_STS_BAD_ARGUMENTS;
        for (;;) {
            FSA_TASK_DESCRIPTOR first;
            const std::uint32_t n = listObject(ctx, device, container, &first, 1);
            if (n == 0)
                break;
            if (const FSA_STATUS s = awaited(ctx, first.taskId); s != FSA_STS_SUCCESS)
                return s;
            if (n == 1)
                break;
        }
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaGetTaskProgress(void* handle, unsigned int taskId, unsigned int interval,
                              FSA_TASK_CALLBACK callback, void* user) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        if (!callback) {
            ctx->taskCallbacks.RemoveCallback(taskId);
            return FSA_STS_SUCCESS;
        }
        const ProgressCallbackInfo info{taskId, callback, interval, 0, user};
        ctx->taskCallbacks.AddCallback(&info);
        std::vector<FSA_TASK_DESCRIPTOR> tasks(100);
        const std::uint32_t n =
            std::min<std::uint32_t>(AIF_GetTaskListForAll(ctx, tasks.data(), 100), AIF_MAX_TASKS);
        for (std::uint32_t i = 0; i < n; ++i) {
            AifJobProgressReport report{};
            bool hasReport = false;
            if (AIF_GetTaskDetails(ctx, tasks[i].taskId, &report, &hasReport) != 5 && hasReport)
                ctx->taskCallbacks.DoCallback(ctx, nullptr, &report);
        }
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaTask(void* handle, unsigned int taskId, int operation) {
    FsaGuards guards = kTaskControl;
    return FsaExportedCall(handle, guards, [&](FSAAPI_CONTEXT* ctx) {
        static const std::uint32_t kRequests[] = {105, 106, 104};
        if (operation < 0 || operation > 2)
            return FSA_STS_BAD_OPERATION;
        const FSA_TASK_INFO before = readTask(ctx, taskId);
        const std::uint32_t type = before.descriptor.taskType;
        if (operation == 2) {
            if (type == 8)
                return FSA_STS_TASK_CANNOT_TERMINATE;
            if (type == 15 || type == 16 || type == 18 || type == 21)
                return FtaFinishJob(handle, taskId, 3) == 1 ? FSA_STS_SUCCESS : FSA_STS_FAILURE;
        } else {
            if (CB_IsDeviceTaskType(type))
                return FSA_STS_DEVICE_TASK;
            if (type == 15 || type == 16 || type == 21)
                return FSA_STS_APP_JOB_TASK;
        }
        const std::uint32_t request[AIF_REQUEST_WORDS] = {kRequests[operation], taskId};
        _FIB reply;
        AIF_SendFIB(ctx, request, sizeof request, &reply, 1);
        const std::uint32_t replyState = FsaFibWord(&reply, 1);
        if (operation != 2) {
            const std::uint32_t leaving = operation == 0 ? 0 : 1; // running before a suspend
            for (int i = 0; i < kControlPolls; ++i) {
                AifJobProgressReport report{};
                bool hasReport = false;
                try {
                    if (AIF_GetTaskDetails(ctx, taskId, &report, &hasReport) != 1 || !hasReport)
                        break;
                } catch (FSA_STATUS) {
                    break;
                }
                FSA_TASK_INFO now;
                CB_JobPRToTaskInfo(ctx, &report, &now);
                if (now.state != leaving)
                    break;
                faos_Sleep(kControlPollMs);
            }
        }
        return controlResult(replyState);
    });
}

FSA_STATUS FsaTaskEx(void* handle, unsigned int serial, unsigned int taskId, int operation) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    if (ctx->access != FSA_ACC_READ_WRITE && ctx->access != FSA_ACC_LL_READ_WRITE &&
        ctx->access != FSA_ACC_UTILITY)
        return FSA_STS_NEEDS_READ_WRITE;
    if (ctx->paused.load())
        return FSA_STS_ADAPTER_PAUSED;
    for (std::uint32_t i = 0; i < ctx->adapterCount; ++i) {
        const FSA_ADAPTER_ENTRY& e = ctx->adapters[i];
        if (e.serial == serial && e.handle != ctx->handle)
            return FsaTaskEx(UtilHandleFromValue(e.handle), serial, taskId, operation);
    }
    return FsaTask(handle, taskId, operation);
}

unsigned int FtaStartJob(void* handle, unsigned int jobKind, unsigned int objectId) {
    const std::uint32_t request[AIF_REQUEST_WORDS] = {108, 120, 0, jobKind, objectId, 0, 1000};
    _FIB reply;
    if (!jobRequest(handle, request, &reply))
        return 0;
    return FsaFibWord(&reply, 0) == 0 && FsaFibWord(&reply, 1) == 1 ? FsaFibWord(&reply, 2) : 0;
}

unsigned int FtaUpdateJob(void* handle, unsigned int taskId, unsigned int progress) {
    const std::uint32_t request[AIF_REQUEST_WORDS] = {109, taskId, progress, 0, 0};
    _FIB reply;
    return jobRequest(handle, request, &reply) ? jobResult(reply, true) : 5;
}

unsigned int FtaFinishJob(void* handle, unsigned int taskId, unsigned int result) {
    const std::uint32_t request[AIF_REQUEST_WORDS] = {110, taskId, result};
    _FIB reply;
    return jobRequest(handle, request, &reply) ? jobResult(reply, false) : 5;
}

} // extern "C"
