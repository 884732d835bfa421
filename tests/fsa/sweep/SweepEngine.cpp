#include "SweepEngine.h"

#include "HandleTable.h"
#include "LiveThreads.h"
#include "OtherClient.h"
#include "SimFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <set>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace fsasweep {

namespace {

using qorsim::Adapter;
using qorsim::Fault;
using qorsim::JournalEntry;

// Ends the process when a run outlives its bound: a call that never
// returns cannot be abandoned and leaves nothing else to test.
class Watchdog {
public:
    Watchdog(unsigned ms, const std::string& what) : what_(what) {
        thread_ = std::thread([this, ms] {
            pthread_setname_np(pthread_self(), "sweep-watchdog");
            std::unique_lock<std::mutex> lock(mu_);
            if (!cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; })) {
                std::fprintf(stderr, "sweep: %s did not return within %u ms\n", what_.c_str(), ms);
                std::fflush(stderr);
                std::_Exit(3);
            }
        });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mu_);
            done_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

private:
    std::string what_;
    std::mutex mu_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_;
};

std::size_t entriesOf(const char* dir) {
    std::size_t n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

bool matchesObject(const std::string& pattern, const std::string& object) {
    if (!pattern.empty() && pattern.back() == '*')
        return object.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return object == pattern;
}

bool onlyIn(const std::vector<qorsim::Difference>& differences,
            const std::vector<std::string>& objects) {
    for (const auto& d : differences) {
        bool listed = false;
        for (const auto& o : objects)
            listed = listed || matchesObject(o, d.object);
        if (!listed)
            return false;
    }
    return true;
}

void cutShort(std::uint8_t* fib) {
    const std::size_t size = qorsim::get16(fib, qorsim::kSize);
    std::size_t cut = qorsim::kFibHeader;
    if (size > qorsim::kFibHeader)
        cut += ((size - qorsim::kFibHeader) / 2) & ~std::size_t(3);
    qorsim::put16(fib, qorsim::kSize, static_cast<std::uint16_t>(cut));
    std::memset(fib + cut, 0, qorsim::kFibBytes - cut);
}

// Container commands whose status word is the answer itself (a count, a
// size, an age, a yes or no) and that have no failure answer: a controller
// cannot answer them with a failure status, only with a wrong value.
constexpr int kValueAnswers[] = {1, 2, 4, 11, 19, 22, 123, 153};
constexpr int kSliceOfDrive = 154; // fails with 0xFFFFFFFF

// The FIBs of the journal; of one thread only unless `thread` is 0.
std::vector<JournalEntry> fibsOf(const std::vector<JournalEntry>& journal, long thread) {
    std::vector<JournalEntry> out;
    for (const auto& e : journal)
        if (e.call == qorsim::Call::Ioctl && e.request == qorsim::kSendFib &&
            (!thread || e.thread == thread))
            out.push_back(e);
    return out;
}

} // namespace

std::string fibName(const JournalEntry& e) {
    std::string s = "FIB " + std::to_string(e.fibCommand);
    if (e.ctCommand >= 0)
        s += " container command " + std::to_string(e.ctCommand);
    if (e.scsiOperation >= 0)
        s += " SCSI operation " + std::to_string(e.scsiOperation);
    if (e.aifRequest >= 0)
        s += " request " + std::to_string(e.aifRequest);
    if (e.clusterCommand >= 0)
        s += " cluster command " + std::to_string(e.clusterCommand);
    return s;
}

bool hasFailureStatus(const JournalEntry& e) {
    return std::find(std::begin(kValueAnswers), std::end(kValueAnswers), e.ctCommand) ==
           std::end(kValueAnswers);
}

const char* kindName(FailureKind kind) {
    switch (kind) {
    case FailureKind::DriverError:
        return "driver error";
    case FailureKind::FailureStatus:
        return "failure status";
    case FailureKind::ShortReply:
        return "short reply";
    case FailureKind::ZeroedReply:
        return "zeroed reply";
    case FailureKind::ReplayedReply:
        return "replayed reply";
    case FailureKind::OtherClient:
        return "other client";
    case FailureKind::NotServed:
        return "not served";
    }
    return "?";
}

Partial successExcept(std::string reason, std::vector<std::string> objects) {
    return {std::move(reason), [objects](const RunResult& r) {
                return onlyIn(qorsim::compareModels(*r.success, r.end), objects);
            }};
}

Partial startExcept(std::string reason, std::vector<std::string> objects) {
    return {std::move(reason), [objects](const RunResult& r) {
                return onlyIn(qorsim::compareModels(*r.start, r.end), objects);
            }};
}

