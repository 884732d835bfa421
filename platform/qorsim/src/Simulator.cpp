#include "qorsim/Simulator.h"

#include "CoreHandlers.h"
#include "FaultConfig.h"

#include "configfile/config_file.h"
#include "configfile/config_node.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qorsim {

namespace {

// System calls made directly, so that neither the preload interposer nor a
// sanitizer's interceptor sees the simulator's own descriptors.
int sysOpen(const char* path, int flags, unsigned mode) {
    return static_cast<int>(::syscall(SYS_openat, AT_FDCWD, path, flags, mode));
}
int sysClose(int fd) {
    return static_cast<int>(::syscall(SYS_close, fd));
}
int sysFcntl(int fd, int cmd, void* arg) {
    return static_cast<int>(::syscall(SYS_fcntl, fd, cmd, arg));
}

long callingThread() {
    return static_cast<long>(::syscall(SYS_gettid));
}

int fail(int error) {
    errno = error;
    return -1;
}

} // namespace

Task* Adapter::findTask(std::uint32_t id) {
    for (auto& t : tasks)
        if (t.id == id)
            return &t;
    return nullptr;
}

struct Simulator::Channel {
    std::uint32_t id = 0;
    int ownerFd = -1;
    unsigned adapter = 0;
    int eventFd = -1;
    std::deque<std::array<std::uint8_t, kFibBytes>> queue;
    ~Channel() {
        if (eventFd >= 0)
            sysClose(eventFd);
    }
};

struct Pending {
    std::vector<std::uint8_t> data;
};

struct Simulator::Impl {
    mutable std::recursive_mutex mu;
    Model model;
    std::map<int, Node> nodes;
    std::map<std::uint32_t, std::shared_ptr<Channel>> channels;
    std::uint32_t nextChannel = 1;
    std::map<int, std::string> files;
    std::set<int> midLayer; // descriptors open on /proc/scsi/scsi
    std::map<std::uint16_t, FibHandler> fib;
    std::map<std::uint32_t, CtHandler> ct;
    std::map<std::uint32_t, ScsiHandler> scsi;
    std::map<std::uint32_t, AifRequestHandler> aif;
    std::vector<std::pair<std::string, SectionLoader>> sections;
    std::vector<Fault> faults;
    std::vector<JournalEntry> journal;
    bool journaling = true;
    std::map<unsigned, std::array<std::uint8_t, kFibBytes>> lastReply; // per adapter
    std::map<std::uint32_t, Pending> continuations;
    std::uint32_t nextContinuation = 1;
    unsigned tickEveryFibs = 0; // 0: the clock moves only when asked
    unsigned fibsSinceTick = 0;

    struct Timer {
        std::chrono::steady_clock::time_point due;
        unsigned adapter;
        std::function<void(Adapter&)> action;
    };
    std::vector<Timer> timers;

