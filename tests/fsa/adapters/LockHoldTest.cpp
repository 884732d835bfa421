// The read-write lock of an open adapter, seen from another process, while
// other threads of this process use the same adapter's lock file.
#include "ChildProcess.h"
#include "SimFixture.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using fsatest::Child;
using fsatest::SimTest;

const char* kOtherConfig = "/tmp/qorsim-lock-hold.json";

// Another process of the library that tries a read-write open of `name`
// whenever it is asked to.
std::vector<std::string> otherProcess(const char* name) {
    std::ofstream(kOtherConfig) << fsatest::kTwoAdapters;
    return {QORSIM_RUN, QORSIM_LIB, kOtherConfig, FSA_PROBE, "try", name};
}

// Counts the enumeration's reports of qor0 that call it held elsewhere.
std::atomic<unsigned> g_reportedHeldElsewhere{0};

FSA_STATUS noteAvailability(FSA_STATUS code, _tagFSA_ADAPTER_ENUM_INFO* info, void*) {
    if (code == FSA_STS_SUCCESS && fsatest::narrow(info->deviceName) == "qor0" &&
        info->availability != FSA_AVL_READ_WRITE)
        ++g_reportedHeldElsewhere;
    return FSA_STS_SUCCESS;
}

// The simulator behind the port, holding open the moment in which a probe
// of a lock file can cross a lock that the rounds' thread takes: on other
// threads, the lock test and the close of a descriptor that has never set a
// lock each wait until some descriptor of the same file holds one, but at
// most a few milliseconds, as a call can take when its thread is preempted.
class LingeringProbe final : public fsatest::SimPort {
public:
    LingeringProbe(qorsim::Simulator& sim, std::thread::id rounds)
        : SimPort(sim), m_rounds(rounds) {}
    int open(const char* path, int flags, unsigned mode) override {
        const int fd = SimPort::open(path, flags, mode);
        if (fd >= 0 && std::strstr(path, "lock")) {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_files[fd] = LockFile{path, false, false};
        }
        return fd;
    }
    int close(int fd) override {
        {
            std::unique_lock<std::mutex> guard(m_mutex);
            linger(guard, fd);
            m_files.erase(fd);
        }
        return SimPort::close(fd);
    }
    int fcntl(int fd, int cmd, void* arg) override {
        if (cmd == F_GETLK || cmd == F_OFD_GETLK) {
            std::unique_lock<std::mutex> guard(m_mutex);
            linger(guard, fd);
        }
        const int result = SimPort::fcntl(fd, cmd, arg);
        if (result == 0 && (cmd == F_SETLK || cmd == F_OFD_SETLK)) {
            std::lock_guard<std::mutex> guard(m_mutex);
            auto file = m_files.find(fd);
            if (file != m_files.end()) {
                file->second.everLocked = true;
                file->second.holding = static_cast<struct flock*>(arg)->l_type != F_UNLCK;
            }
            m_changed.notify_all();
        }
        return result;
    }

private:
    struct LockFile {
        std::string path;
        bool everLocked;
        bool holding;
    };
    void linger(std::unique_lock<std::mutex>& guard, int fd) {
        auto file = m_files.find(fd);
        if (std::this_thread::get_id() == m_rounds || file == m_files.end() ||
            file->second.everLocked)
            return;
        const std::string path = file->second.path;
        m_changed.wait_for(guard, std::chrono::milliseconds(10), [&] {
            for (const auto& f : m_files)
                if (f.second.path == path && f.second.holding)
                    return true;
            return false;
        });
    }

    const std::thread::id m_rounds;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, LockFile> m_files;
};

struct Beside {
    const char* what;
    std::function<void()> step; // one step of the other thread's loop
};

// A thread that repeats a step, with a pause for the rounds, until its end.
class Loop {
public:
    explicit Loop(const std::function<void()>& step)
        : m_thread([this, step] {
              while (!m_stop) {
                  step();
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~Loop() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// One adapter, so that every probe the other thread makes is of qor0.
class LockHoldTest : public SimTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 4660}]})";
    }

    LingeringProbe lingering{sim, std::this_thread::get_id()};
};