Partial onStatus(FSA_STATUS status, Partial partial) {
    auto inner = partial.matches;
    partial.matches = [status, inner](const RunResult& r) {
        return r.status == status && inner(r);
    };
    return partial;
}

Partial onFailure(Partial partial) {
    auto inner = partial.matches;
    partial.matches = [inner](const RunResult& r) {
        return r.status != FSA_STS_SUCCESS && inner(r);
    };
    return partial;
}

Partial failedExcept(std::string reason, std::vector<std::string> objects) {
    return onFailure(startExcept(std::move(reason), std::move(objects)));
}

Partial failedWith(std::string reason, std::function<void(Adapter&)> change) {
    return onFailure({std::move(reason), [change](const RunResult& r) {
                          Adapter expected = *r.start;
                          change(expected);
                          return qorsim::compareModels(expected, r.end).empty();
                      }});
}

Partial unchangedOnSuccess(std::string reason) {
    return {std::move(reason), [](const RunResult& r) {
                return r.status == FSA_STS_SUCCESS &&
                       qorsim::compareModels(*r.start, r.end).empty();
            }};
}

FSA_STATUS withResultFlags(FSA_STATUS status, std::uint32_t flags) {
    return status == FSA_STS_SUCCESS && flags ? FSA_STATUS(0x40000000u | flags) : status;
}

Row row(std::string name, std::string config, std::function<FSA_STATUS(void*)> call,
        std::vector<std::string> touches) {
    Row r;
    r.name = std::move(name);
    r.config = std::move(config);
    r.call = std::move(call);
    r.touches = std::move(touches);
    return r;
}

// Every millisecond the library sleeps takes two microseconds: the sweep
// makes thousands of runs, each with its polls and settling pauses.
class SweepSleeper final : public fsa::Sleeper {
public:
    void sleepMs(unsigned ms) override {
        std::this_thread::sleep_for(std::chrono::microseconds(ms * 2));
    }
};

// The simulated controller behind the library's port. Every thread the
// library starts comes through the port and is counted while its body runs,
// so that a thread left running is seen whatever else the process does.
struct Bench::Port final : fsa::OsPort {
    explicit Port(qorsim::Simulator& sim) : simulator(sim) {
        fsa::setOsPort(this);
        fsa::setSleeper(&sleeper);
    }
    ~Port() override {
        fsa::setOsPort(nullptr);
        fsa::setSleeper(nullptr);
    }
    int open(const char* path, int flags, unsigned mode) override {
        return simulator.open(path, flags, mode);
    }
    int close(int fd) override { return simulator.close(fd); }
    int ioctl(int fd, unsigned long request, void* arg) override {
        return simulator.ioctl(fd, request, arg);
    }
    int fcntl(int fd, int cmd, void* arg) override { return simulator.fcntl(fd, cmd, arg); }

    struct Start {
        void* (*body)(void*);
        void* arg;
        std::atomic<std::size_t>* running;
    };
    static void* counted(void* start) {
        const Start s = *static_cast<Start*>(start);
        delete static_cast<Start*>(start);
        struct Ended {
            std::atomic<std::size_t>* running;
            ~Ended() { running->fetch_sub(1); }
        } ended{s.running};
        pthread_setname_np(pthread_self(), "library-thread");
        return s.body(s.arg);
    }
    int createThread(pthread_t* thread, void* (*body)(void*), void* arg) override {
        auto* start = new Start{body, arg, &running};
        running.fetch_add(1);
        const int error = pthread_create(thread, nullptr, counted, start);
        if (error != 0) {
            running.fetch_sub(1);
            delete start;
        }
        return error;
    }

    fsatest::SimPort simulator;
    SweepSleeper sleeper;
    std::atomic<std::size_t> running{0};
};

Bench::Bench(const std::string& config) {
    sim_.load(config);
    port_ = std::make_unique<Port>(sim_);
}

Bench::~Bench() = default;

std::size_t Bench::libraryThreads() const {
    return port_->running.load();
}