    // Runs the timers that are due (the lock is held).
    void runDueTimers() {
        const auto now = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < timers.size();) {
            if (timers[i].due > now) {
                ++i;
                continue;
            }
            Timer t = std::move(timers[i]);
            timers.erase(timers.begin() + static_cast<std::ptrdiff_t>(i));
            if (auto a = model.adapters.find(t.adapter); a != model.adapters.end())
                t.action(a->second);
        }
    }

    // Milliseconds until the next timer, -1 when none is set.
    int msToNextTimer() const {
        if (timers.empty())
            return -1;
        auto next = timers.front().due;
        for (const auto& t : timers)
            next = std::min(next, t.due);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            next - std::chrono::steady_clock::now())
                            .count();
        return static_cast<int>(std::max<long long>(ms + 1, 0));
    }

    // The first fault that matches the call, with its counters moved on.
    const Fault* match(const JournalEntry& e) {
        for (auto& f : faults) {
            if (f.call != e.call || f.times == 0)
                continue;
            if ((f.request && f.request != e.request) ||
                (f.fibCommand >= 0 && f.fibCommand != e.fibCommand) ||
                (f.ctCommand >= 0 && f.ctCommand != e.ctCommand) ||
                (f.scsiOperation >= 0 && f.scsiOperation != e.scsiOperation) ||
                (f.aifRequest >= 0 && f.aifRequest != e.aifRequest) ||
                (f.clusterCommand >= 0 && f.clusterCommand != e.clusterCommand) ||
                (f.adapter >= 0 && f.adapter != e.adapter) || (f.thread && f.thread != e.thread) ||
                (!f.path.empty() && e.path.find(f.path) == std::string::npos))
                continue;
            if (f.skip > 0) {
                --f.skip;
                continue;
            }
            if (f.times > 0)
                --f.times;
            return &f;
        }
        return nullptr;
    }

    // Zeroes or replays a reply as the fault asks, and keeps the reply the
    // controller gave for the adapter's next replay. A replay hands back the
    // previous reply's size and words; the header keeps this request's
    // command.
    void damageReply(const Fault* f, unsigned adapter, std::uint8_t* fib) {
        std::array<std::uint8_t, kFibBytes> answered;
        std::memcpy(answered.data(), fib, kFibBytes);
        if (f && f->zeroReplyFrom > 0 && f->zeroReplyFrom < kFibBytes)
            std::memset(fib + f->zeroReplyFrom, 0, kFibBytes - f->zeroReplyFrom);
        if (auto last = lastReply.find(adapter);
            f && f->replayPrevious && last != lastReply.end()) {
            put16(fib, kSize, get16(last->second.data(), kSize));
            std::memcpy(fib + kFibHeader, last->second.data() + kFibHeader, kFibBytes - kFibHeader);
        }
        lastReply[adapter] = answered;
    }

    // A journal entry for a call on a descriptor, with what is known of it.
    JournalEntry entryFor(Call call, int fd) const {
        JournalEntry e;
        e.call = call;
        e.thread = callingThread();
        e.fd = fd;
        if (auto node = nodes.find(fd); node != nodes.end())
            e.adapter = static_cast<int>(node->second.adapter);
        if (auto file = files.find(fd); file != files.end())
            e.path = file->second;
        return e;
    }

    void record(const JournalEntry& e) {
        if (journaling)
            journal.push_back(e);
    }

    static void wake(Channel& c) {
        std::uint64_t one = 1;
        if (::write(c.eventFd, &one, sizeof one) < 0) {
            // The counter cannot overflow with one write per queued event.
        }
    }
};

Simulator::Simulator() : impl_(std::make_unique<Impl>()) {
    registerCoreHandlers(*this);
}

Simulator::~Simulator() {
    for (auto& n : impl_->nodes)
        sysClose(n.first);
}

namespace {
template <class Registry, class Key, class Handler>
void put(std::recursive_mutex& mu, Registry& registry, Key key, Handler handler) {
    std::lock_guard<std::recursive_mutex> lock(mu);
    registry[key] = std::move(handler);
}
} // namespace

void Simulator::registerFib(std::uint16_t command, FibHandler handler) {
    put(impl_->mu, impl_->fib, command, std::move(handler));
}
void Simulator::registerContainer(std::uint32_t ctCommand, CtHandler handler) {
    put(impl_->mu, impl_->ct, ctCommand, std::move(handler));
}
void Simulator::registerScsi(std::uint32_t subOperation, ScsiHandler handler) {
    put(impl_->mu, impl_->scsi, subOperation, std::move(handler));
}
void Simulator::registerAifRequest(std::uint32_t code, AifRequestHandler handler) {
    put(impl_->mu, impl_->aif, code, std::move(handler));
}
void Simulator::registerSection(const std::string& key, SectionLoader loader) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    impl_->sections.emplace_back(key, std::move(loader));
}

