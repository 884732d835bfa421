#include "OsSync.h"

#include "OsPort.h"
#include "Trace.h"

#include <atomic>
#include <cerrno>
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

struct CMutexHandle {
    unsigned id = nextId();
    std::string name;
    pthread_mutex_t mutex;
    std::atomic<unsigned> locked{0};
    unsigned count = 0;
    std::atomic<bool> owned{false};
    std::atomic<pthread_t> owner{};

    // Only the owner writes owner and owned, under the system mutex; the
    // release store of owned=true publishes the owner written before it, so
    // a thread that sees it set also sees who holds the mutex. Only the
    // caller's own answer matters here, and that is always current. No
    // stronger ordering: these stores run on every exported call.
    bool ownedByCaller() const {
        return owned.load(std::memory_order_acquire) &&
               pthread_equal(owner.load(std::memory_order_relaxed), pthread_self());
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
    if (pthread_mutex_init(&m->mutex, nullptr) != 0) {
        delete m;
        raise(FSA_STS_UX_MUTEX_CREATE);
    }
    return m;
}

int faos_WaitForAndGetMutex(void* handle) {
    auto* m = static_cast<CMutexHandle*>(handle);
    if (m->ownedByCaller()) {
        ++m->count;
        return 1;
    }
    for (unsigned waited = 0; pthread_mutex_trylock(&m->mutex) != 0; waited += kPollMs) {
        if (waited >= kMutexTimeoutMs) {
            FsaUxDbgFilePrintf(FSA_DBG_MUTEX, 2, "-- faos_WaitForAndGetMutex(%s): timeout\n",
                               m->name.c_str());
            raise(FSA_STS_UX_MUTEX_GET_LOCK);
        }
        fsa::sleepMs(kPollMs);
    }
    m->owner.store(pthread_self(), std::memory_order_relaxed);
    m->owned.store(true, std::memory_order_release);
    m->locked.store(1, std::memory_order_relaxed);
    m->count = 1;
    return 1;
}

void faos_WaitForMutexUntilTaken(void* handle) {
    for (;;) {
        try {
            faos_WaitForAndGetMutex(handle);
            return;
        } catch (FSA_STATUS s) {
            if (s != FSA_STS_UX_MUTEX_GET_LOCK)
                throw;
        }
    }
}

int faos_ReleaseMutex(void* handle) {
    auto* m = static_cast<CMutexHandle*>(handle);
    if (!m->ownedByCaller())
        return 0;
    if (--m->count > 0)
        return 1;
    m->owned.store(false, std::memory_order_relaxed);
    m->locked.store(0, std::memory_order_relaxed);
    if (pthread_mutex_unlock(&m->mutex) != 0)
        raise(FSA_STS_UX_MUTEX_RELEASE);
    return 1;
}

bool faos_MutexHeldByCaller(void* handle) {
    return static_cast<CMutexHandle*>(handle)->ownedByCaller();
}

int faos_DestroyMutex(void* handle) {
    auto* m = static_cast<CMutexHandle*>(handle);
    if (!m)
        return 0;
    const int r = pthread_mutex_destroy(&m->mutex);
    delete m;
    if (r != 0)
        raise(FSA_STS_UX_MUTEX_DESTROY);
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
