#pragma once

// The OS layer's only way to the device nodes, lock files, new threads and
// memory the controller must reach, and its clock. Both default to the system; tests put the
// simulated controller behind the port and a faster sleeper behind the clock.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <pthread.h>

namespace fsa {

class OsPort {
public:
    virtual ~OsPort() = default;
    virtual int open(const char* path, int flags, unsigned mode) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual int fcntl(int fd, int cmd, void* arg) = 0;
    // pthread_create's result: 0 or an errno value.
    virtual int createThread(pthread_t* thread, void* (*body)(void*), void* arg) {
        return pthread_create(thread, nullptr, body, arg);
    }
    // Zeroed read-write memory, if possible below 4 GiB; MAP_FAILED when
    // none can be had. Callers check the address themselves.
    virtual void* mapLowMemory(std::size_t bytes);
    virtual void unmapMemory(void* memory, std::size_t bytes);
};

class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(unsigned ms) = 0;
    // Waits on `wake` (with `lock` held) until notified or until `ms` of
    // this clock have passed; returns the microseconds of this clock that
    // passed. This default, for clocks that only sleep, looks again after
    // each sleep instead of being woken.
    virtual std::uint64_t waitUs(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                                 unsigned ms);
};

OsPort& osPort();
OsPort& systemPort();         // the system calls, whatever port is installed
void setOsPort(OsPort* port); // null: the system calls
void sleepMs(unsigned ms);
std::uint64_t waitUs(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                     unsigned ms);
void setSleeper(Sleeper* sleeper); // null: real time

} // namespace fsa
