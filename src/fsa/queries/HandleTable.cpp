#include "HandleTable.h"

#include "Context.h"
#include "FsaApi.h"
#include "OsSync.h"

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace {

constexpr std::uint32_t kFirstHandle = 4096;
constexpr std::uint32_t kGrowBy = 10;
constexpr std::time_t kStaleClientSeconds = 180;

struct Entry {
    std::uint32_t handle;
    FSAAPI_CONTEXT* ctx;
};

struct HandleTable {
    Entry* entries = nullptr;
    std::uint32_t capacity = 0;
    std::uint32_t used = 0;
    std::uint32_t next = kFirstHandle;
};

// The table's own lock. A plain process-wide mutex: the OS layer's polling
// mutex would only add a 120 s timeout that nothing here needs.
std::mutex g_mutex;
HandleTable g_table;

FSAAPI_CONTEXT* lookup(std::uint32_t handle) {
    FSAAPI_CONTEXT* found = nullptr;
    for (std::uint32_t i = 0; i < g_table.used; ++i)
        if (g_table.entries[i].handle == handle)
            found = g_table.entries[i].ctx; // the last one wins
    return found;
}

int remove(std::uint32_t handle) {
    for (std::uint32_t i = 0; i < g_table.used; ++i) {
        if (g_table.entries[i].handle == handle) {
            g_table.entries[i] = g_table.entries[--g_table.used];
            return 1;
        }
    }
    return 0;
}

} // namespace

void* UtilCreateHandle(FSAAPI_CONTEXT* ctx) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_table.used == g_table.capacity) {
        auto* grown = static_cast<Entry*>(
            std::realloc(g_table.entries, (g_table.capacity + kGrowBy) * sizeof(Entry)));
        if (!grown)
            return nullptr;
        g_table.entries = grown;
        g_table.capacity += kGrowBy;
    }
    const std::uint32_t handle = g_table.next++;
    g_table.entries[g_table.used++] = Entry{handle, ctx};
    return UtilHandleFromValue(handle);
}

FSAAPI_CONTEXT* UtilGetContextFromHandle(void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return lookup(UtilValueFromHandle(handle));
}

int UtilDeleteHandle(void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return remove(UtilValueFromHandle(handle));
}

FSAAPI_CONTEXT* UtilGetContextFromHandleForClose(void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    FSAAPI_CONTEXT* ctx = lookup(UtilValueFromHandle(handle));
    if (ctx)
        remove(UtilValueFromHandle(handle));
    return ctx;
}

int UtilFreeHandleResources() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::free(g_table.entries);
    g_table = HandleTable{};
    return 1;
}

std::uint32_t UtilHandleCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_table.used;
}

std::uint32_t UtilCheckClientPings() {
    void* stale = nullptr;
    std::uint32_t registration = 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        const std::time_t now = std::time(nullptr);
        for (std::uint32_t i = 0; i < g_table.used && !stale; ++i) {
            FSAAPI_CONTEXT* ctx = g_table.entries[i].ctx;
            if (ctx->serviceContext && now - ctx->serviceTimeStamp > kStaleClientSeconds) {
                stale = UtilHandleFromValue(g_table.entries[i].handle);
                registration = ctx->serviceRegistration;
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
    FSAAPI_CONTEXT* ctx = lookup(UtilValueFromHandle(handle));
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    ctx->serviceTimeStamp = std::time(nullptr);
    return FSA_STS_SUCCESS;
}

std::uint32_t UtilGetServerRegHandle(void* handle, unsigned int* out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    FSAAPI_CONTEXT* ctx = lookup(UtilValueFromHandle(handle));
    *out = ctx ? ctx->serviceRegistration : 0;
    return ctx ? FSA_STS_SUCCESS : FSA_STS_INVALID_HANDLE;
}
