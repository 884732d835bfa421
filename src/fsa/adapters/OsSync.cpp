#include "OsSync.h"

#include "OsPort.h"
#include "Trace.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <semaphore.h>
#include <string>

namespace {

constexpr unsigned kPollMs = 50;
constexpr unsigned kMutexTimeoutMs = 120000;
constexpr unsigned kSemaTimeoutMs = 5000;

std::atomic<unsigned> g_nextId{0};

unsigned nextId() {
    unsigned id = g_nextId.fetch_add(1);
    if (id >= 10000) {
        g_nextId.store(1);
        id = 0;
    }
    return id;
}

[[noreturn]] void raise(FSA_STATUS s) {
    throw s;
}

// An owner-recursive mutex that is fast while threads share it and fair
// between them. A released mutex is free for whoever asks first, the thread
// that just released it included, so a loop of short calls keeps its speed;
// one waiter is woken at each release to take it when the holder does not
// come back. Once the oldest waiter has waited a whole turn (kTurn, counted
// from its arrival or from the last hand-over, whichever is later) the
// release hands the mutex to it directly: threads that share the mutex take
// turns of about kTurn each, and a call beside a loop of short calls is
// served within a turn.
constexpr auto kTurn = std::chrono::milliseconds(1);
using Clock = std::chrono::steady_clock;

struct Waiter {
    std::condition_variable wake;
    Clock::time_point since = Clock::now();
    bool granted = false; // handed over: the mutex is held for this waiter
};

struct CMutexHandle {
    unsigned id = nextId();
    std::string name;
    std::mutex state; // guards everything below but the owner's own fields
    bool held = false;
    std::deque<Waiter*> queue; // oldest first
    Waiter* woken = nullptr;   // woken by a release and not yet looked
    Clock::time_point lastHandOver{};
    unsigned count = 0; // the owner's depth
    std::atomic<bool> owned{false};
    std::atomic<pthread_t> owner{};

    // Only the owner writes owner and owned; the release store of
    // owned=true publishes the owner written before it, so a thread that
    // sees it set also sees who holds the mutex. Only the caller's own
    // answer matters here, and that is always current. No stronger
    // ordering: these stores run on every exported call.
    bool ownedByCaller() const {
        return owned.load(std::memory_order_acquire) &&
               pthread_equal(owner.load(std::memory_order_relaxed), pthread_self());
    }

    // Called with `state` held, once `held` is set for the caller.
    void becomeOwner() {
        owner.store(pthread_self(), std::memory_order_relaxed);
        owned.store(true, std::memory_order_release);
        count = 1;
    }

    // Called with `state` held: the mutex was just released.
    void passOn() {
        if (queue.empty())
            return;
        Waiter* oldest = queue.front();
        const Clock::time_point now = Clock::now();
        if (now - std::max(oldest->since, lastHandOver) >= kTurn) {
            queue.pop_front();
            oldest->granted = true;
            held = true;
            lastHandOver = now;
            if (woken == oldest)
                woken = nullptr;
            oldest->wake.notify_one();
        } else if (!woken) {
            woken = oldest;
            oldest->wake.notify_one();
        }
    }

    // Called with `state` held: `w` stops waiting, whatever ends its wait (a
    // take, the time limit, or an unwinding). A hand-over it did not use
    // goes to the next waiter.
    void leave(Waiter* w) {
        if (woken == w)
            woken = nullptr;
        auto place = std::find(queue.begin(), queue.end(), w);
        if (place != queue.end())
            queue.erase(place);
        if (w->granted && !ownedByCaller()) {
            held = false;
            passOn();
        }
    }
};

struct CSemaHandle {
    unsigned id = nextId();
    sem_t sema;
};

} // namespace

void* faos_CreateMutex(const char* name) {
    auto* m = new CMutexHandle;
    if (name)
        m->name = name;
    return m;
}

namespace {

// Takes the mutex, waiting on the library's clock; a limited wait gives up
// its place after kMutexTimeoutMs.
void acquire(CMutexHandle* m, FAUX_MUTEX_WAIT wait) {
    if (m->ownedByCaller()) {
        ++m->count;
        return;
    }
    std::unique_lock<std::mutex> lock(m->state);
    if (!m->held) {
        m->held = true;
        m->becomeOwner();
        return;
    }
    Waiter self;
    m->queue.push_back(&self);
    struct Leave {
        CMutexHandle* m;
        Waiter* w;
        ~Leave() { m->leave(w); }
    } leave{m, &self};
    for (std::uint64_t waitedUs = 0;;) {
        if (self.granted || !m->held) {
            m->held = true;
            m->becomeOwner();
            return;
        }
        if (wait == FAUX_MUTEX_WAIT::Limited && waitedUs >= kMutexTimeoutMs * 1000ull) {
            FsaUxDbgFilePrintf(FSA_DBG_MUTEX, 2, "-- faos_WaitForAndGetMutex(%s): timeout\n",
                               m->name.c_str());
            raise(FSA_STS_UX_MUTEX_GET_LOCK);
        }
        waitedUs += fsa::waitUs(self.wake, lock, kPollMs);
        if (m->woken == &self)
            m->woken = nullptr;
    }
}

} // namespace

