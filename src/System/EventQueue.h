#pragma once
// Locked first-in-first-out queue of events, shared by a diagnostic, its
// tests (who push) and the host shell's progress thread (which pops).
//
// The queue owns what it holds: pushed events belong to it until they are
// popped or taken, and events still queued are deleted by clear() and by
// the destructor, so nothing is lost or leaked when a run ends early.

#include <deque>
#include <memory>
#include <vector>

#include "System/IEvent.h"
#include "System/Lock.h"

namespace VarnDiags::System {

class EventQueue {
public:
    EventQueue() = default;
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Takes ownership; a null event is ignored.
    void pushEvent(IEvent* event);
    // Oldest event, now owned by the caller; null when empty.
    IEvent* popEvent();
    // Every queued event, oldest first, now owned by the caller.
    std::vector<IEvent*> getAllEvents();
    // Deletes every queued event.
    void clear();
    // Only a hint while other threads push or pop.
    unsigned int getNumberOfEvents();

private:
    Lock m_lock;
    std::deque<std::unique_ptr<IEvent>> m_events;
};

} // namespace VarnDiags::System