void Simulator::load(const std::string& jsonText) {
    const standin_config::Document doc(jsonText);
    const standin_config::Node top = doc.root();
    Model model;
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    // Without the key the clock moves only when asked; 0 would say the same
    // thing in a way that reads as "every request".
    const unsigned tickEveryFibs =
        top.contains("clock") && top.at("clock").contains("tickEveryFibs")
            ? top.at("clock").at("tickEveryFibs").within(1u, ~0u)
            : 0u;
    for (const standin_config::Node& a : top.elements("adapters")) {
        const unsigned index = a.at("index").within(0u, 15u);
        if (model.adapters.count(index) != 0)
            a.at("index").refuse("adapter " + std::to_string(index) + " is described twice");
        Adapter adapter;
        adapter.index = index;
        for (const auto& [key, loader] : impl_->sections)
            if (key.empty() || a.contains(key))
                loader(key.empty() ? a : a.at(key), adapter);
        model.adapters[index] = std::move(adapter);
    }
    std::vector<Fault> faults;
    for (const standin_config::Node& f : top.elements("faults"))
        faults.push_back(faultFromJson(f));
    doc.finish();
    impl_->tickEveryFibs = tickEveryFibs;
    impl_->fibsSinceTick = 0;
    impl_->model = std::move(model);
    for (Fault& f : faults)
        impl_->faults.push_back(std::move(f));
}

void Simulator::loadFile(const std::string& path) {
    standin_config::load(path, [this](const std::string& text) { load(text); });
}

bool Simulator::isNodePath(const char* path) {
    static const char prefix[] = "/dev/qor";
    if (!path || std::strncmp(path, prefix, sizeof prefix - 1) != 0)
        return false;
    const char* n = path + sizeof prefix - 1;
    if (n[0] < '0' || n[0] > '9')
        return false;
    if (n[1] == '\0')
        return true;
    return n[0] == '1' && n[1] >= '0' && n[1] <= '5' && n[2] == '\0';
}

bool Simulator::isScsiMidLayer(const char* path) {
    return isScsiMidLayerPath(path);
}

bool Simulator::ownsFd(int fd) const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    return impl_->nodes.count(fd) != 0 || impl_->midLayer.count(fd) != 0;
}

bool Simulator::isNodeFd(int fd) const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    return impl_->nodes.count(fd) != 0;
}

int Simulator::open(const char* path, int flags, unsigned mode) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    JournalEntry e;
    e.call = Call::Open;
    e.thread = callingThread();
    e.path = path ? path : "";
    e.request = static_cast<unsigned long>(flags);
    const bool node = isNodePath(path);
    if (node)
        e.adapter = std::atoi(path + 8);
    int fd = -1;
    if (const Fault* f = impl_->match(e); f && f->error) {
        e.error = f->error;
    } else if (isScsiMidLayerPath(path)) {
        // The host's mid-layer takes what is written when it is closed.
        if ((fd = ::memfd_create("qorsim-scsi", MFD_CLOEXEC)) < 0)
            e.error = errno;
        else
            impl_->midLayer.insert(fd);
    } else if (!node) {
        fd = sysOpen(path, flags, mode);
        if (fd < 0)
            e.error = errno;
        else
            impl_->files[fd] = e.path;
    } else {
        auto it = impl_->model.adapters.find(static_cast<unsigned>(e.adapter));
        if (it == impl_->model.adapters.end())
            e.error = ENOENT;
        else if (it->second.accessDenied)
            e.error = EACCES;
        else if ((fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) < 0)
            e.error = errno;
        else
            impl_->nodes[fd] = Node{static_cast<unsigned>(e.adapter), flags};
    }
    e.fd = fd;
    impl_->record(e);
    return e.error ? fail(e.error) : fd;
}

