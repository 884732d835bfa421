#include "HandleTable.h"

#include "Context.h"
#include "FsaApi.h"
#include "LockFiles.h"
#include "OpenClose.h"
#include "OsSync.h"

#include <algorithm>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kFirstHandle = 4096;
constexpr std::time_t kStaleClientSeconds = 180;

struct Entry {
    std::uint32_t handle;
    FSAAPI_CONTEXT* ctx;
    bool published = false; // the open finished
    bool closed = false;    // close began: the handle is found no more
    std::uint32_t calls = 0;
    std::uint32_t receiveWaits = 0;
    bool releaseOnLastCall = false;
    bool freeOnLastHold = false;

    bool usable() const { return published && !closed; }
};

// The table's own lock. A plain process-wide mutex: the OS layer's mutex
// would only add turns and a 120 s timeout that nothing here needs.
std::mutex g_mutex;
std::vector<Entry> g_table;
std::uint32_t g_next = kFirstHandle;

// The contexts this thread holds for calls, once per hold: a close from
// inside a call must not wait for that call.
thread_local std::vector<const FSAAPI_CONTEXT*> t_calls;

Entry* byHandle(std::uint32_t handle) {
    for (Entry& e : g_table)
        if (e.handle == handle)
            return &e;
    return nullptr;
}

Entry* byContext(const FSAAPI_CONTEXT* ctx) {
    for (Entry& e : g_table)
        if (e.ctx == ctx)
            return &e;
    return nullptr;
}

FSAAPI_CONTEXT* usableContext(void* handle) {
    Entry* e = byHandle(UtilValueFromHandle(handle));
    return e && e->usable() ? e->ctx : nullptr;
}

void erase(const Entry* e) {
    g_table.erase(g_table.begin() + (e - g_table.data()));
}

std::uint32_t ownCalls(const FSAAPI_CONTEXT* ctx) {
    return static_cast<std::uint32_t>(std::count(t_calls.begin(), t_calls.end(), ctx));
}

// A child forked without exec shares none of the parent's adapters: the
// parent's threads do not run in it, so its copies of the contexts could
// only hang or lie. Its table starts empty (the copies are left unfreed:
// their locks and threads are not the child's to release), and it gives
// up its copies of the lock files' descriptors.
void forkPrepare() {
    g_mutex.lock();
    clsALH.ForkPrepare();
}

void forkParent() {
    clsALH.ForkParent();
    g_mutex.unlock();
}

void forkChild() {
    clsALH.ForkChild();
    g_table.clear();
    g_mutex.unlock();
}

void watchForks() {
    static std::once_flag once;
    std::call_once(once, [] { pthread_atfork(forkPrepare, forkParent, forkChild); });
}

} // namespace

FsaContextHold::FsaContextHold(FsaContextHold&& other) noexcept
    : m_ctx(std::exchange(other.m_ctx, nullptr)), m_kind(other.m_kind) {}

FsaContextHold& FsaContextHold::operator=(FsaContextHold&& other) noexcept {
    if (this != &other) {
        reset();
        m_ctx = std::exchange(other.m_ctx, nullptr);
        m_kind = other.m_kind;
    }
    return *this;
}

void FsaContextHold::reset() {
    FSAAPI_CONTEXT* ctx = std::exchange(m_ctx, nullptr);
    if (!ctx)
        return;
    bool release = false;
    bool free = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (m_kind == FsaHoldKind::Call)
            t_calls.erase(std::find(t_calls.begin(), t_calls.end(), ctx));
        Entry* e = byContext(ctx);
        if (!e) {
            faos_EndCancelHoldOff();
            return; // the whole table was freed
        }
        if (m_kind == FsaHoldKind::Call) {
            --e->calls;
            release = e->calls == 0 && std::exchange(e->releaseOnLastCall, false);
        } else {
            --e->receiveWaits;
        }
        free = !release && e->freeOnLastHold && e->calls == 0 && e->receiveWaits == 0;
        if (free)
            erase(e);
    }
    if (release)
        FsaReleaseClosedContext(ctx);
    else if (free)
        FsaFreeContext(ctx);
    faos_EndCancelHoldOff();
}

