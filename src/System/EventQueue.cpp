#include "System/EventQueue.h"

namespace VarnDiags::System {
EventQueue::~EventQueue() {
    clear();
}

void EventQueue::pushEvent(IEvent* event) {
    if (event == nullptr)
        return;
    std::unique_ptr<IEvent> owned(event);
    LockGuard guard(m_lock);
    m_events.push_back(std::move(owned));
}

IEvent* EventQueue::popEvent() {
    LockGuard guard(m_lock);
    if (m_events.empty())
        return nullptr;
    IEvent* event = m_events.front().release();
    m_events.pop_front();
    return event;
}

std::vector<IEvent*> EventQueue::getAllEvents() {
    LockGuard guard(m_lock);
    std::vector<IEvent*> events;
    events.reserve(m_events.size());
    for (auto& event : m_events)
        events.push_back(event.release());
    m_events.clear();
    return events;
}

void EventQueue::clear() {
    std::deque<std::unique_ptr<IEvent>> dropped;
    {
        LockGuard guard(m_lock);
        dropped.swap(m_events);
    }
}

unsigned int EventQueue::getNumberOfEvents() {
    LockGuard guard(m_lock);
    return static_cast<unsigned int>(m_events.size());
}

} // namespace VarnDiags::System