FSA_STATUS Bench::run(const std::function<FSA_STATUS(void*)>& call, const Fault* fault,
                      unsigned timeBoundMs, const std::string& what,
                      std::vector<JournalEntry>* fibs, std::vector<Adapter>* after) {
    void* handle = nullptr;
    FSA_STATUS s = FsaOpenAdapter2("qor0", nullptr, 4970, FSA_ACC_READ_WRITE, FSA_CONNECTION_LOCAL,
                                   nullptr, nullptr, &handle, nullptr);
    if (s != FSA_STS_SUCCESS) {
        ADD_FAILURE() << what << ": the adapter did not open (" << s << ")";
        return s;
    }
    sim_.clearJournal();
    const long thread = callerOnly_ ? static_cast<long>(::syscall(SYS_gettid)) : 0;
    if (fault) {
        Fault f = *fault;
        f.thread = thread;
        sim_.inject(f);
    }
    if (after) {
        // Every FIB passes this fault and leaves a copy of the model.
        Fault watch;
        watch.thread = thread;
        watch.request = qorsim::kSendFib;
        watch.times = -1;
        watch.mutateReply = [this, after](std::uint8_t*) { after->push_back(sim_.snapshot(0)); };
        sim_.inject(watch);
    }
    {
        Watchdog dog(timeBoundMs, what);
        const std::size_t threadsOfTheHandle = libraryThreads();
        s = call(handle);
        // The handle's own event thread runs until the close; a thread the
        // call started must have ended by the time the call returns.
        if (const std::size_t now = libraryThreads(); now > threadsOfTheHandle)
            ADD_FAILURE() << what << ": returned with " << now - threadsOfTheHandle
                          << " library thread(s) of its own still running";
        sim_.clearFaults();
        if (fibs)
            *fibs = fibsOf(sim_.journal(), thread);
        FsaCloseAdapter(handle);
    }
    return s;
}

Fault faultFor(FailureKind kind, int k, const JournalEntry& sent) {
    Fault f;
    f.call = qorsim::Call::Ioctl;
    f.request = qorsim::kSendFib;
    f.skip = k - 1;
    f.times = 1;
    switch (kind) {
    case FailureKind::DriverError:
        f.error = EIO;
        break;
    case FailureKind::FailureStatus: {
        f.refuse = true; // a controller that refuses does not act
        const int command = sent.fibCommand;
        const bool container = sent.ctCommand >= 0;
        const int ctCommand = sent.ctCommand;
        f.mutateReply = [command, container, ctCommand](std::uint8_t* fib) {
            auto word = [fib](std::size_t i, std::uint32_t v) {
                qorsim::put32(fib, qorsim::kFibHeader + 4 * i, v);
            };
            if (command == 550) {
                word(0, 2); // not one of the disk-set channel's good answers
            } else if (command == 500 && container) {
                word(0, 0); // accepted, and answered with
                // that command's own failure answer (no slice), or
                // CT_INVALID_ARGUMENT, which is no command's success
                word(2, ctCommand == kSliceOfDrive ? 0xFFFFFFFF : 219);
            } else if (command == 700) {
                word(0, 1);
                word(1, 0);
            } else if (command == 300) {
                word(0, 1);
                word(1, 2);
            } else {
                word(0, 1); // SCSI requests and the adapter's own commands
            }
        };
        break;
    }
    case FailureKind::ShortReply:
        f.mutateReply = cutShort;
        break;
    case FailureKind::ZeroedReply:
        f.zeroReplyFrom = replyDataOffset(sent);
        break;
    case FailureKind::ReplayedReply:
        f.replayPrevious = true;
        break;
    case FailureKind::OtherClient:
        break;
    case FailureKind::NotServed:
        f.refuse = true;
        f.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader, 1); };
        break;
    }
    return f;
}

std::size_t replyDataOffset(const JournalEntry& sent) {
    std::size_t statusWords = 1; // the adapter's own commands, cluster commands
    if (sent.ctCommand >= 0)
        statusWords = 3; // accepted, command, the container command's status
    else if (sent.scsiOperation >= 0)
        statusWords = 5; // status and the request's words before the data
    else if (sent.fibCommand == 700 || sent.fibCommand == 300)
        statusWords = 2;
    return qorsim::kFibHeader + 4 * statusWords;
}

bool canDiffer(FailureKind kind, std::size_t k, const std::vector<JournalEntry>& fibs) {
    const auto& reply = fibs[k - 1].reply;
    switch (kind) {
    case FailureKind::ZeroedReply:
        return std::any_of(reply.begin() +
                               static_cast<std::ptrdiff_t>(replyDataOffset(fibs[k - 1])),
                           reply.end(), [](std::uint8_t b) { return b != 0; });
    case FailureKind::ReplayedReply: {
        // The FIB before the first is the adapter's open: its reply is not
        // in the call's journal, so the first FIB is always replayed.
        if (k == 1)
            return true;
        const auto& previous = fibs[k - 2].reply;
        return qorsim::get16(previous.data(), qorsim::kSize) !=
                   qorsim::get16(reply.data(), qorsim::kSize) ||
               !std::equal(previous.begin() + qorsim::kFibHeader, previous.end(),
                           reply.begin() + qorsim::kFibHeader);
    }
    case FailureKind::OtherClient:
        return k < fibs.size();
    default:
        return true;
    }
}

