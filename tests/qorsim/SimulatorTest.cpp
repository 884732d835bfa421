#include "qorsim/Simulator.h"

#include "configfile/config_node.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace qorsim;

const char* kOne =
    R"({"adapters": [{"index": 1, "serial": 5}, {"index": 3, "accessDenied": true}]})";

std::uint8_t* fibFor(std::uint8_t (&fib)[kFibBytes], std::uint16_t command) {
    std::memset(fib, 0, sizeof fib);
    put16(fib, kCommand, command);
    return fib;
}

TEST(Simulator, DeviceNodes) {
    EXPECT_TRUE(Simulator::isNodePath("/dev/qor0"));
    EXPECT_TRUE(Simulator::isNodePath("/dev/qor15"));
    EXPECT_FALSE(Simulator::isNodePath("/dev/qor16"));
    EXPECT_FALSE(Simulator::isNodePath("/dev/qor01"));
    EXPECT_FALSE(Simulator::isNodePath("/dev/qor"));
    EXPECT_FALSE(Simulator::isNodePath("/dev/qor1x"));
    EXPECT_FALSE(Simulator::isNodePath(nullptr));
    Simulator sim;
    sim.load(kOne);
    EXPECT_EQ(sim.open("/dev/qor0", O_RDONLY, 0), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(sim.open("/dev/qor3", O_RDONLY, 0), -1);
    EXPECT_EQ(errno, EACCES);
    const int fd = sim.open("/dev/qor1", O_RDWR, 0);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(sim.isNodeFd(fd));
    EXPECT_EQ(sim.openNodeCount(), 1u);
    std::uint32_t channel = 0;
    EXPECT_EQ(sim.ioctl(fd, kOpenGetAdapterFib, &channel), 0);
    EXPECT_EQ(sim.openChannelCount(), 1u);
    EXPECT_EQ(sim.ioctl(fd, 0x1234, &channel), -1);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(sim.close(fd), 0); // the driver releases the descriptor's channels
    EXPECT_EQ(sim.openChannelCount(), 0u);
    EXPECT_EQ(sim.openNodeCount(), 0u);
}

TEST(Simulator, ConfigurationErrors) {
    Simulator sim;
    EXPECT_THROW(sim.load(R"({"adapters": [{"index": 16}]})"), std::runtime_error);
    EXPECT_THROW(sim.load("{"), std::exception);
    EXPECT_THROW(sim.loadFile("/nonexistent/qorsim.json"), std::runtime_error);
}

TEST(Simulator, SectionsAndHandlersAreRegisteredByKey) {
    Simulator sim;
    unsigned seen = 0;
    sim.registerSection("gadgets", [&](const standin_config::Node& v, Adapter& a) {
        seen = v.size();
        a.busCount = 7;
    });
    sim.load(R"({"adapters": [{"index": 0, "gadgets": [1, 2, 3]}]})");
    EXPECT_EQ(seen, 3u);
    EXPECT_EQ(sim.snapshot(0).busCount, 7u);

    sim.registerFib(900, [](FibRequest& r) { r.setWord(0, 1); });
    sim.registerFib(900, [](FibRequest& r) { r.setWord(0, 2); });
    const int fd = sim.open("/dev/qor0", O_RDWR, 0);
    std::uint8_t fib[kFibBytes];
    ASSERT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 900)), 0);
    EXPECT_EQ(get32(fib, kFibHeader), 2u);
    EXPECT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 901)), -1);
    EXPECT_EQ(errno, EINVAL);
    sim.close(fd);
}

