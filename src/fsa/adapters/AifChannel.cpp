// The adapter-event receive channel through the driver: open, blocking
// receive that a signal interrupts, and a close that never hangs.
#include "DriverRequests.h"
#include "OsLayer.h"
#include "OsPort.h"
#include "OsSync.h"
#include "Trace.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

namespace {

constexpr unsigned kPollMs = 50;
std::atomic<unsigned> g_channelIds{0};

extern "C" void noteInterrupt(int) {}

void drain(void* sema) {
    while (faos_TryWaitSemaphore(sema)) {
    }
}

} // namespace

void faux_InstallInterruptHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        ::sigaction(SIGHUP, nullptr, &current);
        if (current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN &&
            !(current.sa_flags & SA_RESTART))
            return; // a handler of the front end (FsaUxInitSignal) already does
        struct sigaction sa {};
        sa.sa_handler = noteInterrupt;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0; // no SA_RESTART: the driver wait must end with EINTR
        ::sigaction(SIGHUP, &sa, nullptr);
    });
}

void faux_killAifThread(pthread_t thread) {
    FsaUxDbgFilePrintf(FSA_DBG_SIGNAL, 3, "-- faux_killAifThread\n");
    ::pthread_kill(thread, SIGHUP);
}

FAUX_AIF_CONTEXT* faos_OpenAIFReceiveChannel(FSAAPI_CONTEXT* ctx) {
    if (ctx->simulatorKind == 1)
        throw FSA_STS_NOT_IMPLEMENTED;
    faux_InstallInterruptHandler();
    FAUX_COMM_CONTEXT* comm = ctx->channel;
    FAUX_AUTORELEASE_MUTEX lock(comm->aifMutex);
    for (FAUX_AIF_CONTEXT& c : comm->aif) {
        if (c.inUse)
            continue;
        if (!c.resumeSema)
            c.resumeSema = faos_CreateSemaphore();
        if (!c.doneSema)
            c.doneSema = faos_CreateSemaphore();
        drain(c.resumeSema);
        drain(c.doneSema);
        std::uint32_t id = 0;
        if (fsa::osPort().ioctl(comm->fd, FSACTL_OPEN_GET_ADAPTER_FIB, &id) != 0)
            faux_ThrowIoctlFailure("OPEN_GET_ADAPTER_FIB", errno);
        c.id = g_channelIds.fetch_add(1) % 10000;
        c.channelId = id;
        c.inUse = true;
        c.busy = false;
        c.wait = false;
        c.stop = false;
        c.threadSet = false;
        return &c;
    }
    return nullptr;
}

int faos_GetAIF(FSAAPI_CONTEXT* ctx, FAUX_AIF_CONTEXT* c, int wait, _FIB* fib) {
    FAUX_COMM_CONTEXT* comm = ctx->channel;
    {
        FAUX_AUTORELEASE_MUTEX lock(comm->aifMutex);
        if (!c || !c->inUse)
            return 3;
        if (c->stop)
            return 2;
        c->busy = true;
        c->wait = wait != 0;
        c->thread = pthread_self();
        c->threadSet = true;
    }
    int result = 2;
    for (;;) {
        // Tested right before each wait: a stop that came earlier is never missed.
        if (c->stop) {
            faos_WaitForSemaphore(c->resumeSema, -1);
            break;
        }
        FSACTL_GET_NEXT_ARGS args{c->channelId, static_cast<std::uint32_t>(wait ? 1 : 0), fib};
        if (fsa::osPort().ioctl(comm->fd, FSACTL_GET_NEXT_ADAPTER_FIB, &args) == 0) {
            result = 0;
            break;
        }
        const int err = c->stop ? EINTR : errno;
        if (err == EINTR)
            continue; // the loop head sees the stop, or asks again
        if (err == EAGAIN) {
            result = 1;
            break;
        }
        fsa::sleepMs(kPollMs);
    }
    {
        // The closer waits for the done post: this step never gives up.
        FAUX_AUTORELEASE_MUTEX lock(comm->aifMutex, FAUX_MUTEX_WAIT::UntilTaken);
        if (c->stop) {
            faos_SetSemaphore(c->doneSema);
            result = 2;
        }
        c->wait = false;
        c->busy = false;
    }
    fsa::sleepMs(kPollMs);
    return result;
}

void faos_CloseAIFReceiveChannel(FSAAPI_CONTEXT* ctx, FAUX_AIF_CONTEXT* c) {
    if (!c)
        return;
    FAUX_COMM_CONTEXT* comm = ctx->channel;
    bool busy;
    pthread_t receiver{};
    // Neither step gives up on the lock: a close that stopped halfway would
    // leave a receiver waiting in the driver on a channel about to be freed.
    {
        FAUX_AUTORELEASE_MUTEX lock(comm->aifMutex, FAUX_MUTEX_WAIT::UntilTaken);
        c->stop = true;
        busy = c->busy;
        receiver = c->thread;
    }
    if (busy) {
        faos_SetSemaphore(c->resumeSema);
        // The interrupt is sent again until the receiver reports done: a
        // signal that arrived before it entered the driver wait is not lost.
        while (!faos_TryWaitSemaphore(c->doneSema)) {
            if (c->wait && !pthread_equal(receiver, pthread_self()))
                faux_killAifThread(receiver);
            fsa::sleepMs(kPollMs);
        }
    }
    const std::uintptr_t id = c->channelId;
    const int r =
        fsa::osPort().ioctl(comm->fd, FSACTL_CLOSE_GET_ADAPTER_FIB, reinterpret_cast<void*>(id));
    const int err = errno;
    {
        FAUX_AUTORELEASE_MUTEX lock(comm->aifMutex, FAUX_MUTEX_WAIT::UntilTaken);
        c->channelId = 0;
        c->stop = false;
        c->inUse = false;
        c->threadSet = false;
    }
    if (r != 0)
        faux_ThrowIoctlFailure("CLOSE_GET_ADAPTER_FIB", err);
}
