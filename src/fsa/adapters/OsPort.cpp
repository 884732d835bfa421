#include "OsPort.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

namespace fsa {

void* OsPort::mapLowMemory(std::size_t bytes) {
#ifdef MAP_32BIT
    constexpr int kLowFlag = MAP_32BIT;
#else
    constexpr int kLowFlag = 0;
#endif
    return ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | kLowFlag,
                  -1, 0);
}

void OsPort::unmapMemory(void* memory, std::size_t bytes) {
    ::munmap(memory, bytes);
}

std::uint64_t Sleeper::waitUs(std::condition_variable&, std::unique_lock<std::mutex>& lock,
                              unsigned ms) {
    // Locked again however the sleep ends, an unwinding included: the
    // caller's clean-up runs under the lock.
    struct Relock {
        std::unique_lock<std::mutex>& lock;
        ~Relock() { lock.lock(); }
    };
    lock.unlock();
    const Relock relock{lock};
    sleepMs(ms);
    return std::uint64_t(ms) * 1000;
}

namespace {

class SystemPort final : public OsPort {
public:
    int open(const char* path, int flags, unsigned mode) override {
        return ::open(path, flags, mode);
    }
    int close(int fd) override { return ::close(fd); }
    int ioctl(int fd, unsigned long request, void* arg) override {
        return ::ioctl(fd, request, arg);
    }
    int fcntl(int fd, int cmd, void* arg) override { return ::fcntl(fd, cmd, arg); }
};

class RealSleeper final : public Sleeper {
public:
    void sleepMs(unsigned ms) override {
        timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
        while (::nanosleep(&t, &t) != 0) {
        }
    }
    std::uint64_t waitUs(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                         unsigned ms) override {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        wake.wait_for(lock, std::chrono::milliseconds(ms));
        const auto passed =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        return static_cast<std::uint64_t>(passed.count());
    }
};

SystemPort g_systemPort;
RealSleeper g_realSleeper;
std::atomic<OsPort*> g_port{&g_systemPort};
std::atomic<Sleeper*> g_sleeper{&g_realSleeper};

} // namespace

OsPort& osPort() {
    return *g_port.load();
}
OsPort& systemPort() {
    return g_systemPort;
}
void setOsPort(OsPort* port) {
    g_port.store(port ? port : &g_systemPort);
}
void sleepMs(unsigned ms) {
    g_sleeper.load()->sleepMs(ms);
}
std::uint64_t waitUs(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                     unsigned ms) {
    return g_sleeper.load()->waitUs(wake, lock, ms);
}
void setSleeper(Sleeper* sleeper) {
    g_sleeper.store(sleeper ? sleeper : &g_realSleeper);
}

} // namespace fsa
