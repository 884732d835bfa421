#include "OsSync.h"

#include "OsPort.h"
#include "Trace.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
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

// An owner-recursive mutex that serves waiters in their order of arrival: a
// thread that releases it and asks again at once queues behind those already
// waiting, so a caller beside a loop of short calls gets its turn after the
// call in progress rather than at the end of the time limit.
struct CMutexHandle {
    unsigned id = nextId();
    std::string name;
    std::mutex state; // guards held and queue
    bool held = false;
    std::deque<std::uint64_t> queue; // tickets of the waiting threads, oldest first
    std::uint64_t nextTicket = 0;
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

    // Called with `state` held.
    void take() {
        held = true;
        owner.store(pthread_self(), std::memory_order_relaxed);
        owned.store(true, std::memory_order_release);
        count = 1;
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

// Takes the mutex in its turn, waiting in polls of the library's clock; a
// limited wait gives up its place after kMutexTimeoutMs.
void acquire(CMutexHandle* m, FAUX_MUTEX_WAIT wait) {
    if (m->ownedByCaller()) {
        ++m->count;
        return;
    }
    std::unique_lock<std::mutex> lock(m->state);
    if (!m->held && m->queue.empty()) {
        m->take();
        return;
    }
    const std::uint64_t ticket = m->nextTicket++;
    m->queue.push_back(ticket);
    for (unsigned waited = 0;; waited += kPollMs) {
        if (!m->held && m->queue.front() == ticket) {
            m->queue.pop_front();
            m->take();
            return;
        }
        if (wait == FAUX_MUTEX_WAIT::Limited && waited >= kMutexTimeoutMs) {
            m->queue.erase(std::find(m->queue.begin(), m->queue.end(), ticket));
            lock.unlock();
            FsaUxDbgFilePrintf(FSA_DBG_MUTEX, 2, "-- faos_WaitForAndGetMutex(%s): timeout\n",
                               m->name.c_str());
            raise(FSA_STS_UX_MUTEX_GET_LOCK);
        }
        lock.unlock();
        fsa::sleepMs(kPollMs);
        lock.lock();
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

int faos_GrantThreadOwnership(int) {
    return 1;
}