namespace {

// The failure kept the damaged FIB's own change, as the controller made it,
// and otherwise left what a plain failure of that FIB leaves. (The clean
// run's change at a FIB also holds the host-side steps since the FIB
// before it.)
bool keptOnlyTheDamagedFib(const RunResult& run) {
    if (!run.replyDamaged || !run.failedHere || !run.beforeFib || !run.afterFib)
        return false;
    using Field = std::pair<std::string, std::string>;
    std::set<Field> changed, kept;
    for (const auto& d : qorsim::compareModels(*run.beforeFib, *run.afterFib))
        changed.insert({d.object, d.field});
    for (const auto& d : qorsim::compareModels(*run.failedHere, run.end)) {
        if (!changed.count({d.object, d.field}))
            return false;
        kept.insert({d.object, d.field});
    }
    for (const auto& d : qorsim::compareModels(*run.afterFib, run.end))
        if (kept.count({d.object, d.field}))
            return false;
    return !kept.empty();
}

// Host disks the host still reaches whose container the controller no
// longer holds: the next container given that number would be reached
// through them.
std::string strandedHostDisks(const RunResult& run) {
    std::string out;
    for (const auto& [n, disk] : run.end.hostDisks)
        if (!disk.deleted && run.start->containers.count(n) && !run.end.containers.count(n))
            out += "host disk " + std::to_string(n) + " stays for container " + std::to_string(n) +
                   ", which is gone\n";
    return out;
}

} // namespace

std::string judge(const Row& row, const RunResult& run) {
    if (const std::string stranded = strandedHostDisks(run); !stranded.empty())
        return "left the host a disk of a container that is gone:\n" + stranded;
    const auto fromStart = qorsim::compareModels(*run.start, run.end);
    std::vector<qorsim::Difference> outside;
    for (const auto& d : fromStart)
        if (!onlyIn({d}, row.touches))
            outside.push_back(d);
    if (!outside.empty())
        return "changed what it was not addressed to:\n" + qorsim::describeDifferences(outside);
    if (run.status == FSA_STS_SUCCESS) {
        if (qorsim::compareModels(*run.success, run.end).empty())
            return {};
    } else if (fromStart.empty() ||
               ((run.replyDamaged || run.afterLastChange) &&
                qorsim::compareModels(*run.success, run.end).empty()) ||
               keptOnlyTheDamagedFib(run)) {
        return {};
    }
    for (const Partial& p : row.partials)
        if (p.matches(run))
            return {};
    if (run.status == FSA_STS_SUCCESS)
        return "returned success short of the success state:\n" +
               qorsim::describeDifferences(qorsim::compareModels(*run.success, run.end));
    return "failed with " + std::to_string(run.status) + " leaving the configuration changed:\n" +
           qorsim::describeDifferences(fromStart);
}

std::size_t lastChangingFib(const Adapter& start, const std::vector<Adapter>& after) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        if (!qorsim::compareModels(i ? after[i - 1] : start, after[i]).empty())
            last = i + 1;
    return last;
}

ResourceCount countResources() {
    fsatest::settleRuntimeThreads();
    ResourceCount c;
    c.descriptors = entriesOf("/proc/self/fd");
    c.threads = fsatest::liveThreadCount();
    c.handles = UtilHandleCount();
    return c;
}

std::string describe(const ResourceCount& c) {
    return std::to_string(c.descriptors) + " descriptors, " + std::to_string(c.threads) +
           " threads, " + std::to_string(c.handles) + " handles";
}