// Every round opens qor0 read-write, has the other process try the same and
// closes, then leaves the adapter closed for a moment; beside it another
// thread loops over something else this process does with qor0's lock file.
// The other process must be refused in every round, and this process never
// takes its own lock for another's.
TEST_F(LockHoldTest, ReadWriteLockHoldsWhileTheAdapterIsOpen) {
    std::signal(SIGPIPE, SIG_IGN); // a child that ended shows as a missing answer
    fsa::setOsPort(&lingering);
    const Beside cases[] = {
        {"enumeration", [] { FsaLocalEnumAdapters(nullptr, noteAvailability); }},
        {"another read-write handle", [this] { FsaCloseAdapter(open("qor0")); }},
        {"a read-only handle", [this] { FsaCloseAdapter(open("qor0", FSA_ACC_READ_ONLY)); }},
    };
    constexpr int kRounds = 50;
    Child other(otherProcess("qor0"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Loop beside(c.step);
        int admitted = 0;
        for (int round = 0; round < kRounds; ++round) {
            void* h = open();
            ASSERT_NE(h, nullptr) << "round " << round;
            ASSERT_TRUE(other.writeLine("try"));
            const std::string answer = other.readLine();
            ASSERT_FALSE(answer.empty()) << "the other process ended in round " << round;
            admitted += answer != "open 134\n";
            EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(admitted, 0) << "rounds of " << kRounds
                               << " in which the other process opened qor0 read-write";
    }
    EXPECT_EQ(g_reportedHeldElsewhere, 0u) << "enumerations that saw qor0 held elsewhere";
    // Once closed, the adapter is the other process's to take.
    ASSERT_TRUE(other.writeLine("try"));
    EXPECT_EQ(other.readLine(), "open 1\n");
}

// The application, or anything else in its process, opens the lock file of
// an adapter it holds open and closes it again: the lock stays.
TEST_F(LockHoldTest, ReadWriteLockOutlivesOtherDescriptorsOfTheFile) {
    std::signal(SIGPIPE, SIG_IGN);
    Child other(otherProcess("qor0"));
    void* h = open();
    ASSERT_NE(h, nullptr);
    const int reader = ::open("/tmp/.qor0lock", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ::close(reader);
    ASSERT_TRUE(other.writeLine("try"));
    EXPECT_EQ(other.readLine(), "open 134\n");
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
    ASSERT_TRUE(other.writeLine("try"));
    EXPECT_EQ(other.readLine(), "open 1\n");
}

// The lock calls of a read-write open refused by the system: the open fails
// with their status, and neither a lock nor a descriptor of it stays.
TEST_F(LockHoldTest, RefusedLockCallsFailTheOpenAndLeaveNoLock) {
    const struct {
        const char* what;
        int command;
        int error;
        FSA_STATUS expected;
    } cases[] = {
        {"test refused", F_OFD_GETLK, EIO, FSA_STS_UX_LOCK_FCNTL_FAILED},
        {"set refused", F_OFD_SETLK, ENOLCK, FSA_STS_UX_LOCK_FCNTL_FAILED},
        {"set lost to another process", F_OFD_SETLK, EAGAIN, FSA_STS_OPENED_READ_WRITE},
    };
    std::signal(SIGPIPE, SIG_IGN);
    Child other(otherProcess("qor0"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qorsim::Fault fault;
        fault.call = qorsim::Call::Fcntl;
        fault.path = ".qor0lock";
        fault.request = static_cast<unsigned long>(c.command);
        fault.error = c.error;
        sim.inject(fault);
        void* h = nullptr;
        EXPECT_EQ(FsaOpenAdapter2("qor0", nullptr, 4970, FSA_ACC_READ_WRITE, FSA_CONNECTION_LOCAL,
                                  nullptr, nullptr, &h, nullptr),
                  c.expected);
        EXPECT_EQ(h, nullptr);
        EXPECT_EQ(sim.openNodeCount(), 0u);
        int opened = 0, closed = 0;
        for (const auto& e : sim.journal()) {
            if (e.error || e.path.find(".qor0lock") == std::string::npos)
                continue;
            opened += e.call == qorsim::Call::Open;
            closed += e.call == qorsim::Call::Close;
        }
        EXPECT_GT(opened, 0);
        EXPECT_EQ(closed, opened) << "descriptors of the lock file left open";
        ASSERT_TRUE(other.writeLine("try"));
        EXPECT_EQ(other.readLine(), "open 1\n");
        sim.clearJournal();
    }
}

} // namespace