TEST(Simulator, FaultsSkipThenFailAndJournalSaysSo) {
    Simulator sim;
    sim.load(kOne);
    const int fd = sim.open("/dev/qor1", O_RDWR, 0);
    Fault f;
    f.fibCommand = 704;
    f.error = EBUSY;
    f.skip = 1;
    f.times = 2;
    sim.inject(f);
    std::uint8_t fib[kFibBytes];
    std::vector<int> errors;
    for (int i = 0; i < 4; ++i)
        errors.push_back(sim.ioctl(fd, kSendFib, fibFor(fib, 704)) == 0 ? 0 : errno);
    EXPECT_EQ(errors, (std::vector<int>{0, EBUSY, EBUSY, 0}));
    std::vector<int> journaled;
    for (const auto& e : sim.journal())
        if (e.fibCommand == 704)
            journaled.push_back(e.error);
    EXPECT_EQ(journaled, errors);

    Fault lock;
    lock.call = Call::Fcntl;
    lock.path = "thefile";
    lock.error = ENOLCK;
    sim.inject(lock);
    const int file = sim.open("/tmp/thefile", O_RDWR | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    EXPECT_EQ(sim.fcntl(file, F_SETLK, &fl), -1);
    EXPECT_EQ(errno, ENOLCK);
    EXPECT_EQ(sim.fcntl(file, F_SETLK, &fl), 0);
    sim.close(file);
    sim.close(fd);
}

// Replies damaged after the controller answered: zeroed past the status
// words, or the previous reply handed back again; another client's change
// lands between one FIB and the next.
TEST(Simulator, PassingFaultsDamageRepliesAndLetAnotherClientIn) {
    Simulator sim;
    sim.load(R"({"adapters": [{"index": 1, "serial": 5, "paused": true,
                 "firmware": {"external": 77, "build": 88}}]})");
    const int fd = sim.open("/dev/qor1", O_RDWR, 0);
    auto word = [](const std::uint8_t* fib, std::size_t i) {
        return get32(fib, kFibHeader + 4 * i);
    };
    std::uint8_t fib[kFibBytes];

    Fault zero;
    zero.fibCommand = 701;
    zero.zeroReplyFrom = kFibHeader + 4;
    sim.inject(zero);
    ASSERT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 701)), 0);
    EXPECT_EQ(word(fib, 0), 1u) << "the status word is kept";
    EXPECT_EQ(word(fib, 1), 0u);
    EXPECT_EQ(word(fib, 2), 0u);
    EXPECT_EQ(get16(fib, kSize), kFibHeader + 12) << "the size is kept";
    const auto zeroed = sim.journal().back();
    EXPECT_EQ(get32(zeroed.reply.data(), kFibHeader + 4), 0u) << "the journal holds the reply";

    // The replay hands back what the controller answered last (the 701
    // reply before it was zeroed), under this request's command.
    Fault replay;
    replay.fibCommand = 704;
    replay.replayPrevious = true;
    sim.inject(replay);
    ASSERT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 704)), 0);
    EXPECT_EQ(get16(fib, kCommand), 704);
    EXPECT_EQ(get16(fib, kSize), kFibHeader + 12);
    EXPECT_EQ(word(fib, 1), 77u);
    EXPECT_EQ(word(fib, 2), 88u);
    ASSERT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 704)), 0);
    EXPECT_EQ(word(fib, 0), 1u) << "a fault used up leaves replies alone";
    EXPECT_EQ(get16(fib, kSize), kFibHeader + 4);

    Fault other;
    other.fibCommand = 704;
    other.otherClient = [](Adapter& a) { a.paused = false; };
    sim.inject(other);
    ASSERT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 704)), 0);
    EXPECT_EQ(word(fib, 0), 1u) << "the change comes after the reply";
    ASSERT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 704)), 0);
    EXPECT_EQ(word(fib, 0), 0u) << "and before the next request";
    sim.close(fd);
}

// A fault that names a thread fails only that thread's calls; the journal
// says which thread made each.
TEST(Simulator, AFaultForOneThreadLeavesOthersAlone) {
    Simulator sim;
    sim.load(kOne);
    const int fd = sim.open("/dev/qor1", O_RDWR, 0);
    long other = 0;
    int otherError = 0;
    std::thread([&] {
        other = static_cast<long>(::syscall(SYS_gettid));
        Fault f;
        f.fibCommand = 704;
        f.error = EBUSY;
        f.thread = other;
        f.times = -1;
        sim.inject(f);
        std::uint8_t fib[kFibBytes];
        otherError = sim.ioctl(fd, kSendFib, fibFor(fib, 704)) == 0 ? 0 : errno;
    }).join();
    std::uint8_t fib[kFibBytes];
    EXPECT_EQ(sim.ioctl(fd, kSendFib, fibFor(fib, 704)), 0);
    EXPECT_EQ(otherError, EBUSY);
    std::vector<long> threads;
    for (const auto& e : sim.journal())
        if (e.fibCommand == 704)
            threads.push_back(e.thread);
    EXPECT_EQ(threads, (std::vector<long>{other, static_cast<long>(::syscall(SYS_gettid))}));
    sim.close(fd);
}

