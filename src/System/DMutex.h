#pragma once
// A plain mutex for a program's worker threads; every call leaves a line in
// the level-5 log.

#include <mutex>

namespace VarnDiags::System {

class DMutex {
public:
    DMutex();
    ~DMutex();
    DMutex(const DMutex&) = delete;
    DMutex& operator=(const DMutex&) = delete;

    void lock();
    void unLock();

private:
    std::mutex m_mutex;
};

} // namespace VarnDiags::System
