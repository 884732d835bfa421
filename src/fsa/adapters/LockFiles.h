#pragma once

// Per-adapter lock files under /tmp ("%s/.%slock"): a write record lock on
// the first byte keeps a second process from opening the adapter read-write.
// The lock belongs to the open file description it was set through (an OFD
// lock), not to the process: closing some other descriptor of the file in
// this process, as a probe of its state does, leaves it in place. Other
// processes see it as any record lock on that byte.

#include "FsaTypes.h"

#include <mutex>
#include <string>

class CLock {
public:
    explicit CLock(const char* adapterName);
    ~CLock();
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    int OpenLock();
    void CloseLock();
    FSA_ADAPTER_AVAIL_TYPE QuerryLock();
    int TakeLock();
    int ReleaseLock();
    // Closes this process's descriptor without touching the lock, which an
    // open file description shared with another process keeps.
    void DropDescriptor();
    const std::string& path() const { return m_path; }

    unsigned id;
    int useCount = 0; // read-write opens of this process that share the lock
    CLock* next = nullptr;

private:
    FSA_ADAPTER_AVAIL_TYPE testLock();

    int m_fd = -1;
    std::string m_path;
};

class CAdapterLockHandler {
public:
    ~CAdapterLockHandler();
    int TakeAdapter(const char* name, FSA_ACCESS access);
    FSA_ADAPTER_AVAIL_TYPE QuerryAdapter(const char* name);
    void ReleaseAdapter(const char* name);

    // Around fork(): the list is kept still while the process is copied; a
    // child closes its copies of the lock descriptors and forgets the list,
    // so that the locks stay with the process that took them (and go when
    // it closes the adapters or ends) and the child sees them as another
    // process's.
    void ForkPrepare() { m_mutex.lock(); }
    void ForkParent() { m_mutex.unlock(); }
    void ForkChild();

private:
    CLock* find(const char* name);

    std::mutex m_mutex;
    CLock* m_first = nullptr;
};

extern CAdapterLockHandler clsALH;

// "/tmp/." + name + "lock"
std::string faux_LockFilePath(const char* adapterName);
