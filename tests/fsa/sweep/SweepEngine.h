#pragma once

// The fault sweep: a configuration call is run once on its starting
// configuration, then again for every FIB it sends and every way that FIB
// can fail, each time from the same start; after each run the simulator's
// model must be in a state the scenario allows, nothing it was not
// addressed to may have changed, and nothing may be left behind.

#include "FsaApi.h"
#include "qorsim/ModelDiff.h"
#include "qorsim/Simulator.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fsasweep {

// The first three are the random sequence test's draw (its kept seeds
// depend on their order).
enum class FailureKind {
    DriverError,   // the driver call fails (EIO)
    FailureStatus, // the controller answers with a failure status
    ShortReply,    // the reply comes back cut short, its tail zeroed
    // The controller carried the request out, and then:
    ZeroedReply,   // the reply keeps its status words, its data is zeroed
    ReplayedReply, // the previous request's reply comes back again
    // Another client changes the configuration between this FIB and the
    // next: it makes a volume on a disk the row does not name, which must
    // come through the call untouched.
    OtherClient,
    // The controller does not serve the container request at all (its
    // reply's first word), as for a sub-command it does not know; only at
    // the container commands a row names in `notServed`.
    NotServed,
};
const char* kindName(FailureKind kind);
constexpr FailureKind kAllKinds[] = {FailureKind::DriverError,   FailureKind::FailureStatus,
                                     FailureKind::ShortReply,    FailureKind::ZeroedReply,
                                     FailureKind::ReplayedReply, FailureKind::OtherClient,
                                     FailureKind::NotServed};

// What one run left: the status, and the models at the start, after the
// clean run (the success state) and at the end of this run.
struct RunResult {
    FSA_STATUS status = FSA_STS_SUCCESS;
    // A reply was damaged after the controller carried the command out:
    // a failure that leaves the success state is then what the library
    // could know.
    bool replyDamaged = false;
    // The failure hit a FIB after the last one that changed the model in
    // the clean run: the change was complete and nothing is left to undo,
    // so a failure may leave the success state.
    bool afterLastChange = false;
    // For a damaged reply: the clean run's model before and after the FIB
    // whose reply was damaged, and the end of the run where that FIB failed
    // outright (null when there is none). A failure may leave what that
    // run left with the FIB's own change kept: the library could not know
    // the controller had carried it out.
    const qorsim::Adapter* beforeFib = nullptr;
    const qorsim::Adapter* afterFib = nullptr;
    const qorsim::Adapter* failedHere = nullptr;
    const qorsim::Adapter* start = nullptr;
    const qorsim::Adapter* success = nullptr;
    qorsim::Adapter end;
};

// A state between start and success that the call may leave, with the
// reason it is allowed.
struct Partial {
    std::string reason;
    std::function<bool(const RunResult&)> matches;
};

// The end state differs from the success state (or from the start) only in
// the named objects ("container 2", "host disk *", ...); with `status`,
// only when the call returned that status.
Partial successExcept(std::string reason, std::vector<std::string> objects);
Partial startExcept(std::string reason, std::vector<std::string> objects);
Partial onStatus(FSA_STATUS status, Partial partial);
// Only when the call returned a failure.
Partial onFailure(Partial partial);
// The call failed leaving the start changed only in the named objects.
Partial failedExcept(std::string reason, std::vector<std::string> objects);
// The call failed leaving the start with exactly `change` made to it.
Partial failedWith(std::string reason, std::function<void(qorsim::Adapter&)> change);
// The call returned success although it did nothing.
Partial unchangedOnSuccess(std::string reason);

// Disk-set flows report a drive that failed by result flags with status
// 1; a row's call returns this for such an answer, so that the row can
// allow it as the partial state it is.
FSA_STATUS withResultFlags(FSA_STATUS status, std::uint32_t flags);