int faos_WaitForAndGetMutex(void* handle) {
    acquire(static_cast<CMutexHandle*>(handle), FAUX_MUTEX_WAIT::Limited);
    return 1;
}

void faos_WaitForMutexUntilTaken(void* handle) {
    acquire(static_cast<CMutexHandle*>(handle), FAUX_MUTEX_WAIT::UntilTaken);
}

int faos_ReleaseMutex(void* handle) {
    auto* m = static_cast<CMutexHandle*>(handle);
    if (!m->ownedByCaller())
        return 0;
    if (--m->count > 0)
        return 1;
    std::lock_guard<std::mutex> lock(m->state);
    m->owned.store(false, std::memory_order_relaxed);
    m->held = false;
    m->passOn();
    return 1;
}

bool faos_MutexHeldByCaller(void* handle) {
    return static_cast<CMutexHandle*>(handle)->ownedByCaller();
}

int faos_DestroyMutex(void* handle) {
    auto* m = static_cast<CMutexHandle*>(handle);
    if (!m)
        return 0;
    delete m;
    return 1;
}

void* faos_CreateSemaphore() {
    auto* s = new CSemaHandle;
    if (sem_init(&s->sema, 0, 0) != 0) {
        delete s;
        raise(FSA_STS_UX_SEMA_CREATE);
    }
    return s;
}

bool faos_TryWaitSemaphore(void* handle) {
    return sem_trywait(&static_cast<CSemaHandle*>(handle)->sema) == 0;
}

void faos_WaitForSemaphore(void* handle, int timeout) {
    auto* s = static_cast<CSemaHandle*>(handle);
    if (timeout == -1) {
        // In effect no limit: block instead of polling for 49 days.
        while (sem_wait(&s->sema) != 0)
            if (errno != EINTR)
                raise(FSA_STS_UX_SEMA_WAIT);
        return;
    }
    for (unsigned waited = 0; !faos_TryWaitSemaphore(s); waited += kPollMs) {
        if (waited >= kSemaTimeoutMs)
            raise(FSA_STS_UX_SEMA_WAIT);
        fsa::sleepMs(kPollMs);
    }
}

void faos_SetSemaphore(void* handle) {
    if (sem_post(&static_cast<CSemaHandle*>(handle)->sema) != 0)
        raise(FSA_STS_UX_SEMA_POST);
}

int faos_ResetSemaphore(void*) {
    return 1;
}

void faos_DestroySemaphore(void* handle) {
    auto* s = static_cast<CSemaHandle*>(handle);
    if (!s)
        return;
    const int r = sem_destroy(&s->sema);
    delete s;
    if (r != 0)
        raise(FSA_STS_UX_SEMA_DESTROY);
}

pthread_t faos_CreateThread(void* (*body)(void*), void* arg) {
    pthread_t t;
    if (fsa::osPort().createThread(&t, body, arg) != 0)
        raise(FSA_STS_UX_THREAD_CREATE);
    return t;
}

void faos_JoinThread(pthread_t thread) {
    pthread_join(thread, nullptr);
}

void faos_SwitchThread() {
    fsa::sleepMs(kPollMs);
}

void faos_Sleep(unsigned ms) {
    fsa::sleepMs(ms);
}

namespace {

thread_local unsigned t_holdOffDepth = 0;
thread_local int t_cancelStateBefore = PTHREAD_CANCEL_ENABLE;

} // namespace

void faos_BeginCancelHoldOff() {
    if (t_holdOffDepth++ == 0)
        pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &t_cancelStateBefore);
}

void faos_EndCancelHoldOff() {
    if (--t_holdOffDepth == 0)
        pthread_setcancelstate(t_cancelStateBefore, nullptr);
}

void faos_ActOnPendingCancel() {
    if (t_holdOffDepth == 0)
        pthread_testcancel();
}

int faos_GrantThreadOwnership(int) {
    return 1;
}
