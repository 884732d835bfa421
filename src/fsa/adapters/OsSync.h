#pragma once

// OS layer: owner-recursive mutexes that threads sharing them take in turns,
// with a time limit on the library's clock; counting semaphores, threads,
// and the hold-off of thread cancellation inside library calls. Failures are
// thrown as FSA_STATUS.

#include "FsaStatus.h"

#include <pthread.h>

void* faos_CreateMutex(const char* name);
int faos_WaitForAndGetMutex(void* mutex);
int faos_ReleaseMutex(void* mutex);
int faos_DestroyMutex(void* mutex);
// faos_WaitForAndGetMutex without giving up: for the steps that stop a
// receive loop, which must not end halfway with the loop still running.
void faos_WaitForMutexUntilTaken(void* mutex);
// Whether the calling thread holds the mutex.
bool faos_MutexHeldByCaller(void* mutex);

void* faos_CreateSemaphore();
// timeout -1: no limit; every other value: 5000 ms.
void faos_WaitForSemaphore(void* sema, int timeout);
// Non-throwing probe used by waits that must keep doing something else.
bool faos_TryWaitSemaphore(void* sema);
void faos_SetSemaphore(void* sema);
int faos_ResetSemaphore(void* sema);
void faos_DestroySemaphore(void* sema);

pthread_t faos_CreateThread(void* (*body)(void*), void* arg);
void faos_JoinThread(pthread_t thread);
void faos_SwitchThread();
void faos_Sleep(unsigned ms);
int faos_GrantThreadOwnership(int);

// Thread cancellation is held off while the library works for the calling
// thread: a wait that ended by cancellation would leave its place in a
// queue, a close half done, or a lock taken. A cancel that arrives meanwhile
// is acted on once the outermost hold-off has ended, at the thread's next
// cancellation point (the end of an exported call is one).
void faos_BeginCancelHoldOff();
void faos_EndCancelHoldOff();
// Acts on a cancel requested during a hold-off; nothing inside one, or when
// the application disabled cancellation itself.
void faos_ActOnPendingCancel();

class FAUX_CANCEL_HOLDOFF {
public:
    FAUX_CANCEL_HOLDOFF() { faos_BeginCancelHoldOff(); }
    ~FAUX_CANCEL_HOLDOFF() { faos_EndCancelHoldOff(); }
    FAUX_CANCEL_HOLDOFF(const FAUX_CANCEL_HOLDOFF&) = delete;
    FAUX_CANCEL_HOLDOFF& operator=(const FAUX_CANCEL_HOLDOFF&) = delete;
};

// How a scope waits for its mutex: up to the layer's limit (486 after it), or
// until it is taken.
enum class FAUX_MUTEX_WAIT { Limited, UntilTaken };

// Takes a mutex for a scope.
class FAUX_AUTORELEASE_MUTEX {
public:
    explicit FAUX_AUTORELEASE_MUTEX(void* mutex, FAUX_MUTEX_WAIT wait = FAUX_MUTEX_WAIT::Limited)
        : m_mutex(mutex) {
        if (wait == FAUX_MUTEX_WAIT::UntilTaken)
            faos_WaitForMutexUntilTaken(m_mutex);
        else
            faos_WaitForAndGetMutex(m_mutex);
    }
    ~FAUX_AUTORELEASE_MUTEX() { faos_ReleaseMutex(m_mutex); }
    FAUX_AUTORELEASE_MUTEX(const FAUX_AUTORELEASE_MUTEX&) = delete;
    FAUX_AUTORELEASE_MUTEX& operator=(const FAUX_AUTORELEASE_MUTEX&) = delete;

private:
    void* m_mutex;
};
