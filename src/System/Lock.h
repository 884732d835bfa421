#pragma once
// A process-private mutex that a device (or any SystemResource) may carry.

#include <pthread.h>

namespace VarnDiags::System {

class Lock {
public:
    Lock();
    virtual ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    // True when the mutex was taken.
    virtual bool lock();
    virtual void unlock();

private:
    pthread_mutex_t m_mutex;
    bool m_initialised = false;
};

// Holds a Lock for one scope.
class LockGuard {
public:
    explicit LockGuard(Lock& lock) : m_lock(lock), m_held(lock.lock()) {}
    ~LockGuard() {
        if (m_held)
            m_lock.unlock();
    }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Lock& m_lock;
    bool m_held;
};

} // namespace VarnDiags::System