int Simulator::close(int fd) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    JournalEntry e = impl_->entryFor(Call::Close, fd);
    auto node = impl_->nodes.find(fd);
    if (const Fault* f = impl_->match(e); f && f->error) {
        e.error = f->error;
        impl_->record(e);
        return fail(e.error);
    }
    if (node != impl_->nodes.end()) {
        // A driver releases the event channels of a descriptor on its last close.
        for (auto it = impl_->channels.begin(); it != impl_->channels.end();)
            it = it->second->ownerFd == fd ? impl_->channels.erase(it) : std::next(it);
        impl_->nodes.erase(node);
    }
    impl_->files.erase(fd);
    if (impl_->midLayer.erase(fd)) {
        std::string text;
        char buffer[256];
        ssize_t got;
        ::lseek(fd, 0, SEEK_SET);
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        applyScsiMidLayerText(impl_->model, text);
    }
    if (sysClose(fd) != 0)
        e.error = errno;
    impl_->record(e);
    return e.error ? fail(e.error) : 0;
}

int Simulator::fcntl(int fd, int cmd, void* arg) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    JournalEntry e = impl_->entryFor(Call::Fcntl, fd);
    e.request = static_cast<unsigned long>(cmd);
    if (const Fault* f = impl_->match(e); f && f->error) {
        e.error = f->error;
        impl_->record(e);
        return fail(e.error);
    }
    const int r = sysFcntl(fd, cmd, arg);
    if (r < 0)
        e.error = errno;
    impl_->record(e);
    return r < 0 ? fail(e.error) : r;
}

namespace {

void describeFib(JournalEntry& e, const std::uint8_t* fib) {
    std::memcpy(e.fib.data(), fib, kFibBytes);
    e.fibCommand = get16(fib, kCommand);
    const std::uint32_t w0 = get32(fib, kFibHeader);
    if (e.fibCommand == 500 && w0 == 2)
        e.ctCommand = static_cast<int>(get32(fib, kFibHeader + 4));
    else if (e.fibCommand == 500 && w0 == 3)
        e.scsiOperation = static_cast<int>(get32(fib, kFibHeader + 16));
    else if (e.fibCommand == 700)
        e.aifRequest = static_cast<int>(w0);
    else if (e.fibCommand == 550)
        e.clusterCommand = static_cast<int>(w0);
}

} // namespace

