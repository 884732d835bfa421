#pragma once
// A one-shot gate: closed when made; wait() returns once signal() has
// opened it, and stays open for good.

#include <condition_variable>
#include <mutex>

namespace VarnDiags::System {

class DEvent {
public:
    DEvent();
    ~DEvent();
    DEvent(const DEvent&) = delete;
    DEvent& operator=(const DEvent&) = delete;

    void wait();
    // Opens the gate for good and lets every waiter through (`one` asks for
    // a single wake, but waiters already blocked must pass the open gate).
    void signal(int one);

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_closed = true;
};

} // namespace VarnDiags::System
