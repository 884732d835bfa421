// Host memory, the context lock, the export context, the library loader and
// the command log.
#include "host_state.h"
#include "mgmthost/ocs.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

using namespace ocs_standin;

namespace {

// Context the host runs its own code in; a module's requests run in the
// context it captured at attach.
constexpr std::uintptr_t kHostContext = 0x0C5C0DE;
thread_local std::uintptr_t t_exportContext = kHostContext;

// The host's own libraries are installed together, in this library's
// directory, and the loader looks for a bare name there first; a name it does
// not find there goes to the system's loader (its paths, its cache).
std::string hostLibraryPath(const char* name) {
    Dl_info self{};
    if (name[0] == '\0' || std::strchr(name, '/') != nullptr ||
        dladdr(reinterpret_cast<void*>(&hostLibraryPath), &self) == 0 || self.dli_fname == nullptr)
        return name;
    const std::string own = self.dli_fname;
    const std::size_t slash = own.rfind('/');
    if (slash == std::string::npos)
        return name;
    const std::string beside = own.substr(0, slash + 1) + name;
    return ::access(beside.c_str(), F_OK) == 0 ? beside : name;
}

} // namespace

namespace ocs_standin {

std::uintptr_t exportContext() {
    return t_exportContext;
}
void setExportContext(std::uintptr_t context) {
    t_exportContext = context;
}

} // namespace ocs_standin

extern "C" {

void* OCSAllocMem(uint32_t size) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSAllocMem");
    if (!allocationAllowed(s))
        return nullptr;
    void* p = std::calloc(size ? size : 1, 1);
    if (p)
        track(s, p, Kind::Memory);
    return p;
}

void OCSFreeMem(void* p) {
    if (!p)
        return;
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSFreeMem");
    if (untrack(s, p, Kind::Memory, "OCSFreeMem"))
        std::free(p);
}

void* OCSAllocContextLock(void) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSAllocContextLock");
    if (!allocationAllowed(s))
        return nullptr;
    auto* m = new (std::nothrow) std::recursive_mutex;
    if (m)
        track(s, m, Kind::Lock);
    return m;
}

void OCSLockContext(void* lock) {
    if (lock)
        static_cast<std::recursive_mutex*>(lock)->lock();
}

void OCSUnLockContext(void* lock) {
    if (lock)
        static_cast<std::recursive_mutex*>(lock)->unlock();
}

void OCSFreeContextLock(void* lock) {
    if (!lock)
        return;
    HostState& s = hostState();
    std::lock_guard<std::mutex> guard(s.mutex);
    noteCall(s, "OCSFreeContextLock");
    if (untrack(s, lock, Kind::Lock, "OCSFreeContextLock"))
        delete static_cast<std::recursive_mutex*>(lock);
}

int32_t OCSGetExportContext(OCSExportContext* context) {
    if (!context)
        return -1;
    *context = t_exportContext;
    return 0;
}

int32_t OCSSetExportContext(OCSExportContext* save, const OCSExportContext* context) {
    if (!save || !context)
        return -1;
    *save = t_exportContext;
    t_exportContext = *context;
    return 0;
}

int32_t OCSResetExportContext(const OCSExportContext* save) {
    if (!save)
        return -1;
    t_exportContext = *save;
    return 0;
}

int32_t OCSLibLoad(void** handle, const char* name) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSLibLoad");
    if (!handle || !name || s.failLibLoad)
        return -1;
    void* lib = dlopen(hostLibraryPath(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return -1;
    track(s, lib, Kind::Library);
    *handle = lib;
    return 0;
}

void* OCSLibLinkToExportFN(void** handle, const char* name) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSLibLinkToExportFN");
    if (!handle || !*handle || !name || s.failLinkName == name)
        return nullptr;
    return dlsym(*handle, name);
}

void OCSLibUnLinkFromExportFN(void**, const char*) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSLibUnLinkFromExportFN");
}

void OCSLibUnLoad(void** handle) {
    if (!handle || !*handle)
        return;
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSLibUnLoad");
    if (untrack(s, *handle, Kind::Library, "OCSLibUnLoad"))
        dlclose(*handle);
    *handle = nullptr;
}

int32_t OCSAppendToCmdLog(uint32_t messageId, const char* userInfo, const char* source,
                          const char* text, int32_t flags) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSAppendToCmdLog");
    s.cmdLog.push_back(
        {messageId, userInfo ? userInfo : "", source ? source : "", text ? text : "", flags});
    return 0;
}

} // extern "C"
