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

private:
    CLock* find(const char* name);

    std::mutex m_mutex;
    CLock* m_first = nullptr;
};

extern CAdapterLockHandler clsALH;

// "/tmp/." + name + "lock"
std::string faux_LockFilePath(const char* adapterName);