int Simulator::ioctl(int fd, unsigned long request, void* arg) {
    std::unique_lock<std::recursive_mutex> lock(impl_->mu);
    auto node = impl_->nodes.find(fd);
    if (node == impl_->nodes.end()) {
        lock.unlock();
        return static_cast<int>(::syscall(SYS_ioctl, fd, request, arg));
    }
    impl_->runDueTimers();
    JournalEntry e;
    e.call = Call::Ioctl;
    e.fd = fd;
    e.adapter = static_cast<int>(node->second.adapter);
    e.request = request;
    e.thread = callingThread();
    if (request == kSendFib && arg)
        describeFib(e, static_cast<const std::uint8_t*>(arg));
    const Fault* fault = impl_->match(e);
    if (fault && fault->error) {
        e.error = fault->error;
        impl_->record(e);
        return fail(e.error);
    }
    Adapter& adapter = impl_->model.adapters.at(node->second.adapter);
    if (!arg && request != kCloseGetAdapterFib) {
        e.error = EFAULT;
        impl_->record(e);
        return fail(EFAULT);
    }
    switch (request) {
    case kSendFib: {
        auto* fib = static_cast<std::uint8_t*>(arg);
        auto h = impl_->fib.find(get16(fib, kCommand));
        if (h == impl_->fib.end()) {
            e.error = EINVAL; // the firmware rejects unknown commands
            break;
        }
        FibRequest r{*this, adapter, fd, fib};
        if (!fault || !fault->refuse)
            h->second(r);
        if (fault && fault->mutateReply)
            fault->mutateReply(fib);
        impl_->damageReply(fault, adapter.index, fib);
        std::memcpy(e.reply.data(), fib, kFibBytes);
        if (fault && fault->otherClient)
            fault->otherClient(adapter);
        if (impl_->tickEveryFibs && ++impl_->fibsSinceTick >= impl_->tickEveryFibs) {
            impl_->fibsSinceTick = 0;
            advanceClock(1);
        }
        break;
    }
    case kOpenGetAdapterFib: {
        auto c = std::make_shared<Channel>();
        c->id = impl_->nextChannel++;
        c->ownerFd = fd;
        c->adapter = adapter.index;
        c->eventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (c->eventFd < 0) {
            e.error = errno;
            break;
        }
        impl_->channels[c->id] = c;
        std::uint32_t id = c->id;
        std::memcpy(arg, &id, 4);
        break;
    }
    case kCloseGetAdapterFib: {
        const auto id = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg));
        auto c = impl_->channels.find(id);
        if (c == impl_->channels.end() || c->second->ownerFd != fd)
            e.error = EINVAL;
        else
            impl_->channels.erase(c);
        break;
    }
    case kGetNextAdapterFib: {
        GetNextArgs args;
        std::memcpy(&args, arg, sizeof args);
        auto c = impl_->channels.find(args.channel);
        if (c == impl_->channels.end() || c->second->ownerFd != fd || !args.fib) {
            e.error = EINVAL;
            break;
        }
        std::shared_ptr<Channel> channel = c->second;
        for (;;) {
            if (!channel->queue.empty()) {
                std::memcpy(args.fib, channel->queue.front().data(), kFibBytes);
                channel->queue.pop_front();
                if (channel->queue.empty()) {
                    std::uint64_t n;
                    if (::read(channel->eventFd, &n, sizeof n) < 0) {
                        // Nothing to drain: the counter was already zero.
                    }
                }
                if (fault && fault->mutateReply)
                    fault->mutateReply(static_cast<std::uint8_t*>(args.fib));
                break;
            }
            if (!args.wait || impl_->channels.count(args.channel) == 0) {
                e.error = args.wait ? EBADF : EAGAIN;
                break;
            }
            // Block outside the lock, waking up for the next timer; a signal
            // ends the wait with EINTR.
            // Wakes without a queued event (a new timer) are spent here.
            std::uint64_t spent;
            if (::read(channel->eventFd, &spent, sizeof spent) < 0) {
                // Nothing to spend: the counter was already zero.
            }
            pollfd p{channel->eventFd, POLLIN, 0};
            const int timeout = impl_->msToNextTimer();
            ++waiters_;
            lock.unlock();
            const int r = ::poll(&p, 1, timeout);
            const int err = errno;
            lock.lock();
            --waiters_;
            impl_->runDueTimers();
            if (r < 0 && err == EINTR) {
                e.error = EINTR;
                break;
            }
        }
        break;
    }
    case kMiniportRevCheck: {
        std::uint32_t w[3];
        std::memcpy(w, arg, sizeof w);
        w[0] = adapter.driverCompatible ? 1 : 0;
        w[1] = adapter.driver.external;
        w[2] = adapter.driver.build;
        std::memcpy(arg, w, sizeof w);
        break;
    }
    case kPciInfo: {
        const std::uint32_t w[2] = {adapter.pciBus, adapter.pciSlot};
        std::memcpy(arg, w, sizeof w);
        break;
    }
    case kQueryDisk: {
        QueryDiskRecord q;
        std::memcpy(&q, arg, sizeof q);
        auto d = adapter.hostDisks.find(static_cast<std::uint32_t>(q.container));
        if (d == adapter.hostDisks.end()) {
            q.valid = 0;
        } else {
            q.instance = d->second.instance;
            q.bus = d->second.bus;
            q.target = d->second.target;
            q.lun = d->second.lun;
            q.valid = d->second.valid;
            q.locked = d->second.locked;
            q.deleted = d->second.deleted;
            q.unmapped = d->second.unmapped;
            std::memset(q.diskName, 0, sizeof q.diskName);
            std::memcpy(q.diskName, d->second.name.data(),
                        std::min(d->second.name.size(), sizeof q.diskName));
        }
        std::memcpy(arg, &q, sizeof q);
        break;
    }
    case kDeleteDisk: {
        std::uint32_t w[2];
        std::memcpy(w, arg, sizeof w);
        auto d = adapter.hostDisks.find(w[1]);
        if (d == adapter.hostDisks.end())
            e.error = ENXIO;
        else
            d->second.deleted = true;
        break;
    }
    default:
        e.error = ENOTTY;
    }
    impl_->record(e);
    return e.error ? fail(e.error) : 0;
}

