// The simulated RAID controller: device nodes /dev/qor0../dev/qor15, the
// driver's requests on them, and the controllers' answers to the FIBs sent
// through them. Used in-process behind the controller library's OS port and,
// through libqorsim_preload.so, by unmodified programs.
#pragma once

#include "qorsim/Handlers.h"
#include "qorsim/Model.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qorsim {

enum class Call { Open, Close, Ioctl, Fcntl };

// One request as the simulated driver saw it.
struct JournalEntry {
    Call call = Call::Ioctl;
    int fd = -1;
    int adapter = -1; // device index, -1 for calls on other files
    std::string path;
    unsigned long request = 0; // ioctl code or fcntl command
    int fibCommand = -1;
    int ctCommand = -1;
    int scsiOperation = -1;
    int aifRequest = -1;
    int clusterCommand = -1;                     // FIB 550: the cluster command
    long thread = 0;                             // the kernel id of the thread that made the call
    int error = 0;                               // errno of a failed call, else 0
    std::array<std::uint8_t, kFibBytes> fib{};   // the FIB as it reached the controller
    std::array<std::uint8_t, kFibBytes> reply{}; // the FIB as it went back to the client
};

// A failure to inject. A call matches when every field that is set matches;
// the first `skip` matching calls pass, the next `times` ones (-1: all) fail
// with `error`, or, when error is 0, pass and get their reply changed by
// `mutateReply` (malformed or truncated replies). A FIB fault with `refuse`
// set is answered without being carried out: `mutateReply` writes the
// refusal over the request. A passing FIB fault can also damage a reply the
// controller answered after carrying the request out, the way firmware and
// drivers do: its bytes from `zeroReplyFrom` on zeroed (the status words
// before them kept), or the reply of the adapter's previous FIB handed back
// again (a stale buffer). `otherClient` changes the model once the FIB is
// answered: another client's configuration change between this request and
// the next.
struct Fault {
    Call call = Call::Ioctl;
    unsigned long request = 0; // ioctl code or fcntl command; 0 = any
    int fibCommand = -1;
    int ctCommand = -1;
    int scsiOperation = -1;
    int aifRequest = -1;
    int clusterCommand = -1;
    int adapter = -1;
    long thread = 0;  // only calls this thread makes; 0 = any
    std::string path; // substring of the file's path
    int error = 0;
    std::function<void(std::uint8_t* fib)> mutateReply;
    bool refuse = false;
    std::size_t zeroReplyFrom = 0; // 0: no zeroing
    bool replayPrevious = false;
    std::function<void(Adapter&)> otherClient;
    int skip = 0;
    int times = 1;
};

// Reads one adapter's JSON object into the model (registerSection).
using SectionLoader = std::function<void(const nlohmann::json& value, Adapter& adapter)>;

class Simulator {
public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Configuration from JSON text or a file; throws std::runtime_error.
    void load(const std::string& jsonText);
    void loadFile(const std::string& path);

    // The intercepted system calls. Calls on other paths and descriptors go
    // to the system (after the injected faults had their say).
    static bool isNodePath(const char* path);
    bool isNodeFd(int fd) const;
    // /proc/scsi/scsi, the host's SCSI mid-layer, stands in here too: its
    // path, and whether a descriptor is the simulator's (a node or the
    // mid-layer).
    static bool isScsiMidLayer(const char* path);
    bool ownsFd(int fd) const;
    int open(const char* path, int flags, unsigned mode);
    int close(int fd);
    int ioctl(int fd, unsigned long request, void* arg);
    int fcntl(int fd, int cmd, void* arg);

    // Handler registries; a later registration replaces an earlier one.
    void registerFib(std::uint16_t command, FibHandler handler);
    void registerContainer(std::uint32_t ctCommand, CtHandler handler);
    void registerScsi(std::uint32_t subOperation, ScsiHandler handler);
    void registerAifRequest(std::uint32_t code, AifRequestHandler handler);
    void registerSection(const std::string& key, SectionLoader loader);

    // The model, changed under the simulator's lock.
    void update(unsigned adapter, const std::function<void(Adapter&)>& change);
    Adapter snapshot(unsigned adapter) const;

    // Adapter events. queueAif hands a 512-byte AIF to every open receive
    // channel of the adapter except those opened on `exceptFd`.
    void queueAif(unsigned adapter, const std::uint8_t* aif, int exceptFd = -1);
    void notify(unsigned adapter, const std::vector<std::uint32_t>& notifyRecord);
    // Moves the task clock: running tasks advance by their step per tick and
    // report their progress as job-progress events.
    void advanceClock(unsigned ticks = 1);

    // Runs `action` on the adapter's record once `delayMs` have passed: at
    // the first driver request from then on, or in a blocked event wait,
    // which wakes up for it.
    void addTimer(unsigned adapter, unsigned delayMs, std::function<void(Adapter&)> action);

    // Inspection.
    std::size_t openNodeCount() const;
    std::size_t openChannelCount() const;
    int blockedWaiters() const { return waiters_.load(); }
    // Adapter events queued and not yet taken by a receive channel.
    std::size_t pendingEvents() const;
    std::vector<JournalEntry> journal() const;
    void clearJournal();
    void setJournaling(bool on);

    void inject(Fault fault);
    void clearFaults();

    // Helpers for handlers (the simulator's lock is held while they run).
    void sendJobProgress(Adapter& adapter, const std::vector<const Task*>& tasks);
    // FIB 500 (container commands with their continuation protocol, SCSI
    // sub-operations) and FIB 700 requests, passed to their registries.
    void dispatchContainerFib(FibRequest& request);
    void dispatchAifRequest(FibRequest& request);

private:
    struct Channel;
    struct Node {
        unsigned adapter;
        int flags;
    };
    struct Impl;

    std::unique_ptr<Impl> impl_;
    std::atomic<int> waiters_{0};
};

// Registers the handlers of the core commands; called by the constructor.
void registerCoreHandlers(Simulator& sim);

} // namespace qorsim
