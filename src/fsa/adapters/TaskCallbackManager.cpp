#include "TaskCallbackManager.h"

#include "Context.h"
#include "Frame.h"
#include "OsSync.h"
#include "Tasks.h"

#include <cstdlib>

namespace {
constexpr std::uint32_t kGrowBy = 5;
constexpr unsigned kPollMs = 1000;
constexpr unsigned kLimitedPollMs = 50;

// What one read of a task's record tells of it. Only a reply the
// controller gives for a task it knows to have ended, or no longer knows at
// all, is an end: a reply without a record, a reply state the controller
// does not define or a job status it does not name may hide a task that
// still runs.
enum class Seen { Running, Ended, Unknown };

Seen seen(FSAAPI_CONTEXT* ctx, std::uint32_t taskId) {
    AifJobProgressReport report{};
    bool hasReport = false;
    const std::uint32_t reply = AIF_GetTaskDetails(ctx, taskId, &report, &hasReport);
    if (reply == 4 || reply == 5)
        return Seen::Ended;
    if (reply != 1 || !hasReport)
        return Seen::Unknown;
    if (CB_ReportEnded(&report))
        return Seen::Ended;
    FSA_TASK_INFO info{};
    CB_JobPRToTaskInfo(ctx, &report, &info);
    return info.state == 0 || info.state == 1 ? Seen::Running : Seen::Unknown;
}
} // namespace

CTaskCallbackManager::CTaskCallbackManager()
    : m_waitSema(faos_CreateSemaphore()), m_mutex(faos_CreateMutex(nullptr)) {}

CTaskCallbackManager::~CTaskCallbackManager() {
    std::free(m_list);
    try {
        faos_DestroySemaphore(m_waitSema);
        faos_DestroyMutex(m_mutex);
    } catch (FSA_STATUS) {
    }
}

void CTaskCallbackManager::StartAccess() {
    faos_WaitForAndGetMutex(m_mutex);
}
void CTaskCallbackManager::FinishAccess() {
    faos_ReleaseMutex(m_mutex);
}

void CTaskCallbackManager::EventsStarted() {
    m_reported.store(true);
}

void CTaskCallbackManager::EventsStopped() {
    m_reported.store(false);
    if (m_awaited.load() != 0)
        faos_SetSemaphore(m_waitSema);
}

std::uint32_t CTaskCallbackManager::Count() {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    return m_count;
}

void CTaskCallbackManager::AddCallback(const ProgressCallbackInfo* info) {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    if (m_count == m_capacity) {
        auto* grown = static_cast<ProgressCallbackInfo*>(
            std::realloc(m_list, (m_capacity + kGrowBy) * sizeof(ProgressCallbackInfo)));
        if (!grown)
            throw FSA_STS_OUT_OF_MEMORY;
        m_list = grown;
        m_capacity += kGrowBy;
    }
    m_list[m_count] = *info;
    m_list[m_count].lastProgress = 0;
    ++m_count;
}

void CTaskCallbackManager::RemoveCallback(std::uint32_t taskId) {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    if (taskId == 0) {
        m_count = 0;
    } else {
        for (std::uint32_t i = 0; i < m_count;) {
            if (m_list[i].taskId == taskId)
                m_list[i] = m_list[--m_count]; // the moved entry is examined again
            else
                ++i;
        }
    }
    if (m_count == 0) {
        std::free(m_list);
        m_list = nullptr;
        m_capacity = 0;
    }
}

int CTaskCallbackManager::DoCallback(FSAAPI_CONTEXT* ctx, FSAAPI_CONTEXT* receiving,
                                     const AifJobProgressReport* report) {
    FSAAPI_CONTEXT* source = receiving ? receiving : ctx;
    FSA_TASK_INFO info;
    CB_JobPRToTaskInfo(source, report, &info);
    if (receiving && receiving != ctx) {
        // Tasks on the partner's adapter reach this side only when their
        // object maps here; the partner's mapping tables are not kept on
        // this platform, where no partner is ever opened.
        if (CB_IsDeviceTaskType(info.descriptor.taskType) ||
            CB_IsContainerTaskType(info.descriptor.taskType))
            return 0;
    }
    const bool ended = CB_ReportEnded(report);
    if (ended && report->taskId == m_awaited.load())
        faos_SetSemaphore(m_waitSema);

    const FAUX_CALLBACK_PASS pass(ctx->callback.gate);
    if (!pass)
        return 0;
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    int called = 0;
    for (std::uint32_t i = 0; i < m_count; ++i) {
        ProgressCallbackInfo& r = m_list[i];
        if (r.taskId != 0 && r.taskId != report->taskId)
            continue;
        const std::uint32_t kind = (ended && r.taskId != 0) ? 99 : 1;
        if (r.taskId != 0 && kind == 1 &&
            std::uint64_t(r.lastProgress) + r.interval > info.progress)
            continue;
        FSA_TASK_INFO copy = info;
        r.callback(kind, &copy, r.user);
        r.lastProgress = info.progress;
        called = 1;
        if (kind == 99) {
            const std::uint32_t id = r.taskId;
            for (std::uint32_t j = 0; j < m_count;) {
                if (m_list[j].taskId == id)
                    m_list[j] = m_list[--m_count];
                else
                    ++j;
            }
            break;
        }
    }
    return called;
}

bool CTaskCallbackManager::WaitForTaskFinish(FSAAPI_CONTEXT* ctx, std::uint32_t taskId,
                                             unsigned limitMs) {
    while (faos_TryWaitSemaphore(m_waitSema)) {
    }
    m_awaited.store(taskId);
    struct ClearAwaited {
        std::atomic<std::uint32_t>& awaited;
        ~ClearAwaited() { awaited.store(0); }
    } clear{m_awaited};

    if (const Seen first = seen(ctx, taskId); first != Seen::Running)
        return first == Seen::Ended;
    // Only a wrapper lock this thread holds is given up for the wait and
    // taken back after it: a call made outside any export holds none and
    // must not come back holding one.
    const bool locked = FsaWantsWrapperLock(ctx) && faos_MutexHeldByCaller(ctx->wrapperMutex);
    bool thread = m_reported.load();
    if (locked) {
        ctx->inCall = 0;
        faos_ReleaseMutex(ctx->wrapperMutex);
    }
    struct Retake {
        FSAAPI_CONTEXT* ctx;
        bool locked;
        ~Retake() {
            if (!locked)
                return;
            try {
                faos_WaitForAndGetMutex(ctx->wrapperMutex);
            } catch (FSA_STATUS) {
            }
            ctx->inCall = 1;
        }
    } retake{ctx, locked};
    if (thread && limitMs == 0) {
        faos_WaitForSemaphore(m_waitSema, -1);
        if (m_reported.load())
            return true;
        thread = false; // woken by the stop of the thread that reports ends
    }
    // A limited wait, or no receive thread to report the end: look again
    // every poll, on the library's clock. The controller is asked too, once
    // a second, so that an end report still on its way does not count as a
    // task that never ends.
    const unsigned pollMs = thread ? kLimitedPollMs : kPollMs;
    unsigned sinceAsked = 0;
    for (unsigned waited = 0; limitMs == 0 || waited < limitMs; waited += pollMs) {
        faos_Sleep(pollMs);
        if (thread && faos_TryWaitSemaphore(m_waitSema)) {
            if (m_reported.load())
                return true;
            thread = false;
        }
        sinceAsked += pollMs;
        if (sinceAsked >= kPollMs) {
            sinceAsked = 0;
            if (const Seen now = seen(ctx, taskId); now != Seen::Running)
                return now == Seen::Ended;
        }
    }
    return false;
}