void Simulator::update(unsigned adapter, const std::function<void(Adapter&)>& change) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    change(impl_->model.adapters.at(adapter));
}

Adapter Simulator::snapshot(unsigned adapter) const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    return impl_->model.adapters.at(adapter);
}

void Simulator::queueAif(unsigned adapter, const std::uint8_t* aif, int exceptFd) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    for (auto& [id, c] : impl_->channels) {
        if (c->adapter != adapter || c->ownerFd == exceptFd)
            continue;
        c->queue.emplace_back();
        std::memcpy(c->queue.back().data(), aif, kFibBytes);
        Impl::wake(*c);
    }
}

void Simulator::notify(unsigned adapter, const std::vector<std::uint32_t>& notifyRecord) {
    std::uint8_t fib[kFibBytes] = {};
    const std::size_t words = std::min<std::size_t>(notifyRecord.size(), (kFibBytes - 40) / 4);
    put16(fib, kCommand, 0);
    put16(fib, kSize, static_cast<std::uint16_t>(40 + 4 * words));
    put32(fib, kFibHeader, 1);
    for (std::size_t i = 0; i < words; ++i)
        put32(fib, 40 + 4 * i, notifyRecord[i]);
    queueAif(adapter, fib);
}

void Simulator::sendJobProgress(Adapter& adapter, const std::vector<const Task*>& tasks) {
    constexpr std::size_t perFib = (kFibBytes - 40) / 36;
    for (std::size_t first = 0; first < tasks.size(); first += perFib) {
        const std::size_t n = std::min(perFib, tasks.size() - first);
        std::uint8_t fib[kFibBytes] = {};
        put16(fib, kSize, static_cast<std::uint16_t>(40 + 36 * n));
        put32(fib, kFibHeader, 2);
        for (std::size_t i = 0; i < n; ++i) {
            const Task& t = *tasks[first + i];
            const std::uint32_t w[9] = {t.id,    t.jobCode, t.objectId, 0,      t.status,
                                        t.total, t.current, t.word7,    t.word8};
            std::memcpy(fib + 40 + 36 * i, w, sizeof w);
        }
        queueAif(adapter.index, fib);
    }
}

void Simulator::advanceClock(unsigned ticks) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    for (auto& [index, adapter] : impl_->model.adapters) {
        std::vector<const Task*> moved;
        for (auto& t : adapter.tasks) {
            if (t.status != 102 || t.step == 0)
                continue;
            const std::uint64_t next = std::uint64_t(t.current) + std::uint64_t(t.step) * ticks;
            t.current = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, t.total));
            if (t.current >= t.total)
                t.status = 1;
            moved.push_back(&t);
        }
        sendJobProgress(adapter, moved);
    }
}

void Simulator::addTimer(unsigned adapter, unsigned delayMs, std::function<void(Adapter&)> action) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    impl_->timers.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs),
                             adapter, std::move(action)});
    // Blocked event waits recompute how long they may sleep.
    for (auto& [id, c] : impl_->channels)
        Impl::wake(*c);
}

std::size_t Simulator::openNodeCount() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    return impl_->nodes.size();
}

std::size_t Simulator::pendingEvents() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    std::size_t n = 0;
    for (const auto& [id, c] : impl_->channels)
        n += c->queue.size();
    return n;
}

std::size_t Simulator::openChannelCount() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    return impl_->channels.size();
}

std::vector<JournalEntry> Simulator::journal() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    return impl_->journal;
}

void Simulator::clearJournal() {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    impl_->journal.clear();
}

void Simulator::setJournaling(bool on) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    impl_->journaling = on;
}