// One scenario: a configuration, the call, and the states it may leave.
struct Row {
    std::string name;
    std::string config;                          // the simulator's JSON
    std::function<void(qorsim::Adapter&)> setup; // further changes to the start
    std::function<FSA_STATUS(void* handle)> call;
    FSA_STATUS cleanStatus = FSA_STS_SUCCESS; // what the clean run returns
    std::string cleanNote;                    // why it is not success
    std::vector<std::string> touches;         // objects the call may change
    std::vector<Partial> partials;
    // Container commands (FIB 500) that the controller, in turn, does not
    // serve at each FIB where the call sends one.
    std::vector<int> notServed;
    // Only the FIBs the call sends on its own thread are counted and
    // faulted: the library's event thread answers an ending task with a
    // request of its own at a moment the call does not set.
    bool callerFibsOnly = false;
    unsigned timeBoundMs = 30000;
};

// A row builder: base fields, then the parts a row needs.
Row row(std::string name, std::string config, std::function<FSA_STATUS(void*)> call,
        std::vector<std::string> touches);

// Runs a whole row: the clean run and every (k, kind); failures are
// reported through GoogleTest with the row, k, the kind and the model
// differences. Returns the number of faulted runs made.
std::size_t sweepRow(const Row& row);

// The pieces the random sequence test shares with the sweep.
class Bench {
public:
    explicit Bench(const std::string& config);
    ~Bench();
    qorsim::Simulator& sim() { return sim_; }
    // Threads the library started that have not ended yet.
    std::size_t libraryThreads() const;
    // Opens the adapter, injects `fault` (if any) once the open is done,
    // runs the call within the time bound and closes the adapter again; a
    // call that returns with a library thread of its own still running is
    // reported as a failure.
    // `fibs` receives the kSendFib requests the call made.
    // `after` receives the model after each FIB the call sent.
    // With `callerOnly`, `fibs`, `after` and the fault see only the FIBs
    // of the thread that runs the call.
    void countCallerOnly(bool callerOnly) { callerOnly_ = callerOnly; }
    FSA_STATUS run(const std::function<FSA_STATUS(void*)>& call, const qorsim::Fault* fault,
                   unsigned timeBoundMs, const std::string& what,
                   std::vector<qorsim::JournalEntry>* fibs = nullptr,
                   std::vector<qorsim::Adapter>* after = nullptr);

private:
    qorsim::Simulator sim_;
    bool callerOnly_ = false;
    struct Port;
    std::unique_ptr<Port> port_;
};

// The fault that makes the k-th (1-based) FIB of a call fail; `sent` is
// that FIB as the clean run sent it, which tells where its carrier keeps
// its status. An OtherClient fault carries no change of its own: the
// caller sets its `otherClient`.
qorsim::Fault faultFor(FailureKind kind, int k, const qorsim::JournalEntry& sent);

// Where the reply of this FIB's carrier ends its status words and its data
// begins.
std::size_t replyDataOffset(const qorsim::JournalEntry& sent);

// Whether the kind can make the k-th FIB's run differ from the clean run
// (`fibs`: the clean run's FIBs with their replies): a reply with no data
// has nothing to zero, a reply equal to the one before it replays as
// itself, and no other request follows the last FIB.
bool canDiffer(FailureKind kind, std::size_t k, const std::vector<qorsim::JournalEntry>& fibs);

// The 1-based number of the last FIB after which the model differed from
// the model before it (`after`: the model after each FIB of a clean run);
// 0 when none changed it.
std::size_t lastChangingFib(const qorsim::Adapter& start,
                            const std::vector<qorsim::Adapter>& after);

// "FIB 550 cluster command 14": the FIB and what it carries, for messages.
std::string fibName(const qorsim::JournalEntry& e);

// Whether the controller can answer this FIB with a failure status (some
// container commands answer only with a value).
bool hasFailureStatus(const qorsim::JournalEntry& sent);

// Checks one end state; returns an empty string when it is allowed, else
// what is wrong.
std::string judge(const Row& row, const RunResult& run);

// Descriptors, threads (those not already on their way out) and library
// handles of the process, for leak checks.
struct ResourceCount {
    std::size_t descriptors = 0, threads = 0, handles = 0;
    bool operator==(const ResourceCount& o) const {
        return descriptors == o.descriptors && threads == o.threads && handles == o.handles;
    }
};
ResourceCount countResources();
std::string describe(const ResourceCount& c);

} // namespace fsasweep
