#pragma once

// The per-open-adapter context and the OS channel it owns.

#include "CallbackGate.h"
#include "FsaTypes.h"
#include "TaskCallbackManager.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <pthread.h>

// One adapter-event receive channel through the driver.
struct FAUX_AIF_CONTEXT {
    unsigned id = 0;
    pthread_t thread{};
    bool threadSet = false;
    bool inUse = false;
    std::uint32_t channelId = 0;
    bool busy = false;             // a thread is inside the driver wait
    std::atomic<bool> wait{false}; // that wait blocks
    std::atomic<bool> stop{false};
    void* resumeSema = nullptr;
    void* doneSema = nullptr;
};

// An adapter's OS channel: the open device node and its receive channels.
struct FAUX_COMM_CONTEXT {
    int fd = -1;
    char name[20] = {};
    bool lockTaken = false; // this open holds the adapter's read-write lock
    void* aifMutex = nullptr;
    FAUX_AIF_CONTEXT aif[3];
    ~FAUX_COMM_CONTEXT();
};

struct FSA_ADAPTER_ENTRY {
    std::uint32_t handle;
    std::uint32_t serial;
    std::uint32_t ownerHigh;
};

struct FSA_GENERAL_CALLBACK_REG {
    std::atomic<FSA_GENERAL_CALLBACK> function{nullptr};
    std::atomic<std::uint32_t> mask{0};
    std::atomic<void*> user{nullptr};
    FAUX_CALLBACK_GATE gate;      // every callback of the adapter passes it
    bool closedDelivered = false; // the closed event went out
};

struct FsaContainerCaches;
std::shared_ptr<FsaContainerCaches> FsaMakeContainerCaches();

class FSAAPI_CONTEXT {
public:
    FSAAPI_CONTEXT();
    virtual ~FSAAPI_CONTEXT();
    FSAAPI_CONTEXT(const FSAAPI_CONTEXT&) = delete;
    FSAAPI_CONTEXT& operator=(const FSAAPI_CONTEXT&) = delete;

    std::uint32_t connectionType = FSA_CONNECTION_LOCAL;
    std::uint32_t handle = 0;
    FSA_ACCESS access = FSA_ACC_READ_ONLY;
    std::uint32_t serviceRegistration = 0;
    FSA_GENERAL_CALLBACK_REG callback;
    std::uint32_t scsiMethod = 0; // set once when the context is initialised
    std::uint32_t appBuild = 0;
    bool serviceContext = false;
    std::uint32_t serviceWords[4] = {};
    void* serviceCallback = nullptr;
    std::time_t serviceTimeStamp = 0;
    FSA_ADAPTER_ENTRY adapters[16] = {};
    std::uint32_t adapterCount = 0;
    bool partnerPresent = false;
    FSAAPI_CONTEXT* partnerContext = nullptr;

    // Adapter-event receive state.
    bool aifStarted = false;
    std::atomic<bool> aifStop{false};
    std::atomic<bool> aifWaiting{false};
    FAUX_AIF_CONTEXT* threadChannel = nullptr;
    FAUX_AIF_CONTEXT* pollChannel = nullptr;
    pthread_t thread{};
    bool threadRunning = false; // a receive thread was created (joined at stop)
    // A receive loop started and its exit post is owed to the stop.
    std::atomic<bool> loopStarted{false};
    bool startPosted = false;
    void* wakeSema = nullptr;
    void* exitSema = nullptr;
    void* startSema = nullptr;

    CTaskCallbackManager taskCallbacks;
    std::atomic<std::uint32_t> paused{0};
    FSA_GENERAL_INFO info{};
    void* blinkManager = nullptr;
    void* wrapperMutex = nullptr;
    int inCall = 0;
    FAUX_COMM_CONTEXT* channel = nullptr;
    std::uint32_t partnerHandle = 0;
    bool noThread = false;
    std::atomic<std::uint32_t> partnerCameOnline{0};
    std::uint32_t simulatorKind = 0;
    bool eventsOpened = false; // container sub-command 155 sent
    // The user-interface callback an application registers (not read by the
    // library itself).
    void* uiCallback = nullptr;
    void* uiCallbackArg = nullptr;
    std::uint32_t uiCallbackWord = 0;
    std::uint32_t partitionLimit = 30; // a third of it bounds one container's partitions
    // Containers 0-95 the container table has shown since its header.
    std::uint32_t shownContainers[3] = {};
    std::shared_ptr<FsaContainerCaches> containerCaches = FsaMakeContainerCaches();
};