// The host's SCSI layer takes a disk out and brings it back.
TEST(Simulator, TheMidLayerRemovesAndAddsHostDisks) {
    Simulator sim;
    sim.load(R"({"adapters": [{"index": 0, "serial": 5, "containers": {"count": 8},
                 "hostDisks": [{"container": 4, "instance": 2, "target": 4, "name": "sde"},
                               {"container": 5, "instance": 2, "target": 5, "name": "sdf"}]}]})");
    auto write = [&sim](const char* line) {
        const int fd = sim.open("/proc/scsi/scsi", O_WRONLY, 0);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, line, std::strlen(line)), static_cast<ssize_t>(std::strlen(line)));
        ASSERT_EQ(sim.close(fd), 0);
    };
    write("scsi remove-single-device 2 0 4 0");
    EXPECT_TRUE(sim.snapshot(0).hostDisks.at(4).removedFromHost);
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(5).removedFromHost) << "only the disk named";
    sim.update(0, [](Adapter& a) { a.hostDisks.at(4).deleted = true; });
    write("scsi add-single-device 2 0 4 0");
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(4).removedFromHost);
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(4).deleted);
}

extern "C" void interrupted(int) {}

TEST(Simulator, BlockingEventWaitEndsWithASignal) {
    struct sigaction sa {};
    sa.sa_handler = interrupted;
    ::sigaction(SIGUSR1, &sa, nullptr);
    Simulator sim;
    sim.load(kOne);
    const int fd = sim.open("/dev/qor1", O_RDWR, 0);
    std::uint32_t channel = 0;
    ASSERT_EQ(sim.ioctl(fd, kOpenGetAdapterFib, &channel), 0);
    std::uint8_t fib[kFibBytes];
    GetNextArgs args{channel, 0, fib};
    EXPECT_EQ(sim.ioctl(fd, kGetNextAdapterFib, &args), -1);
    EXPECT_EQ(errno, EAGAIN);

    int result = 0, error = 0;
    std::atomic<bool> done{false};
    std::thread t([&] {
        GetNextArgs blocking{channel, 1, fib};
        result = sim.ioctl(fd, kGetNextAdapterFib, &blocking);
        error = errno;
        done = true;
    });
    while (sim.blockedWaiters() == 0)
        std::this_thread::yield();
    // A signal that lands just before the wait begins is lost: send again.
    while (!done) {
        pthread_kill(t.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    t.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(error, EINTR);

    sim.notify(1, {9});
    args.wait = 1;
    ASSERT_EQ(sim.ioctl(fd, kGetNextAdapterFib, &args), 0);
    EXPECT_EQ(get32(fib, kFibHeader), 1u);
    EXPECT_EQ(get32(fib, 40), 9u);
    EXPECT_EQ(get16(fib, kSize), 44u);
    EXPECT_EQ(sim.ioctl(fd, kCloseGetAdapterFib, reinterpret_cast<void*>(std::uintptr_t(channel))),
              0);
    EXPECT_EQ(sim.ioctl(fd, kCloseGetAdapterFib, reinterpret_cast<void*>(std::uintptr_t(channel))),
              -1);
    sim.close(fd);
}

TEST(Simulator, TasksRunOnTheClock) {
    Simulator sim;
    sim.load(
        R"({"adapters": [{"index": 0, "tasks": [{"id": 3, "job": 101, "total": 300, "step": 100}]}]})");
    sim.advanceClock(2);
    EXPECT_EQ(sim.snapshot(0).tasks[0].current, 200u);
    sim.advanceClock(5);
    EXPECT_EQ(sim.snapshot(0).tasks[0].current, 300u);
    EXPECT_TRUE(sim.snapshot(0).tasks[0].ended());
}

} // namespace
