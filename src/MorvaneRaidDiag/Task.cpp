#include "Task.h"

#include "FsaApi.h"
#include "HostDapi2/Sleeper.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

constexpr int kTerminate = 2;

FSA_STATUS readDetails(void* adapter, Uint id, FSA_TASK_INFO& info) {
    info = FSA_TASK_INFO{};
    return FsaGetTaskDetails(adapter, id, &info);
}

} // namespace

Task::~Task() {
    m_id = 0;
    m_adapter = nullptr;
}

Task::TaskState Task::getTaskState() const {
    FSA_TASK_INFO info;
    if (readDetails(m_adapter, m_id, info) != FSA_STS_SUCCESS || info.state > UNKNOWN)
        return UNKNOWN;
    return static_cast<TaskState>(info.state);
}

Uint Task::getTaskProgress() const {
    FSA_TASK_INFO info;
    return readDetails(m_adapter, m_id, info) == FSA_STS_SUCCESS ? info.progress : 0;
}

bool Task::terminateTask() {
    FSA_TASK_INFO info;
    if (readDetails(m_adapter, m_id, info) != FSA_STS_SUCCESS)
        return false;
    if (info.state == ABORTED)
        return true;
    if (FsaTask(m_adapter, m_id, kTerminate) != FSA_STS_SUCCESS)
        return false;
    // Ended once the controller answers "finished"; any other failure (a
    // task it no longer knows, a lost handle) would never turn into that.
    for (unsigned int poll = 0; poll < TERMINATE_POLLS; ++poll) {
        HostDapi2::sleepSeconds(1);
        const FSA_STATUS status = readDetails(m_adapter, m_id, info);
        if (status == FSA_STS_TASK_FINISHED)
            return true;
        if (status != FSA_STS_SUCCESS)
            return false;
    }
    return false;
}

} // namespace VarnDiags::MorvaneRaidDiag
