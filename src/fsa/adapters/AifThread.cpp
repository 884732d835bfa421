// The adapter-event receive thread: start and stop handshakes and the
// receive loop.
#include "Aif.h"

#include "FibSend.h"
#include "Frame.h"
#include "FsaApi.h"
#include "OsLayer.h"
#include "OsSync.h"
#include "Trace.h"

namespace {

constexpr int kStartTimeoutMs = 180000;

// The context whose receive loop runs on this thread, if any: its callbacks
// may close the adapter, and a loop cannot wait for its own end.
thread_local const FSAAPI_CONTEXT* t_loopOf = nullptr;

void* receiveThread(void* arg) {
    auto* ctx = static_cast<FSAAPI_CONTEXT*>(arg);
    const FsaContextHold hold = UtilHoldForReceiveThread(ctx);
    try {
        AIF_ReceiveLoop(ctx);
    } catch (...) {
        // Nothing may leave the thread; the loop already posted its exit.
    }
    return nullptr;
}

// The part of a stop that a loop's own thread can do, from one of its
// callbacks: the loop ends when that callback has returned, and posts its
// exit on semaphores that the context keeps until it is freed.
void stopFromOwnLoop(FSAAPI_CONTEXT* ctx) {
    if (!ctx->threadRunning)
        return;
    if (pthread_equal(ctx->thread, pthread_self())) {
        // The library's thread: nobody joins it; it frees the context on
        // its way out if the close has released it.
        pthread_detach(ctx->thread);
    } else {
        // The application's loop stops the library's thread as any stop.
        faos_WaitForSemaphore(ctx->exitSema, -1);
        faos_JoinThread(ctx->thread);
    }
    ctx->threadRunning = false;
}

} // namespace

int AIF_LocalWaitForFib(FSAAPI_CONTEXT* ctx, _FIB* fib) {
    FAUX_AIF_CONTEXT* channel;
    {
        FAUX_AUTORELEASE_MUTEX lock(ctx->channel->aifMutex);
        if (ctx->aifStop.load())
            return 0;
        ctx->aifWaiting.store(true);
        if (!ctx->threadChannel)
            ctx->threadChannel = faos_OpenAIFReceiveChannel(ctx);
        channel = ctx->threadChannel;
    }
    if (!ctx->serviceContext && !ctx->noThread && ctx->startSema && !ctx->startPosted) {
        ctx->startPosted = true;
        faos_SetSemaphore(ctx->startSema);
    }
    if (!channel)
        return 0;
    const int result = faos_GetAIF(ctx, channel, 1, fib);
    if (result != 2)
        ctx->aifWaiting.store(false);
    return result == 0;
}

void AIF_ReceiveLoop(FSAAPI_CONTEXT* ctx) {
    // The exit post is the loop's last touch of the context: a stop that saw
    // the loop start waits for it before it destroys the semaphore, and the
    // application may close the adapter as soon as the stop returns.
    struct PostExit {
        FSAAPI_CONTEXT* ctx;
        ~PostExit() {
            try {
                if (void* sema = ctx->exitSema)
                    faos_SetSemaphore(sema);
            } catch (FSA_STATUS) {
            }
        }
    } postExit{ctx};
    struct LoopOf {
        const FSAAPI_CONTEXT* before = t_loopOf;
        explicit LoopOf(const FSAAPI_CONTEXT* ctx) { t_loopOf = ctx; }
        ~LoopOf() { t_loopOf = before; }
    } loopOf{ctx};
    ctx->loopStarted.store(true);
    _FIB fib;
    // A stop from one of the loop's callbacks leaves the stop flag set: the
    // loop ends before it waits again on a channel the close has freed.
    while (!ctx->aifStop.load()) {
        int received = 0;
        try {
            received = InternalWaitAndGetAsyncFib(ctx, &fib);
        } catch (FSA_STATUS status) {
            FsaUxDbgFilePrintf(FSA_DBG_AIF, 2, "-- AIF receive loop ends with status %u\n", status);
        }
        if (!received)
            return;
        try {
            if (ctx->partnerContext)
                AIF_ParseAndProcessFib(ctx->partnerContext, ctx, &fib);
            AIF_ParseAndProcessFib(ctx, ctx, &fib);
        } catch (...) {
            // A bad AIF or a failing callback never ends the loop.
        }
    }
}