void* UtilCreateHandle(FSAAPI_CONTEXT* ctx) {
    watchForks();
    std::lock_guard<std::mutex> lock(g_mutex);
    try {
        g_table.push_back(Entry{g_next, ctx});
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return UtilHandleFromValue(g_next++);
}

void UtilPublishHandle(void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (Entry* e = byHandle(UtilValueFromHandle(handle)))
        e->published = true;
}

int UtilDeleteHandle(void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const Entry* e = byHandle(UtilValueFromHandle(handle));
    if (!e)
        return 0;
    erase(e);
    return 1;
}

FsaContextHold UtilHoldContext(void* handle, FsaHoldKind kind) {
    // The start of a call acts on a cancel left pending by an earlier one.
    faos_ActOnPendingCancel();
    std::lock_guard<std::mutex> lock(g_mutex);
    Entry* e = byHandle(UtilValueFromHandle(handle));
    // A call already in flight on the context keeps reaching it through its
    // handle after a close, so that it ends as it would have without one.
    if (!e || !e->published || (e->closed && ownCalls(e->ctx) == 0))
        return {};
    if (kind == FsaHoldKind::Call) {
        t_calls.push_back(e->ctx);
        ++e->calls;
    } else {
        ++e->receiveWaits;
    }
    faos_BeginCancelHoldOff();
    return FsaContextHold(e->ctx, kind);
}

FsaContextHold UtilHoldForReceiveThread(FSAAPI_CONTEXT* ctx) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Entry* e = byContext(ctx);
    if (!e)
        return {};
    ++e->receiveWaits;
    faos_BeginCancelHoldOff();
    return FsaContextHold(ctx, FsaHoldKind::ReceiveWait);
}

FSAAPI_CONTEXT* UtilCloseHandle(void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Entry* e = byHandle(UtilValueFromHandle(handle));
    if (!e || !e->usable())
        return nullptr;
    e->closed = true;
    return e->ctx;
}

std::uint32_t UtilOtherCallsInFlight(const FSAAPI_CONTEXT* ctx) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const Entry* e = byContext(ctx);
    return e ? e->calls - ownCalls(ctx) : 0;
}

bool UtilReleaseNowOrOnLastCall(FSAAPI_CONTEXT* ctx) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Entry* e = byContext(ctx);
    if (e->calls == 0)
        return true;
    e->releaseOnLastCall = true;
    return false;
}

bool UtilFreeNowOrOnLastHold(FSAAPI_CONTEXT* ctx) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Entry* e = byContext(ctx);
    if (e->calls == 0 && e->receiveWaits == 0) {
        erase(e);
        return true;
    }
    e->freeOnLastHold = true;
    return false;
}

int UtilFreeHandleResources() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<Entry>().swap(g_table);
    return 1;
}

std::uint32_t UtilHandleCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<std::uint32_t>(g_table.size());
}

std::uint32_t UtilCheckClientPings() {
    void* stale = nullptr;
    std::uint32_t registration = 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        const std::time_t now = std::time(nullptr);
        for (const Entry& e : g_table) {
            if (e.usable() && e.ctx->serviceContext &&
                now - e.ctx->serviceTimeStamp > kStaleClientSeconds) {
                stale = UtilHandleFromValue(e.handle);
                registration = e.ctx->serviceRegistration;
                break;
            }
        }
    }
    if (!stale)
        return 0xFFFFFFFF;
    FsaCloseAdapter(stale);
    return registration;
}

std::uint32_t UtilTimeStampAdapter(void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    FSAAPI_CONTEXT* ctx = usableContext(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    ctx->serviceTimeStamp = std::time(nullptr);
    return FSA_STS_SUCCESS;
}

std::uint32_t UtilGetServerRegHandle(void* handle, unsigned int* out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const FSAAPI_CONTEXT* ctx = usableContext(handle);
    *out = ctx ? ctx->serviceRegistration : 0;
    return ctx ? FSA_STS_SUCCESS : FSA_STS_INVALID_HANDLE;
}