void Simulator::inject(Fault fault) {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    impl_->faults.push_back(std::move(fault));
}

void Simulator::clearFaults() {
    std::lock_guard<std::recursive_mutex> lock(impl_->mu);
    impl_->faults.clear();
}

} // namespace qorsim

namespace qorsim {

namespace {

constexpr std::size_t kCtData = kFibHeader + 32;
constexpr std::size_t kCtDataMax = 432;
constexpr std::uint32_t kContinueData = 83;
constexpr std::uint32_t kStopData = 84;
constexpr std::uint32_t kCtContinuationData = 201;
constexpr std::uint32_t kCtContinuationStopOk = 198;
constexpr std::uint32_t kCtContinuationError = 199;
constexpr std::size_t kScsiData = kFibHeader + 20;
constexpr std::size_t kScsiDataMax = 456;

} // namespace

void Simulator::dispatchContainerFib(FibRequest& r) {
    std::uint8_t* fib = r.fib;
    const std::uint32_t kind = r.word(0);
    if (kind == 3 && r.word(1) == 9) {
        const std::size_t length = std::min<std::size_t>(
            get16(fib, kSize) >= 20 ? get16(fib, kSize) - 20 : 0, kScsiDataMax);
        ScsiRequest s{*this, r.adapter, r.word(3), r.word(4), r.word(2), fib + kScsiData, length};
        auto h = impl_->scsi.find(s.subOperation);
        if (h == impl_->scsi.end())
            s.status = 1;
        else
            h->second(s);
        r.setWord(0, s.status);
        return;
    }
    if (kind != 2) {
        r.setWord(0, 1); // request kind not served
        return;
    }
    const std::uint32_t command = r.word(1);
    if (command == kContinueData || command == kStopData) {
        auto p = impl_->continuations.find(r.word(5));
        r.setWord(0, 0);
        if (p == impl_->continuations.end()) {
            r.setWord(2, kCtContinuationError);
            return;
        }
        if (command == kStopData) {
            impl_->continuations.erase(p);
            r.setWord(2, kCtContinuationStopOk);
            return;
        }
        const std::size_t offset = std::size_t(r.word(6)) * kCtDataMax;
        const auto& data = p->second.data;
        std::memset(fib + kCtData, 0, kCtDataMax);
        if (offset < data.size())
            std::memcpy(fib + kCtData, data.data() + offset,
                        std::min(kCtDataMax, data.size() - offset));
        r.setWord(2, 200);
        return;
    }
    CtRequest c{*this,         r.adapter, command, {r.word(2), r.word(3), r.word(4)},
                fib + kCtData, r.word(7), {},      {}};
    std::memcpy(c.reply, c.param, sizeof c.reply);
    auto h = impl_->ct.find(command);
    if (h == impl_->ct.end())
        c.accepted = false;
    else
        h->second(c);
    r.setWord(0, c.accepted ? 0 : 1);
    if (!c.accepted)
        return;
    if (c.data.size() > kCtDataMax) {
        const std::uint32_t handle = impl_->nextContinuation++;
        r.setWord(2, kCtContinuationData);
        r.setWord(3, static_cast<std::uint32_t>(c.data.size()));
        r.setWord(4, c.reply[0]);
        r.setWord(5, handle);
        impl_->continuations[handle].data = std::move(c.data);
        return;
    }
    r.setWord(2, c.reply[0]);
    r.setWord(3, c.reply[1]);
    r.setWord(4, c.reply[2]);
    std::memset(fib + kCtData, 0, kCtDataMax);
    if (!c.data.empty())
        std::memcpy(fib + kCtData, c.data.data(), c.data.size());
}

void Simulator::dispatchAifRequest(FibRequest& r) {
    auto h = impl_->aif.find(r.word(0));
    if (h == impl_->aif.end()) {
        r.setWord(0, 1);
        r.setWord(1, 0);
        return;
    }
    h->second(r);
}

} // namespace qorsim
