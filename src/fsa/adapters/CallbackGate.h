#pragma once

// The door through which the library calls the application back for one
// adapter. It stays open until the adapter is closed; the close shuts it and
// returns only once the callbacks running on other threads have returned,
// so that an application may free what its callbacks use as soon as the
// close has returned.

#include <condition_variable>
#include <mutex>

class FAUX_CALLBACK_GATE {
public:
    // Whether a callback may start now; each true is paired with leave().
    bool enter();
    void leave();
    // Callbacks running on threads other than the calling one.
    unsigned runningElsewhere();
    // No callback starts from now on. With `wait`, returns once those
    // running on other threads have returned; the calling thread's own (a
    // close from inside a callback) are not waited for.
    void shut(bool wait = true);

private:
    std::mutex m_mutex;
    std::condition_variable m_idle;
    unsigned m_running = 0;
    bool m_shut = false;
};

// One callback's passage through the gate.
class FAUX_CALLBACK_PASS {
public:
    explicit FAUX_CALLBACK_PASS(FAUX_CALLBACK_GATE& gate) : m_gate(gate), m_open(gate.enter()) {}
    ~FAUX_CALLBACK_PASS() {
        if (m_open)
            m_gate.leave();
    }
    FAUX_CALLBACK_PASS(const FAUX_CALLBACK_PASS&) = delete;
    FAUX_CALLBACK_PASS& operator=(const FAUX_CALLBACK_PASS&) = delete;
    explicit operator bool() const { return m_open; }

private:
    FAUX_CALLBACK_GATE& m_gate;
    bool m_open;
};