std::size_t sweepRow(const Row& row) {
    Bench bench(row.config);
    bench.countCallerOnly(row.callerFibsOnly);
    if (row.setup)
        bench.sim().update(0, row.setup);
    const Adapter start = bench.sim().snapshot(0);
    const ResourceCount before = countResources();

    std::vector<JournalEntry> cleanFibs;
    std::vector<Adapter> states;
    RunResult clean;
    clean.status = bench.run(row.call, nullptr, row.timeBoundMs, row.name + " (clean run)",
                             &cleanFibs, &states);
    const std::size_t lastChange = lastChangingFib(start, states);
    clean.end = bench.sim().snapshot(0);
    clean.start = &start;
    // A clean run that fails is judged against the start: there is no
    // success state to be close to.
    clean.success = clean.status == FSA_STS_SUCCESS ? &clean.end : &start;
    EXPECT_EQ(clean.status, row.cleanStatus) << row.name << ": the clean run " << row.cleanNote;
    if (const std::string wrong = judge(row, clean); !wrong.empty())
        ADD_FAILURE() << row.name << ", clean run: " << wrong;
    std::printf("%s: %zu FIBs\n", row.name.c_str(), cleanFibs.size());

    const std::optional<OtherVolume> other = OtherVolume::forRow(start, row.touches);
    if (!other)
        ADD_FAILURE() << row.name << ": no disk is left for another client's volume";
    std::size_t runs = 0;
    // Runs left out, by why: the same as the clean run, or a value answer
    // (no status to check) that a replay only turns into another value.
    std::map<std::string, std::size_t> leftOut;
    for (std::size_t k = 1; k <= cleanFibs.size(); ++k) {
        std::optional<Adapter> failedHere; // the end of the driver-error run at k
        for (FailureKind kind : kAllKinds) {
            if ((kind == FailureKind::FailureStatus && !hasFailureStatus(cleanFibs[k - 1])) ||
                (kind == FailureKind::OtherClient && !other) ||
                (kind == FailureKind::NotServed &&
                 (cleanFibs[k - 1].fibCommand != 500 ||
                  std::find(row.notServed.begin(), row.notServed.end(),
                            cleanFibs[k - 1].ctCommand) == row.notServed.end())))
                continue;
            if (!canDiffer(kind, k, cleanFibs)) {
                ++leftOut[kind == FailureKind::ZeroedReply     ? "zeroed reply with no data"
                          : kind == FailureKind::ReplayedReply ? "replayed reply alike"
                                                               : "other client after the last FIB"];
                continue;
            }
            if (kind == FailureKind::ReplayedReply && !hasFailureStatus(cleanFibs[k - 1])) {
                ++leftOut["replayed value answer"];
                continue;
            }
            const std::string what = row.name + ", FIB " + std::to_string(k) + " of " +
                                     std::to_string(cleanFibs.size()) + " (" +
                                     fibName(cleanFibs[k - 1]) + "), " + kindName(kind);
            qorsim::restoreSnapshot(bench.sim(), start);
            Fault fault = faultFor(kind, static_cast<int>(k), cleanFibs[k - 1]);
            if (kind == FailureKind::OtherClient)
                fault.otherClient = [&other](Adapter& a) { other->make(a); };
            std::vector<JournalEntry> fibs;
            RunResult r;
            r.status = bench.run(row.call, &fault, row.timeBoundMs, what, &fibs);
            r.end = bench.sim().snapshot(0);
            r.start = &start;
            r.success = &clean.end;
            r.replyDamaged = kind == FailureKind::ShortReply || kind == FailureKind::ZeroedReply ||
                             kind == FailureKind::ReplayedReply;
            r.afterLastChange = k > lastChange;
            if (k <= states.size()) {
                r.beforeFib = k > 1 ? &states[k - 2] : &start;
                r.afterFib = &states[k - 1];
            }
            r.failedHere = failedHere ? &*failedHere : nullptr;
            if (kind == FailureKind::DriverError)
                failedHere = r.end;
            ++runs;
            if (kind == FailureKind::OtherClient)
                if (const std::string wrong = other->takeBack(r.end); !wrong.empty())
                    ADD_FAILURE() << what << ": " << wrong;
            if (fibs.size() < k || fibs[k - 1].fibCommand != cleanFibs[k - 1].fibCommand ||
                fibs[k - 1].ctCommand != cleanFibs[k - 1].ctCommand ||
                fibs[k - 1].scsiOperation != cleanFibs[k - 1].scsiOperation)
                ADD_FAILURE() << what << ": the call did not send the same FIB again";
            if (const std::string wrong = judge(row, r); !wrong.empty())
                ADD_FAILURE() << what << ": " << wrong;
            const ResourceCount after = countResources();
            if (!(after == before) || bench.libraryThreads() || bench.sim().openNodeCount() ||
                bench.sim().openChannelCount())
                ADD_FAILURE() << what << ": left behind " << describe(after) << " (before "
                              << describe(before) << "), " << bench.libraryThreads()
                              << " library threads running, " << bench.sim().openNodeCount()
                              << " open device nodes; threads now: " << fsatest::liveThreadList();
        }
    }
    std::string left;
    for (const auto& [why, n] : leftOut)
        left += (left.empty() ? "; left out: " : ", ") + why + " " + std::to_string(n);
    std::printf("%s: %zu faulted runs%s\n", row.name.c_str(), runs, left.c_str());
    return runs;
}

} // namespace fsasweep
