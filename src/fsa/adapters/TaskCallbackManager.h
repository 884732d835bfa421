#pragma once

// Per-context task-progress registrations and the wait for a task's end.

#include "FsaTypes.h"

#include <atomic>
#include <cstdint>

class FSAAPI_CONTEXT;

struct ProgressCallbackInfo {
    std::uint32_t taskId; // 0: every task
    FSA_TASK_CALLBACK callback;
    std::uint32_t interval;
    std::uint32_t lastProgress;
    void* user;
};

// A progress report as the controller sends it (nine words).
struct AifJobProgressReport {
    std::uint32_t taskId;
    std::uint32_t jobCode;
    std::uint32_t objectId;
    std::uint32_t word3;
    std::uint32_t jobStatus;
    std::uint32_t total;
    std::uint32_t current;
    std::uint32_t word7;
    std::uint32_t word8;
};
static_assert(sizeof(AifJobProgressReport) == 36, "a progress report is 36 bytes");

class CTaskCallbackManager {
public:
    CTaskCallbackManager();
    ~CTaskCallbackManager();
    CTaskCallbackManager(const CTaskCallbackManager&) = delete;
    CTaskCallbackManager& operator=(const CTaskCallbackManager&) = delete;

    void AddCallback(const ProgressCallbackInfo* info);
    void RemoveCallback(std::uint32_t taskId);
    int DoCallback(FSAAPI_CONTEXT* ctx, FSAAPI_CONTEXT* receiving,
                   const AifJobProgressReport* report);
    // Waits for the task's end; with `limitMs`, gives up after that long on
    // the library's clock. True only when the end was seen: false when the
    // limit passed, or when a read of the task could not tell whether it
    // still runs (no record, an undefined reply state or job status).
    // A failed exchange is thrown.
    [[nodiscard]] bool WaitForTaskFinish(FSAAPI_CONTEXT* ctx, std::uint32_t taskId,
                                         unsigned limitMs = 0);
    std::uint32_t Count();
    // The library's receive thread, which reports task ends, started or
    // stopped: a wait for the end of a task that relied on it looks at the
    // controller instead.
    void EventsStarted();
    void EventsStopped();

private:
    void StartAccess();
    void FinishAccess();

    std::uint32_t m_count = 0;
    std::uint32_t m_capacity = 0;
    ProgressCallbackInfo* m_list = nullptr;
    void* m_waitSema = nullptr;
    std::atomic<std::uint32_t> m_awaited{0};
    std::atomic<bool> m_reported{false}; // a receive thread reports task ends
    void* m_mutex = nullptr;
};
