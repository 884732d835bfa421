#pragma once
// Base of lockable objects: holds an optional Lock it does not own.

#include "System/Lock.h"

namespace VarnDiags::System {

class SystemResource {
public:
    explicit SystemResource(Lock* lock = nullptr) : m_lock(lock) {}

    // Without a lock there is nothing to take: true at once.
    bool lock() { return m_lock == nullptr || m_lock->lock(); }
    void unlock() {
        if (m_lock != nullptr)
            m_lock->unlock();
    }

protected:
    Lock* m_lock;
};

} // namespace VarnDiags::System