int AIF_StartThreadProcessing(FSAAPI_CONTEXT* ctx) {
    if (ctx->aifStarted)
        return 1;
    if (ctx->simulatorKind != 1)
        ctx->threadChannel = nullptr;
    ctx->aifStarted = true;
    ctx->wakeSema = faos_CreateSemaphore();
    ctx->exitSema = faos_CreateSemaphore();
    if (ctx->noThread)
        return 1;
    ctx->startSema = faos_CreateSemaphore();
    faux_InstallInterruptHandler();
    ctx->thread = faos_CreateThread(receiveThread, ctx);
    ctx->threadRunning = true;
    ctx->taskCallbacks.EventsStarted();
    try {
        faos_WaitForSemaphore(ctx->startSema, kStartTimeoutMs);
    } catch (FSA_STATUS) {
        // The thread keeps running and may still post: the semaphore stays
        // until the thread is joined.
        return 0;
    }
    return 1;
}

void AIF_StopThreadProcessing(FSAAPI_CONTEXT* ctx) {
    if (!ctx->aifStarted)
        return;
    // Whatever the lock waits give, the loop is stopped and joined before
    // anything it touches is freed; a failure is reported only after that.
    FAUX_AIF_CONTEXT* channel = nullptr;
    if (ctx->channel) {
        FAUX_AUTORELEASE_MUTEX lock(ctx->channel->aifMutex, FAUX_MUTEX_WAIT::UntilTaken);
        ctx->aifStop.store(true);
        channel = ctx->threadChannel;
        ctx->threadChannel = nullptr;
    } else {
        ctx->aifStop.store(true);
    }
    if (ctx->simulatorKind == 1 && ctx->wakeSema)
        faos_SetSemaphore(ctx->wakeSema);
    FSA_STATUS closeFailure = FSA_STS_SUCCESS;
    if (channel) {
        try {
            faos_CloseAIFReceiveChannel(ctx, channel);
        } catch (FSA_STATUS s) {
            closeFailure = s;
        }
    }
    ctx->taskCallbacks.EventsStopped();
    if (t_loopOf == ctx) {
        stopFromOwnLoop(ctx);
        ctx->aifStarted = false;
        if (closeFailure != FSA_STS_SUCCESS)
            throw closeFailure;
        return;
    }
    // Every loop that started posts once on its way out, whether it is the
    // library's thread or the application's own.
    if (ctx->exitSema && (ctx->threadRunning || ctx->loopStarted.load()))
        faos_WaitForSemaphore(ctx->exitSema, -1);
    if (ctx->threadRunning) {
        faos_JoinThread(ctx->thread);
        ctx->threadRunning = false;
    }
    ctx->loopStarted.store(false);
    faos_DestroySemaphore(ctx->wakeSema);
    faos_DestroySemaphore(ctx->exitSema);
    faos_DestroySemaphore(ctx->startSema);
    ctx->wakeSema = ctx->exitSema = ctx->startSema = nullptr;
    ctx->aifStarted = false;
    ctx->aifStop.store(false);
    if (closeFailure != FSA_STS_SUCCESS)
        throw closeFailure;
}

FSA_STATUS AIF_StopServerThreadProcessing(void* handle) {
    return FsaExportedCall(handle, {FsaAccessSet::LowLevel, true, true}, [](FSAAPI_CONTEXT* ctx) {
        FAUX_AIF_CONTEXT* channel = nullptr;
        {
            FAUX_AUTORELEASE_MUTEX lock(ctx->channel->aifMutex);
            channel = ctx->threadChannel;
            if (channel)
                ctx->aifStop.store(true);
            ctx->threadChannel = nullptr;
        }
        faos_CloseAIFReceiveChannel(ctx, channel);
        return FSA_STS_SUCCESS;
    });
}

extern "C" {

FSA_STATUS FsaAIFThreadProcessing(void* handle) {
    const FsaContextHold ctx = UtilHoldContext(handle, FsaHoldKind::ReceiveWait);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    AIF_ReceiveLoop(ctx);
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaAIFStopThreadProcessing(void* handle) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    try {
        AIF_StopThreadProcessing(ctx);
    } catch (FSA_STATUS s) {
        return s;
    }
    return FSA_STS_SUCCESS;
}

} // extern "C"
