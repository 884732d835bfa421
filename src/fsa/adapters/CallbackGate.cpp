#include "CallbackGate.h"

#include <algorithm>
#include <vector>

namespace {

// The gates this thread is inside, once per callback running on it.
thread_local std::vector<const FAUX_CALLBACK_GATE*> t_inside;

unsigned ownPassages(const FAUX_CALLBACK_GATE* gate) {
    return static_cast<unsigned>(std::count(t_inside.begin(), t_inside.end(), gate));
}

} // namespace

bool FAUX_CALLBACK_GATE::enter() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_shut)
        return false;
    t_inside.push_back(this);
    ++m_running;
    return true;
}

void FAUX_CALLBACK_GATE::leave() {
    std::lock_guard<std::mutex> lock(m_mutex);
    t_inside.erase(std::find(t_inside.begin(), t_inside.end(), this));
    --m_running;
    m_idle.notify_all();
}

unsigned FAUX_CALLBACK_GATE::runningElsewhere() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running - ownPassages(this);
}

void FAUX_CALLBACK_GATE::shut(bool wait) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_shut = true;
    const unsigned own = ownPassages(this);
    if (wait)
        m_idle.wait(lock, [&] { return m_running == own; });
}
