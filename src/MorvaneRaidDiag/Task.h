#pragma once
// One task a controller runs on a device (verify, blink, rebuild...). Only a
// key: every query reads the controller afresh, so a copy never goes stale.

namespace VarnDiags::MorvaneRaidDiag {

using Uint = unsigned int;

class Task {
public:
    // As the library's task details report it.
    enum TaskState : unsigned int {
        RUNNING = 0,
        SUSPENDED = 1,
        FINISHED = 2,
        FAILED = 3,
        ABORTED = 4,
        UNKNOWN = 5,
    };

    Task() = default;
    Task(Uint id, void* adapter) : m_id(id), m_adapter(adapter) {}
    Task(const Task&) = default;
    Task& operator=(const Task&) = default;
    ~Task();

    bool operator==(const Task& other) const { return this == &other || m_id == other.m_id; }

    Uint getTaskId() const { return m_id; }
    // Terminates the task and waits, bounded, until the controller reports it
    // ended; an aborted task counts as terminated without a request.
    bool terminateTask();
    // UNKNOWN when the details cannot be read.
    TaskState getTaskState() const;
    // In steps of 0.1 % (0..1000); 0 when the details cannot be read.
    Uint getTaskProgress() const;

    // How often terminateTask looks, once a second, for the task's end.
    static constexpr unsigned int TERMINATE_POLLS = 60;

private:
    Uint m_id = 0;
    void* m_adapter = nullptr;
};

} // namespace VarnDiags::MorvaneRaidDiag
