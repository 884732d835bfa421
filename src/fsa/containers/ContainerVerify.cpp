// The controller's background container verify: start, resume, stop and its
// progress.
#include "FsaApi.h"
#include "FsaContainerOps.h"
#include "OpsFrame.h"
#include "OsSync.h"
#include "SmallCommands.h"

namespace {

constexpr unsigned kPollMs = 100;
constexpr int kStartPolls = 5;
constexpr int kStopPolls = 500;
constexpr int kResume = 1; // FsaTask operation

// Polls until the verify task's presence is `wanted` or the polls run out.
void waitForVerify(FSAAPI_CONTEXT* ctx, bool wanted, int polls) {
    FSA_TASK_INFO task{};
    for (int i = 0; i < polls; ++i) {
        if ((CtFindVerifyTask(ctx, &task) != 0) == wanted)
            return;
        faos_Sleep(kPollMs);
    }
}

} // namespace

extern "C" {

FSA_STATUS FsaVerifyContainer(void* handle, int start) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        FSA_TASK_INFO task{};
        const bool running = CtFindVerifyTask(ctx, &task) != 0;
        if (start) {
            if (running) {
                if (task.state == 0)
                    return FSA_STS_VERIFY_RUNNING;
                return FsaTask(handle, task.descriptor.taskId, kResume);
            }
            CT_StartContainerVerify(ctx, 1);
            waitForVerify(ctx, true, kStartPolls);
            return FSA_STS_SUCCESS;
        }
        if (!running)
            return FSA_STS_VERIFY_NOT_RUNNING;
        CT_StartContainerVerify(ctx, 0);
        waitForVerify(ctx, false, kStopPolls);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaVerifyContainerGetInfo(void* handle, unsigned int out[3]) {
    if (out)
        out[0] = out[1] = out[2] = 0;
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!out)
            return FSA_STS_BAD_ARGUMENTS;
        FSA_TASK_INFO task{};
        out[0] = static_cast<unsigned int>(CtFindVerifyTask(ctx, &task));
        out[1] = task.reportWords[0];
        out[2] = task.reportWords[1];
        return FSA_STS_SUCCESS;
    });
}
}
