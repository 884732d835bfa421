// Scope guards and small helpers over the management host's services, so
// that every host buffer, object, list and lock is released on every path.
#pragma once

#include "mgmthost/ocs.h"
#include "smil/smil.h"

#include <cstdint>
#include <memory>

namespace telmda {

struct SmilDeleter {
    void operator()(void* p) const { SMILFreeGeneric(p); }
};
using SmilPtr = std::unique_ptr<void, SmilDeleter>;

// Memory from the host, released through the host.
struct HostMemDeleter {
    void operator()(void* p) const { OCSFreeMem(p); }
};
using HostMem = std::unique_ptr<void, HostMemDeleter>;

// An XML buffer of the host; released unless its text was taken.
class XmlBuffer {
public:
    XmlBuffer() : m_buf(OCSXAllocBuf(256, 0)) {}
    ~XmlBuffer() {
        if (m_buf)
            OCSXFreeBuf(m_buf);
    }
    XmlBuffer(const XmlBuffer&) = delete;
    XmlBuffer& operator=(const XmlBuffer&) = delete;

    explicit operator bool() const { return m_buf != nullptr; }
    OCSXBuf* get() const { return m_buf; }
    const char* text() const { return m_buf ? m_buf->text : nullptr; }
    // Releases the buffer and hands over its text (freed by the host later).
    char* takeText() {
        OCSXBuf* buf = m_buf;
        m_buf = nullptr;
        return buf ? OCSXFreeBufGetContent(buf) : nullptr;
    }

private:
    OCSXBuf* m_buf;
};

// Holds the host context lock for a scope.
class ContextLockGuard {
public:
    explicit ContextLockGuard(void* lock) : m_lock(lock) { OCSLockContext(m_lock); }
    ~ContextLockGuard() { OCSUnLockContext(m_lock); }
    ContextLockGuard(const ContextLockGuard&) = delete;
    ContextLockGuard& operator=(const ContextLockGuard&) = delete;

private:
    void* m_lock;
};

// Runs a scope inside the given export context; the save area is the scope's.
class ExportContextScope {
public:
    explicit ExportContextScope(const OCSExportContext& context) {
        OCSSetExportContext(&m_save, &context);
    }
    ~ExportContextScope() { OCSResetExportContext(&m_save); }
    ExportContextScope(const ExportContextScope&) = delete;
    ExportContextScope& operator=(const ExportContextScope&) = delete;

private:
    OCSExportContext m_save = 0;
};

// An OID list of the data manager: a count followed by that many OIDs.
class OidList {
public:
    explicit OidList(std::uint32_t* raw) : m_raw(raw) {}
    explicit operator bool() const { return m_raw != nullptr; }
    std::uint32_t count() const {
        return m_raw ? *static_cast<const std::uint32_t*>(m_raw.get()) : 0;
    }
    std::uint32_t at(std::uint32_t i) const {
        return static_cast<const std::uint32_t*>(m_raw.get())[i + 1];
    }

private:
    SmilPtr m_raw;
};

OidList childOids(std::uint32_t parent, std::uint16_t type);

// Request parameters.
const char* paramText(std::int32_t count, OCSParamList params, const char* name);
bool helpRequested(std::int32_t count, OCSParamList params);

} // namespace telmda
