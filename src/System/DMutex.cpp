#include "System/DMutex.h"

#include "System/LogStreams.h"

namespace VarnDiags::System {

DMutex::DMutex() {
    logLine(pLogFile5, "DMutex::DMutex()", static_cast<const void*>(this));
}

DMutex::~DMutex() {
    logLine(pLogFile5, "DMutex::~DMutex()", static_cast<const void*>(this));
}

void DMutex::lock() {
    logLine(pLogFile5, "DMutex::lock()", static_cast<const void*>(this));
    m_mutex.lock();
}

void DMutex::unLock() {
    logLine(pLogFile5, "DMutex::unLock()", static_cast<const void*>(this));
    m_mutex.unlock();
}

} // namespace VarnDiags::System
