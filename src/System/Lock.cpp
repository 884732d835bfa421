#include "System/Lock.h"

#include "System/LogStreams.h"

namespace VarnDiags::System {

Lock::Lock() {
    m_initialised = pthread_mutex_init(&m_mutex, nullptr) == 0;
    if (!m_initialised)
        logLine(pLogFile, " Lock::Lock() pthread_mutex_init for mutex failed");
}

Lock::~Lock() {
    if (m_initialised)
        pthread_mutex_destroy(&m_mutex);
}

bool Lock::lock() {
    if (!m_initialised || pthread_mutex_lock(&m_mutex) != 0) {
        logLine(pLogFile, " Lock::lock() pthread_mutex_lock for mutex failed");
        return false;
    }
    return true;
}

void Lock::unlock() {
    if (!m_initialised || pthread_mutex_unlock(&m_mutex) != 0)
        logLine(pLogFile, " Lock::unlock() pthread_mutex_unlock for mutex failed");
}

} // namespace VarnDiags::System
