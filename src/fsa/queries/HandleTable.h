#pragma once

// The process-wide table from API handles (4096 upward, never reused) to
// adapter contexts, and the holds that keep a context alive while a call uses
// it: a closed handle is found no more, and its context is released only
// once the last call that held it has left.

#include <cstdint>

class FSAAPI_CONTEXT;

// What a hold stands for. Close waits (for a while) for calls to leave;
// it ends receive waits itself, so it does not wait for them.
enum class FsaHoldKind { Call, ReceiveWait };

// A call's hold on a context, given back when it goes out of scope. Turns
// into the context pointer only as a named object, so that no pointer
// outlives the hold it came from. The thread's cancellation is held off
// while it holds a context.
class FsaContextHold {
public:
    FsaContextHold() = default;
    ~FsaContextHold() { reset(); }
    FsaContextHold(FsaContextHold&& other) noexcept;
    FsaContextHold& operator=(FsaContextHold&& other) noexcept;
    FsaContextHold(const FsaContextHold&) = delete;
    FsaContextHold& operator=(const FsaContextHold&) = delete;

    FSAAPI_CONTEXT* get() const { return m_ctx; }
    FSAAPI_CONTEXT* operator->() const { return m_ctx; }
    operator FSAAPI_CONTEXT*() const& { return m_ctx; }
    operator FSAAPI_CONTEXT*() const&& = delete;
    void reset();

private:
    friend FsaContextHold UtilHoldContext(void* handle, FsaHoldKind kind);
    friend FsaContextHold UtilHoldForReceiveThread(FSAAPI_CONTEXT* ctx);
    FsaContextHold(FSAAPI_CONTEXT* ctx, FsaHoldKind kind) : m_ctx(ctx), m_kind(kind) {}

    FSAAPI_CONTEXT* m_ctx = nullptr;
    FsaHoldKind m_kind = FsaHoldKind::Call;
};

// A new, not yet usable handle for the context; null when none could be made.
void* UtilCreateHandle(FSAAPI_CONTEXT* ctx);
// Makes the handle usable: calls find its context from now on.
void UtilPublishHandle(void* handle);
// Drops a handle that was never published (a failed open).
int UtilDeleteHandle(void* handle);

// A hold on the context of an open handle, or of a closed one the calling
// thread is already inside a call on; empty for any other handle.
FsaContextHold UtilHoldContext(void* handle, FsaHoldKind kind);
inline FsaContextHold UtilGetContextFromHandle(void* handle) {
    return UtilHoldContext(handle, FsaHoldKind::Call);
}
// The library's receive thread holds its context from its start, while the
// handle may not be usable yet: a close made from one of its callbacks
// leaves the context to be freed when the thread has left it.
FsaContextHold UtilHoldForReceiveThread(FSAAPI_CONTEXT* ctx);

// Close's side. The handle is found no more from the first call on; the
// context stays until released.
FSAAPI_CONTEXT* UtilCloseHandle(void* handle);
// Calls in flight on the context, the calling thread's own excepted.
std::uint32_t UtilOtherCallsInFlight(const FSAAPI_CONTEXT* ctx);
// True when no call is in flight: the caller releases the context now.
// Otherwise the last call to leave releases it (FsaReleaseClosedContext).
bool UtilReleaseNowOrOnLastCall(FSAAPI_CONTEXT* ctx);
// True when nothing holds the released context any more: the caller frees
// it now. Otherwise the last hold given back frees it.
bool UtilFreeNowOrOnLastHold(FSAAPI_CONTEXT* ctx);

int UtilFreeHandleResources();
std::uint32_t UtilCheckClientPings();
std::uint32_t UtilTimeStampAdapter(void* handle);
std::uint32_t UtilGetServerRegHandle(void* handle, unsigned int* out);
// Number of contexts in the table, closed ones not yet freed included (for
// leak checks).
std::uint32_t UtilHandleCount();

inline void* UtilHandleFromValue(std::uint32_t value) {
    return reinterpret_cast<void*>(std::uintptr_t(value));
}
inline std::uint32_t UtilValueFromHandle(void* handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}
