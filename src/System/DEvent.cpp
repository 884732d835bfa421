#include "System/DEvent.h"

#include "System/LogStreams.h"

namespace VarnDiags::System {

DEvent::DEvent() {
    logLine(pLogFile5, "DEvent::DEvent()", static_cast<const void*>(this));
}

DEvent::~DEvent() {
    logLine(pLogFile5, "DEvent::~DEvent()", static_cast<const void*>(this));
}

void DEvent::wait() {
    logLine(pLogFile5, "DEvent::BeforeWait()", static_cast<const void*>(this));
    {
        std::unique_lock<std::mutex> guard(m_mutex);
        m_opened.wait(guard, [this] { return !m_closed; });
    }
    logLine(pLogFile5, "DEvent::AfterWait()", static_cast<const void*>(this));
}

void DEvent::signal(int one) {
    logLine(pLogFile5, "DEvent::Signal()", static_cast<const void*>(this));
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_closed = false;
    }
    // The gate stays open, so every waiter already blocked must pass as
    // well: a single-wake request wakes them all too.
    static_cast<void>(one);
    m_opened.notify_all();
}

} // namespace VarnDiags::System
