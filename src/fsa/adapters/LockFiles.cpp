#include "LockFiles.h"

#include "FailureDetail.h"
#include "OsPort.h"
#include "SafeFile.h"
#include "Trace.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

CAdapterLockHandler clsALH;

namespace {

constexpr unsigned kRetryMs = 50;
constexpr unsigned kOpenTimeoutMs = 120000;
std::atomic<unsigned> g_lockIds{0};

[[noreturn]] void raise(FailureSlot slot, int err) {
    faux_FmtString(slot, err);
    throw failureSlotPair(slot).status;
}

// The record lock over the first byte of the file; l_pid stays 0, as the
// open-file-description commands require.
struct flock firstByte(short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    return fl;
}

} // namespace

std::string faux_LockFilePath(const char* adapterName) {
    char path[300];
    std::snprintf(path, sizeof path, "%s/.%slock", "/tmp", adapterName);
    return path;
}

CLock::CLock(const char* adapterName)
    : id(g_lockIds.fetch_add(1) % 10000), m_path(faux_LockFilePath(adapterName)) {}

CLock::~CLock() {
    if (m_fd >= 0)
        fsa::osPort().close(m_fd);
}

int CLock::OpenLock() {
    for (unsigned waited = 0;; waited += kRetryMs) {
        bool created = false;
        fsa::SafeOpenStep step;
        const int fd = fsa::safeOpenOrCreate(fsa::osPort(), m_path.c_str(), 0, 0666, created, step);
        if (fd >= 0) {
            m_fd = fd;
            if (created && ::write(fd, m_path.c_str(), m_path.size()) < 0) {
                // The path inside the file is a courtesy to readers only.
            }
            return 1;
        }
        const int err = errno;
        FsaUxDbgFilePrintf(FSA_DBG_LOCK, 3, "-- CLock::OpenLock(%s), errno=%d:%s\n", m_path.c_str(),
                           err, std::strerror(err));
        if (step == fsa::SafeOpenStep::Create && waited >= kOpenTimeoutMs)
            raise(FailureSlot::LockCreate, err);
        if (waited >= kOpenTimeoutMs)
            raise(FailureSlot::LockOpen, err);
        fsa::sleepMs(kRetryMs);
    }
}

void CLock::CloseLock() {
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (fsa::osPort().close(fd) != 0)
        raise(FailureSlot::LockClose, errno);
}

FSA_ADAPTER_AVAIL_TYPE CLock::testLock() {
    if (m_fd < 0)
        return FSA_AVL_UNKNOWN;
    struct flock fl = firstByte(F_WRLCK);
    if (fsa::osPort().fcntl(m_fd, F_OFD_GETLK, &fl) != 0) {
        if (errno == EAGAIN)
            return FSA_AVL_READ_ONLY;
        raise(FailureSlot::LockFcntl, errno);
    }
    return fl.l_type == F_UNLCK ? FSA_AVL_READ_WRITE : FSA_AVL_READ_ONLY;
}

FSA_ADAPTER_AVAIL_TYPE CLock::QuerryLock() {
    if (m_fd >= 0)
        return testLock();
    OpenLock();
    FSA_ADAPTER_AVAIL_TYPE avail;
    try {
        avail = testLock();
    } catch (FSA_STATUS) {
        m_fd >= 0 ? (void)fsa::osPort().close(m_fd) : (void)0;
        m_fd = -1;
        throw;
    }
    CloseLock();
    return avail;
}

int CLock::TakeLock() {
    if (m_fd < 0)
        OpenLock();
    if (testLock() != FSA_AVL_READ_WRITE) {
        CloseLock();
        return 0;
    }
    struct flock fl = firstByte(F_WRLCK);
    if (fsa::osPort().fcntl(m_fd, F_OFD_SETLK, &fl) != 0) {
        const int err = errno;
        CloseLock();
        // Another process took it between the test and the set: not ours.
        if (err == EAGAIN || err == EACCES)
            return 0;
        raise(FailureSlot::LockFcntl, err);
    }
    return 1;
}

int CLock::ReleaseLock() {
    if (m_fd < 0)
        return 0;
    struct flock fl = firstByte(F_UNLCK);
    const bool unlocked = fsa::osPort().fcntl(m_fd, F_OFD_SETLK, &fl) == 0;
    CloseLock();
    return unlocked;
}

void CLock::DropDescriptor() {
    if (m_fd >= 0)
        fsa::osPort().close(m_fd);
    m_fd = -1;
}

CAdapterLockHandler::~CAdapterLockHandler() {
    while (m_first) {
        CLock* next = m_first->next;
        delete m_first;
        m_first = next;
    }
}

CLock* CAdapterLockHandler::find(const char* name) {
    const std::string path = faux_LockFilePath(name);
    for (CLock* l = m_first; l; l = l->next)
        if (l->path() == path)
            return l;
    return nullptr;
}

int CAdapterLockHandler::TakeAdapter(const char* name, FSA_ACCESS access) {
    if (access != FSA_ACC_READ_WRITE)
        return 1;
    std::lock_guard<std::mutex> guard(m_mutex);
    if (CLock* held = find(name)) {
        ++held->useCount;
        return 1;
    }
    auto* lock = new CLock(name);
    int taken = 0;
    try {
        taken = lock->TakeLock();
    } catch (...) {
        delete lock;
        throw;
    }
    if (!taken) {
        delete lock;
        return 0;
    }
    lock->useCount = 1;
    lock->next = m_first;
    m_first = lock;
    return 1;
}

FSA_ADAPTER_AVAIL_TYPE CAdapterLockHandler::QuerryAdapter(const char* name) {
    // The probe runs under the mutex: a lock this process took meanwhile
    // would conflict with the probe's own descriptor and be reported as
    // another process's.
    std::lock_guard<std::mutex> guard(m_mutex);
    if (find(name))
        return FSA_AVL_READ_WRITE;
    CLock probe(name);
    return probe.QuerryLock();
}

void CAdapterLockHandler::ReleaseAdapter(const char* name) {
    std::lock_guard<std::mutex> guard(m_mutex);
    CLock* lock = find(name);
    if (!lock || --lock->useCount > 0)
        return;
    for (CLock** link = &m_first; *link; link = &(*link)->next) {
        if (*link == lock) {
            *link = lock->next;
            break;
        }
    }
    std::unique_ptr<CLock> owned(lock);
    owned->ReleaseLock();
}

void CAdapterLockHandler::ForkChild() {
    while (m_first) {
        std::unique_ptr<CLock> lock(m_first);
        m_first = lock->next;
        lock->DropDescriptor();
    }
    m_mutex.unlock();
}
