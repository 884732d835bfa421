// Disk sets that go with their containers and tasks: delete, detach, member
// removal, release, and the drive initialisation that create, add, remove
// and delete can ask for.
#include "DiskSetChannel.h"
#include "DiskSetEnum.h"
#include "DiskSetMembers.h"
#include "DiskSetTasks.h"
#include "HandleTable.h"
#include "OsPort.h"
#include "SimFixture.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/mman.h>
#include <thread>
#include <vector>

namespace {

constexpr std::uint64_t kSelf = 4660;

// Set 100 is attached here and holds containers 0 and 1 (drives 128, 129);
// set 200 is attached and empty of containers (drive 130); set 300 is held
// here, not attached (drive 131 without MBR, drive 134 with one). Drives 132
// (no MBR) and 133 (MBR) are in no set.
const char* kConfig = R"({"adapters": [{"index": 0, "serial": 4660,
  "containers": {"count": 8, "list": [{"number": 0, "type": 1, "members": [1]},
                                      {"number": 1, "type": 1, "members": [2]}]},
  "drives": [{"bus": 1, "target": 0}, {"bus": 1, "target": 1}, {"bus": 1, "target": 2},
             {"bus": 1, "target": 3}, {"bus": 1, "target": 4}, {"bus": 1, "target": 5},
             {"bus": 1, "target": 6}],
  "slices": [{"drive": 128}, {"drive": 129}, {"drive": 130}, {"drive": 131, "mbr": false},
             {"drive": 132, "mbr": false}, {"drive": 133}, {"drive": 134}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 1000, "serial": 4660, "slice": 0, "l0Type": 1, "l0Number": 0, "flags": 1},
    {"start": 128, "size": 1000, "serial": 4660, "slice": 1, "l0Type": 1, "l0Number": 1, "flags": 1}],
  "hostDisks": [{"container": 0, "name": "sdb"}, {"container": 1, "name": "sdc"}],
  "diskSets": [
    {"number": 100, "creator": 4660, "owner": 4660, "flags": 36, "members": [128, 129]},
    {"number": 200, "creator": 4660, "owner": 4660, "flags": 36, "members": [130]},
    {"number": 300, "creator": 4660, "owner": 4660, "flags": 4, "members": [131, 134]}],
  "cluster": {"sharedMask": 2, "busMap": [1, 0]}}]})";

FSA_DISK_SET key(std::uint64_t number) {
    FSA_DISK_SET s{};
    s.number = number;
    s.creator = kSelf;
    return s;
}

FSA_STORAGE_DEVICE drive(std::uint8_t target) {
    FSA_STORAGE_DEVICE d{};
    d.scsi.bus = 1;
    d.scsi.target = target;
    return d;
}

// The library's clock as the calling thread uses it: fast, and counted.
class CountingSleeper final : public fsa::Sleeper {
public:
    void sleepMs(unsigned ms) override {
        if (std::this_thread::get_id() == caller)
            counted += ms;
        fast.sleepMs(ms);
    }
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<unsigned long long> counted{0};
    fsatest::FastSleeper fast;
};

qorsim::Task task(std::uint32_t id, std::uint32_t job, std::uint32_t object, bool ignores) {
    qorsim::Task t;
    t.id = id;
    t.jobCode = job;
    t.objectId = object;
    t.ignoresTerminate = ignores;
    return t;
}

// Answers of the controller damaged on the way: a cluster record (FIB 550,
// from payload byte 8) or the data of a container command (FIB 500).
constexpr std::size_t kClusterRecord = qorsim::kFibHeader + 8;
constexpr std::size_t kCtData = qorsim::kFibHeader + 32;

// Every answer to cluster command `command` (or container command
// `ctCommand`) that `mine` picks is changed by `damage`.
qorsim::Fault damaged(int command, int ctCommand, std::function<bool(const std::uint8_t*)> mine,
                      std::function<void(std::uint8_t*)> damage) {
    qorsim::Fault f;
    f.fibCommand = ctCommand >= 0 ? 500 : 550;
    f.clusterCommand = command;
    f.ctCommand = ctCommand;
    f.times = -1;
    f.mutateReply = [mine, damage](std::uint8_t* fib) {
        if (!mine || mine(fib))
            damage(fib);
    };
    return f;
}

bool answersDrive128(const std::uint8_t* fib) {
    return qorsim::get32(fib, kClusterRecord + 120) == 128;
}

// Drive 128's answer names set 100 but carries `value` in the record word at
// `offset`, where the set's own record says otherwise.
std::function<qorsim::Fault()> drive128Says(std::size_t offset, std::uint32_t value) {
    return [offset, value] {
        return damaged(CL_DRIVE_INFO, -1, answersDrive128, [offset, value](std::uint8_t* fib) {
            qorsim::put32(fib, kClusterRecord + offset, value);
        });
    };
}

// The drive information of member drive 128 says "in no set" (controller
// status 12), says success with nothing in it, or names set 100 but
// disagrees with the set's record in one of the fields both carry; the
// slice information of its disk says success with nothing in it.
const struct {
    const char* what;
    std::function<qorsim::Fault()> fault;
} kMemberDriveMisread[] = {
    {"drive 128 names another owner", drive128Says(56, 4661)},
    {"drive 128 names another label", drive128Says(16, 0x64726f77)},
    {"drive 128 names another generation", drive128Says(48, 77)},
    {"drive 128 says the set is not attached", drive128Says(52, DS_FLAG_HELD)},
    {"drive 128 names another creation stamp", drive128Says(64, 5)},
    {"drive 128 says the set is host-managed", drive128Says(72, DS_ATTR_HOST_MANAGED)},
    {"drive 128 names another member count", drive128Says(116, 3)},
    {"drive 128 answered as in no set",
     [] {
         return damaged(CL_DRIVE_INFO, -1, answersDrive128, [](std::uint8_t* fib) {
             std::memset(fib + kClusterRecord, 0, 140);
             qorsim::put32(fib, kClusterRecord + 52, DS_FLAG_NO_SET);
             qorsim::put32(fib, kClusterRecord + 120, 128);
             qorsim::put32(fib, qorsim::kFibHeader, 12);
         });
     }},
    {"drive 128 answered with a zeroed record",
     [] {
         return damaged(CL_DRIVE_INFO, -1, answersDrive128,
                        [](std::uint8_t* fib) { std::memset(fib + kClusterRecord, 0, 140); });
     }},
    {"the slice of drive 128 answered with a zeroed record",
     [] {
         return damaged(
             -1, 63,
             [](const std::uint8_t* fib) { return qorsim::get32(fib, kCtData + 12) == 128; },
             [](std::uint8_t* fib) { std::memset(fib + kCtData, 0, 32); });
     }},
};

// Every answer to cluster command `command` carries the bytes of the answer
// to the cluster command before it (a stale buffer handed back).
void replayPrevious(qorsim::Simulator& sim, int command) {
    auto previous = std::make_shared<std::vector<std::uint8_t>>(qorsim::kFibPayload);
    qorsim::Fault replay;
    replay.fibCommand = 550;
    replay.clusterCommand = command;
    replay.times = -1;
    replay.mutateReply = [previous](std::uint8_t* fib) {
        std::memcpy(fib + qorsim::kFibHeader, previous->data(), previous->size());
    };
    sim.inject(replay);
    qorsim::Fault remember;
    remember.fibCommand = 550;
    remember.times = -1;
    remember.mutateReply = [previous](std::uint8_t* fib) {
        std::memcpy(previous->data(), fib + qorsim::kFibHeader, previous->size());
    };
    sim.inject(remember);
}

class DiskSetRemovalTest : public fsatest::OpenAdapterTest {
public:
    using fsatest::OpenAdapterTest::sim; // for the table rows' set-ups
    // The controller refuses the command (the driver reports the failure).
    void failCluster(int command) {
        qorsim::Fault f;
        f.fibCommand = 550;
        f.clusterCommand = command;
        f.error = EIO;
        sim.inject(f);
    }

protected:
    std::string config() const override { return kConfig; }
    void prepare() override { fsa::setSleeper(&clock); }
    void SetUp() override {
        OpenAdapterTest::SetUp();
        sim.clearJournal();
    }
    FSAAPI_CONTEXT* ctx() { return UtilGetContextFromHandle(handle).get(); }

    const qorsim::DiskSet* modelSet(std::uint64_t number) {
        model = sim.snapshot(0);
        for (const auto& s : model.maint.diskSets)
            if (s.number == number)
                return &s;
        return nullptr;
    }
    bool attached(std::uint64_t number) {
        const qorsim::DiskSet* s = modelSet(number);
        return s && (s->flags & 32);
    }
    // Containers 0 and 1: drained and offline, as pairs.
    std::vector<std::pair<bool, bool>> containerStates() {
        std::vector<std::pair<bool, bool>> out;
        const qorsim::Adapter a = sim.snapshot(0);
        for (std::uint32_t n : {0u, 1u}) {
            auto it = a.containers.find(n);
            out.emplace_back(it != a.containers.end() && it->second.drained,
                             it != a.containers.end() && it->second.offline);
        }
        return out;
    }
    // The host still has the container's disk (the driver has not deleted it).
    bool hostDisk(std::uint32_t container) {
        const qorsim::Adapter a = sim.snapshot(0);
        const auto d = a.hostDisks.find(container);
        return d != a.hostDisks.end() && !d->second.deleted;
    }
    std::vector<int> clusterCommands() const {
        std::vector<int> out;
        for (const auto& e : sim.journal())
            if (e.fibCommand == 550)
                out.push_back(e.clusterCommand);
        return out;
    }
    bool sent(int ctCommand) const {
        const auto j = sim.journal();
        return std::any_of(j.begin(), j.end(), [ctCommand](const qorsim::JournalEntry& e) {
            return e.ctCommand == ctCommand;
        });
    }
    std::uint32_t taskStatus(std::uint32_t id) {
        const qorsim::Adapter a = sim.snapshot(0);
        for (const auto& t : a.tasks)
            if (t.id == id)
                return t.status;
        return 0;
    }
    bool hasMbr(std::uint32_t driveId) {
        const qorsim::Adapter a = sim.snapshot(0);
        for (const auto& s : a.slices)
            if (s.driveId == driveId)
                return s.hasMbr;
        return false;
    }

    CountingSleeper clock;
    qorsim::Adapter model;
};

using Pairs = std::vector<std::pair<bool, bool>>;
const Pairs kUntouched{{false, false}, {false, false}};
const Pairs kOffline{{true, true}, {true, true}};

TEST_F(DiskSetRemovalTest, DeleteAnAttachedSetWithItsContainers) {
    const struct {
        const char* what;
        std::uint64_t set;
        std::uint32_t unconditional;
        std::function<void(DiskSetRemovalTest&)> arrange;
        unsigned status;
        bool gone;
        Pairs containers;
    } rows[] = {
        {"containers need the unconditional flag", 100, 0, nullptr, 534, false, kUntouched},
        {"unconditional: offline with the detach", 100, 1, nullptr, 1, true, kOffline},
        {"a container task that ends on terminate", 100, 1,
         [](DiskSetRemovalTest& t) {
             t.sim.update(0,
                          [](qorsim::Adapter& a) { a.tasks.push_back(task(40, 101, 0, false)); });
         },
         1, true, kOffline},
        {"a container task that ignores terminate", 100, 1,
         [](DiskSetRemovalTest& t) {
             t.sim.update(0, [](qorsim::Adapter& a) { a.tasks.push_back(task(41, 101, 1, true)); });
         },
         145, false, kUntouched},
        {"the detach fails", 100, 1, [](DiskSetRemovalTest& t) { t.failCluster(CL_DETACH); }, 452,
         false, kOffline},
        {"an empty attached set, unconditional", 200, 1, nullptr, 1, true, kUntouched},
        {"an empty attached set", 200, 0, nullptr, 1, true, kUntouched},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.load(kConfig);
        sim.clearFaults();
        if (r.arrange)
            r.arrange(*this);
        sim.clearJournal();
        FSA_DISK_SET set = key(r.set);
        FSA_DISK_SET_ARGS args{};
        args.remove_set.unconditional = r.unconditional;
        EXPECT_EQ(FsaDiskSet(handle, &set, FSA_DSO_DELETE, &args), r.status);
        EXPECT_EQ(modelSet(r.set) == nullptr, r.gone);
        EXPECT_EQ(containerStates(), r.containers);
        if (!r.gone) { // refused, or the detach failed: still attached here
            EXPECT_TRUE(attached(r.set));
        }
    }
}

// The operations that take set 100's containers away with it.
const struct {
    const char* what;
    std::uint32_t op;
    std::function<void(FSA_DISK_SET_ARGS&)> fill;
} kTeardowns[] = {
    {"delete unconditional", FSA_DSO_DELETE,
     [](FSA_DISK_SET_ARGS& a) { a.remove_set.unconditional = 1; }},
    {"delete unconditional initialising drives", FSA_DSO_DELETE,
     [](FSA_DISK_SET_ARGS& a) {
         a.remove_set.unconditional = 1;
         a.remove_set.initDrives = 1;
     }},
    {"detach with containers", FSA_DSO_DETACH_WITH_CONTAINERS, nullptr},
    {"release unconditional", FSA_DSO_RELEASE,
     [](FSA_DISK_SET_ARGS& a) { a.ownership.unconditional = 1; }},
};

// Operations that take a set's containers away with it, when the drive or
// slice holding a container is misread: nothing is drained, detached,
// deleted or taken from the host, and the call fails with 39 after reading
// once more.
TEST_F(DiskSetRemovalTest, AMisreadMemberDriveStopsTheTeardown) {
    for (const auto& op : kTeardowns)
        for (const auto& misread : kMemberDriveMisread) {
            SCOPED_TRACE(std::string(op.what) + ", " + misread.what);
            sim.load(kConfig);
            sim.clearFaults();
            sim.inject(misread.fault());
            FSA_DISK_SET set = key(100);
            FSA_DISK_SET_ARGS args{};
            if (op.fill)
                op.fill(args);
            EXPECT_EQ(FsaDiskSet(handle, &set, op.op, &args), 39u);
            if (!modelSet(100)) {
                ADD_FAILURE() << "the set was deleted";
                continue;
            }
            EXPECT_TRUE(attached(100));
            EXPECT_EQ(modelSet(100)->owner, kSelf);
            EXPECT_EQ(model.containers.size(), 2u);
            EXPECT_EQ(containerStates(), kUntouched);
            EXPECT_TRUE(hostDisk(0));
            EXPECT_TRUE(hostDisk(1));
        }
}

// A member drive's answer that disagrees with the set's record once is read
// again: the second, agreeing reading lets the teardown go whole, with no
// container left online here nor a host disk of one left present.
TEST_F(DiskSetRemovalTest, ADisagreeingAnswerIsReadAgain) {
    for (const auto& op : kTeardowns) {
        SCOPED_TRACE(op.what);
        sim.load(kConfig);
        sim.clearFaults();
        auto once = std::make_shared<int>(1);
        sim.inject(damaged(CL_DRIVE_INFO, -1, answersDrive128, [once](std::uint8_t* fib) {
            if ((*once)-- > 0)
                qorsim::put32(fib, kClusterRecord + 56, 4661); // the owner
        }));
        FSA_DISK_SET set = key(100);
        FSA_DISK_SET_ARGS args{};
        if (op.fill)
            op.fill(args);
        EXPECT_EQ(FsaDiskSet(handle, &set, op.op, &args), FSA_STS_SUCCESS);
        EXPECT_LE(*once, 0) << "the damaged answer was never read";
        const qorsim::Adapter a = sim.snapshot(0);
        for (std::uint32_t n : {0u, 1u}) {
            const auto c = a.containers.find(n);
            EXPECT_TRUE(c == a.containers.end() || c->second.offline) << "container " << n;
            EXPECT_FALSE(hostDisk(n)) << "container " << n;
        }
    }
}

// A set record or a member list that does not name the set asked for
// (zeroed, or the previous answer again) is no answer: release does not
// take it for a set nobody owns, delete with drive initialisation not for
// a set without drives.
TEST_F(DiskSetRemovalTest, ARecordOfNoSetIsNoAnswer) {
    const struct {
        const char* what;
        std::uint32_t op;
        int command;
        bool replay; // else zeroed
    } rows[] = {
        {"release, set record zeroed", FSA_DSO_RELEASE, CL_SET_INFO, false},
        {"release, set record replayed", FSA_DSO_RELEASE, CL_SET_INFO, true},
        {"delete initialising, member list zeroed", FSA_DSO_DELETE, CL_MEMBERS, false},
        {"delete initialising, member list replayed", FSA_DSO_DELETE, CL_MEMBERS, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.load(kConfig);
        sim.clearFaults();
        if (r.replay)
            replayPrevious(sim, r.command);
        else
            sim.inject(damaged(r.command, -1, nullptr, [](std::uint8_t* fib) {
                std::memset(fib + kClusterRecord, 0, qorsim::kFibPayload - 8);
            }));
        // Set 300 is held here and not attached; drive 131 has no MBR.
        FSA_DISK_SET set = key(300);
        FSA_DISK_SET_ARGS args{};
        args.ownership.unconditional = 1;
        if (r.op == FSA_DSO_DELETE)
            args.remove_set.initDrives = 1;
        EXPECT_EQ(FsaDiskSet(handle, &set, r.op, &args), FSA_STS_FAILURE);
        sim.clearFaults();
        if (!modelSet(300)) {
            ADD_FAILURE() << "the set was deleted";
            continue;
        }
        EXPECT_EQ(modelSet(300)->owner, kSelf);
        EXPECT_FALSE(attached(300));
        EXPECT_FALSE(hasMbr(131)); // nothing written on a guess
    }
}

// Detach with containers and unconditional release go whole or not at all:
// a failure before the detach took effect gives the containers back as
// they were (drains lifted, host disks kept); one after it keeps the detach
// and still takes every container offline and its host disk away.
TEST_F(DiskSetRemovalTest, TeardownIsWholeOrUndone) {
    // The controller refuses: a container command answered with CT status
    // 57 (not done), a cluster command with controller status 12.
    auto refuseCt = [](int command, int skip) {
        qorsim::Fault f;
        f.fibCommand = 500;
        f.ctCommand = command;
        f.skip = skip;
        f.refuse = true;
        f.mutateReply = [](std::uint8_t* fib) {
            qorsim::put32(fib, qorsim::kFibHeader, 0);      // delivered
            qorsim::put32(fib, qorsim::kFibHeader + 8, 57); // CT status
        };
        return f;
    };
    qorsim::Fault detachRefused;
    detachRefused.fibCommand = 550;
    detachRefused.clusterCommand = CL_DETACH;
    detachRefused.refuse = true;
    detachRefused.mutateReply = [](std::uint8_t* fib) {
        qorsim::put32(fib, qorsim::kFibHeader, 12);
    };
    const struct {
        const char* what;
        qorsim::Fault fault;
        unsigned status;
        bool detached;
        Pairs containers;
    } points[] = {
        {"the second lock-drain refused", refuseCt(133, 1), 41, false, kUntouched},
        {"the detach refused", detachRefused, 426, false, kUntouched},
        {"the first offline refused", refuseCt(134, 0), 365, true, {{true, false}, {true, true}}},
    };
    const struct {
        const char* what;
        std::uint32_t op;
    } ops[] = {{"detach with containers", FSA_DSO_DETACH_WITH_CONTAINERS},
               {"release unconditional", FSA_DSO_RELEASE}};
    for (const auto& op : ops)
        for (const auto& p : points) {
            SCOPED_TRACE(std::string(op.what) + ", " + p.what);
            sim.load(kConfig);
            sim.clearFaults();
            sim.inject(p.fault);
            FSA_DISK_SET set = key(100);
            FSA_DISK_SET_ARGS args{};
            args.ownership.unconditional = 1;
            EXPECT_EQ(FsaDiskSet(handle, &set, op.op, &args), p.status);
            EXPECT_EQ(attached(100), !p.detached);
            EXPECT_EQ(modelSet(100)->owner, kSelf); // a release never went out
            EXPECT_EQ(containerStates(), p.containers);
            EXPECT_EQ(hostDisk(0), !p.detached);
            EXPECT_EQ(hostDisk(1), !p.detached);
        }
}

// A container whose host disk is open: without the unconditional flag the
// set stays attached with everything as it was; with it the set goes.
TEST_F(DiskSetRemovalTest, TheUnconditionalFlagOutrunsAnOpenHostDisk) {
    const struct {
        const char* what;
        std::uint32_t op;
        std::uint32_t unconditional;
        unsigned status;
    } rows[] = {
        {"detach with containers", FSA_DSO_DETACH_WITH_CONTAINERS, 0, 480},
        {"detach with containers, unconditional", FSA_DSO_DETACH_WITH_CONTAINERS, 1, 1},
        {"release", FSA_DSO_RELEASE, 0, 451},
        {"release, unconditional", FSA_DSO_RELEASE, 1, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.load(kConfig);
        sim.update(0, [](qorsim::Adapter& a) { a.hostDisks.at(0).locked = true; });
        FSA_DISK_SET set = key(100);
        FSA_DISK_SET_ARGS args{};
        if (r.op == FSA_DSO_RELEASE)
            args.ownership.unconditional = r.unconditional;
        else
            args.onlineOffline.unconditional = r.unconditional;
        EXPECT_EQ(FsaDiskSet(handle, &set, r.op, &args), r.status);
        const bool done = r.status == FSA_STS_SUCCESS;
        EXPECT_EQ(attached(100), !done);
        EXPECT_EQ(modelSet(100)->owner, done && r.op == FSA_DSO_RELEASE ? 0u : kSelf);
        EXPECT_EQ(containerStates(), done ? kOffline : kUntouched);
        EXPECT_EQ(hostDisk(0), !done);
        EXPECT_EQ(hostDisk(1), !done);
    }
}

TEST_F(DiskSetRemovalTest, AFailedDetachReconfiguresAndKeepsTheSet) {
    failCluster(CL_DETACH);
    FSA_DISK_SET set = key(100);
    FSA_DISK_SET_ARGS args{};
    args.remove_set.unconditional = 1;
    ASSERT_EQ(FsaDiskSet(handle, &set, FSA_DSO_DELETE, &args), 452u);
    EXPECT_TRUE(sent(34)); // RECONFIG
    const std::vector<int> commands = clusterCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), CL_DELETE), 0);
    EXPECT_EQ(modelSet(100)->members, (std::vector<std::uint32_t>{128, 129}));
}

TEST_F(DiskSetRemovalTest, ATaskThatIgnoresTerminateEndsTheCleanUpAfterAMinute) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.tasks.push_back(task(50, 101, 0, true));
        a.tasks.push_back(task(51, 2, 130, true));
    });
    const auto started = std::chrono::steady_clock::now();
    clock.counted = 0;
    EXPECT_EQ(FsaTerminateTasksForDelete(ctx(), 0), 145u);
    EXPECT_GE(clock.counted.load(), DS_TERMINATED_TASK_LIMIT_MS);
    EXPECT_LT(clock.counted.load(), DS_TERMINATED_TASK_LIMIT_MS + 2000);
    clock.counted = 0;
    EXPECT_EQ(DS_TerminateTasksForDriveRemoval(ctx(), 130), 145u);
    EXPECT_GE(clock.counted.load(), DS_TERMINATED_TASK_LIMIT_MS);
    EXPECT_LT(clock.counted.load(), DS_TERMINATED_TASK_LIMIT_MS + 2000);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(taskStatus(50), 102u); // still running: nothing pretends otherwise
}

TEST_F(DiskSetRemovalTest, TasksThatEndAreTerminatedAndWaitedFor) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.tasks.push_back(task(60, 101, 0, false));
        a.tasks.push_back(task(61, 101, 0, false));
        a.tasks.push_back(task(62, 3, 130, false));
        a.tasks.push_back(task(63, 101, 1, false)); // another container: left alone
    });
    EXPECT_EQ(FsaTerminateTasksForDelete(ctx(), 0), FSA_STS_SUCCESS);
    EXPECT_EQ(DS_TerminateTasksForDriveRemoval(ctx(), 130), FSA_STS_SUCCESS);
    EXPECT_EQ(taskStatus(60), 3u);
    EXPECT_EQ(taskStatus(61), 3u);
    EXPECT_EQ(taskStatus(62), 3u);
    EXPECT_EQ(taskStatus(63), 102u);
    // A refused terminate is a failure.
    sim.update(0, [](qorsim::Adapter& a) { a.tasks.push_back(task(64, 101, 0, false)); });
    qorsim::Fault refused;
    refused.aifRequest = 104;
    refused.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader + 4, 9); };
    sim.inject(refused);
    try {
        FsaTerminateTasksForDelete(ctx(), 0);
        ADD_FAILURE() << "a refused terminate passed";
    } catch (FSA_STATUS s) {
        EXPECT_EQ(s, FSA_STS_FAILURE);
    }
}

// A task whose record, read while waiting for its end, comes back without
// a report is not taken for ended: the clean-up fails with 145 even when the
// task lists asked afterwards come back empty, and the task runs on.
TEST_F(DiskSetRemovalTest, ATaskNotSeenToEndFailsTheCleanUp) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.tasks.push_back(task(80, 101, 0, true));
        a.tasks.push_back(task(81, 2, 130, true));
    });
    const struct {
        const char* name;
        int listRequest;
        std::uint32_t id;
        std::function<FSA_STATUS()> call;
    } cases[] = {
        {"container", 101, 80, [&] { return FsaTerminateTasksForDelete(ctx(), 0); }},
        {"drive", 102, 81, [&] { return DS_TerminateTasksForDriveRemoval(ctx(), 130); }},
    };
    const auto recordless = [](std::uint8_t* fib) {
        qorsim::put16(fib, qorsim::kSize, qorsim::kFibHeader + 8);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qorsim::Fault read;
        read.aifRequest = 103;
        read.mutateReply = recordless;
        qorsim::Fault emptyLists;
        emptyLists.aifRequest = c.listRequest;
        emptyLists.skip = 1; // the list of the tasks to end is sound
        emptyLists.times = -1;
        emptyLists.mutateReply = recordless;
        sim.inject(read);
        sim.inject(emptyLists);
        EXPECT_EQ(c.call(), FSA_STS_TASK_IN_PROGRESS);
        EXPECT_EQ(taskStatus(c.id), 102u);
        sim.clearFaults();
    }
}

// A task list of the container or drive being removed that names another
// one's task (a stale or damaged reply) fails with 6 and ends nothing.
TEST_F(DiskSetRemovalTest, ATaskListNamingAnotherObjectEndsNothing) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.tasks.push_back(task(70, 101, 0, false));
        a.tasks.push_back(task(71, 101, 1, false));
        a.tasks.push_back(task(72, 3, 130, false));
        a.tasks.push_back(task(73, 3, 131, false));
    });
    const struct {
        const char* name;
        int request;
        std::uint32_t otherTask, otherObject;
        std::function<FSA_STATUS()> call;
    } cases[] = {
        {"container", 101, 71, 1, [&] { return FsaTerminateTasksForDelete(ctx(), 0); }},
        {"drive", 102, 73, 131, [&] { return DS_TerminateTasksForDriveRemoval(ctx(), 130); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qorsim::Fault fault;
        fault.aifRequest = c.request;
        fault.mutateReply = [&](std::uint8_t* fib) {
            qorsim::put32(fib, qorsim::kFibHeader + 8, c.otherTask);
            qorsim::put32(fib, qorsim::kFibHeader + 16, c.otherObject);
        };
        sim.inject(fault);
        try {
            c.call();
            ADD_FAILURE() << "a list of another object's tasks passed";
        } catch (FSA_STATUS s) {
            EXPECT_EQ(s, FSA_STS_FAILURE);
        }
        for (std::uint32_t id : {70u, 71u, 72u, 73u})
            EXPECT_EQ(taskStatus(id), 102u) << id;
    }
}

TEST_F(DiskSetRemovalTest, DetachAndRemovalEndTheDrivesTasks) {
    const struct {
        const char* what;
        std::uint32_t op;
        std::uint32_t unconditional;
        bool ignores;
        unsigned status;
        bool taskEnded;
    } rows[] = {
        {"detach ends the member's task", FSA_DSO_DETACH, 0, false, 1, true},
        {"detach with a task that will not end", FSA_DSO_DETACH, 0, true, 145, false},
        {"removal refuses a busy drive", FSA_DSO_REMOVE, 0, false, 145, false},
        {"unconditional removal ends its task", FSA_DSO_REMOVE, 1, false, 1, true},
        {"unconditional removal, task will not end", FSA_DSO_REMOVE, 1, true, 145, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.load(kConfig);
        // Drive 129 of set 100 runs a verify; drive 131 of set 300 a zero.
        sim.update(0, [&](qorsim::Adapter& a) {
            a.tasks.push_back(task(70, 2, 129, r.ignores));
            a.tasks.push_back(task(71, 3, 131, false));
        });
        FSA_DISK_SET set = key(100);
        FSA_DISK_SET_ARGS args{};
        args.remove.unconditional = r.unconditional;
        args.remove.memberCount = 1;
        args.remove.members[0] = drive(1);
        EXPECT_EQ(FsaDiskSet(handle, &set, r.op, r.op == FSA_DSO_REMOVE ? &args : nullptr),
                  r.status);
        EXPECT_EQ(taskStatus(70) == 3u, r.taskEnded);
        EXPECT_EQ(taskStatus(71), 102u); // a drive of another set
        const bool done = r.status == FSA_STS_SUCCESS;
        if (r.op == FSA_DSO_DETACH) {
            EXPECT_EQ(attached(100), !done);
        } else {
            EXPECT_EQ(modelSet(100)->members.size(), done ? 1u : 2u);
        }
    }
}

TEST_F(DiskSetRemovalTest, ContainersGoOfflineWithTheirSet) {
    // Detach with containers: drained first, offline after the detach.
    FSA_DISK_SET set = key(100);
    FSA_DISK_SET_ARGS args{};
    ASSERT_EQ(FsaDiskSet(handle, &set, FSA_DSO_DETACH_WITH_CONTAINERS, &args), FSA_STS_SUCCESS);
    EXPECT_FALSE(attached(100));
    EXPECT_EQ(containerStates(), kOffline);
    std::vector<int> order;
    for (const auto& e : sim.journal())
        if (e.ctCommand == 133 || e.ctCommand == 134 || e.clusterCommand == CL_DETACH)
            order.push_back(e.ctCommand >= 0 ? e.ctCommand : 1000 + e.clusterCommand);
    EXPECT_EQ(order, (std::vector<int>{133, 133, 1000 + CL_DETACH, 134, 134}));

    // Release of an attached set: refused, or, unconditionally, detached
    // with its containers and released.
    sim.load(kConfig);
    args.ownership.unconditional = 0;
    EXPECT_EQ(FsaDiskSet(handle, &set, FSA_DSO_RELEASE, &args), 451u);
    EXPECT_EQ(containerStates(), kUntouched);
    args.ownership.unconditional = 1;
    ASSERT_EQ(FsaDiskSet(handle, &set, FSA_DSO_RELEASE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(containerStates(), kOffline);
    EXPECT_EQ(modelSet(100)->owner, 0u);
    EXPECT_EQ(modelSet(100)->flags & 32, 0u);
}

TEST_F(DiskSetRemovalTest, InitialisingDrivesWritesTheMbrWhereNoneIs) {
    FSA_DISK_SET set = key(300);
    sim.update(0, [](qorsim::Adapter& a) { a.maint.diskSets[2].flags = 36; });
    EXPECT_EQ(DS_InitDrives(ctx(), &set), 12u); // drive 134 has one already
    EXPECT_TRUE(hasMbr(131));
    sim.clearJournal();
    EXPECT_EQ(DS_InitDrives(ctx(), &set), 12u);
    EXPECT_FALSE(sent(6)); // nothing written over an MBR
    FSA_DISK_SET missing = key(5);
    EXPECT_EQ(DS_InitDrives(ctx(), &missing), 12u);
}

TEST_F(DiskSetRemovalTest, TheInitialiseFlagOnEachOperation) {
    const struct {
        const char* what;
        std::uint32_t op;
        std::uint64_t set;
        std::uint8_t target;
        unsigned status;
        std::uint32_t flags;
        std::uint32_t mbrDrive; // has an MBR afterwards
        std::vector<int> attachDetach;
    } rows[] = {
        {"create on a blank drive", FSA_DSO_CREATE, 0, 4, 1, 0, 132, {CL_ATTACH, CL_DETACH}},
        {"create on a drive with an MBR", FSA_DSO_CREATE, 0, 5, 1, 1, 133, {CL_ATTACH, CL_DETACH}},
        {"add to a set held here", FSA_DSO_ADD, 300, 4, 1, 0, 132, {CL_ATTACH, CL_DETACH}},
        {"add a drive with an MBR", FSA_DSO_ADD, 300, 5, 1, 2, 133, {CL_ATTACH, CL_DETACH}},
        {"add to an attached set", FSA_DSO_ADD, 200, 4, 1, 0, 132, {}},
        {"remove from a set held here", FSA_DSO_REMOVE, 300, 3, 1, 0, 131, {CL_ATTACH, CL_DETACH}},
        {"remove a drive with an MBR", FSA_DSO_REMOVE, 300, 6, 1, 4, 134, {CL_ATTACH, CL_DETACH}},
        {"delete a set held here", FSA_DSO_DELETE, 300, 0, 1, 0, 131, {CL_ATTACH, CL_DETACH}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.load(kConfig);
        sim.clearJournal();
        FSA_DISK_SET set = key(r.set);
        FSA_DISK_SET_ARGS args{};
        std::uint32_t* flags = nullptr;
        switch (r.op) {
        case FSA_DSO_CREATE:
            args.create.initDrives = 1;
            args.create.memberCount = 1;
            args.create.members[0] = drive(r.target);
            std::strcpy(args.create.label, "fresh");
            flags = &args.create.resultFlags;
            break;
        case FSA_DSO_ADD:
            args.add.initDrives = 1;
            args.add.memberCount = 1;
            args.add.members[0] = drive(r.target);
            flags = &args.add.resultFlags;
            break;
        case FSA_DSO_REMOVE:
            args.remove.initDrives = 1;
            args.remove.memberCount = 1;
            args.remove.members[0] = drive(r.target);
            flags = &args.remove.resultFlags;
            break;
        default:
            args.remove_set.initDrives = 1;
        }
        ASSERT_EQ(FsaDiskSet(handle, &set, r.op, &args), r.status);
        if (flags) {
            EXPECT_EQ(*flags, r.flags);
        }
        EXPECT_TRUE(hasMbr(r.mbrDrive));
        std::vector<int> attachDetach;
        for (int c : clusterCommands())
            if (c == CL_ATTACH || c == CL_DETACH)
                attachDetach.push_back(c);
        EXPECT_EQ(attachDetach, r.attachDetach);
        if (r.op != FSA_DSO_DELETE) {
            EXPECT_EQ(attached(set.number), r.set == 200); // as it was
        }
    }
    // Without the flag a legacy drive cannot join; with it, it can.
    sim.load(kConfig);
    sim.update(0, [](qorsim::Adapter& a) { a.slices[4].type = 3; });
    FSA_DISK_SET set = key(300);
    FSA_DISK_SET_ARGS args{};
    args.add.memberCount = 1;
    args.add.members[0] = drive(4);
    EXPECT_EQ(FsaDiskSet(handle, &set, FSA_DSO_ADD, &args), 542u);
    args.add.initDrives = 1;
    EXPECT_EQ(FsaDiskSet(handle, &set, FSA_DSO_ADD, &args), FSA_STS_SUCCESS);
}

TEST_F(DiskSetRemovalTest, DeleteWithInitialisationDeletesTheContainers) {
    FSA_DISK_SET set = key(100);
    FSA_DISK_SET_ARGS args{};
    args.remove_set.initDrives = 1;
    args.remove_set.unconditional = 1;
    ASSERT_EQ(FsaDiskSet(handle, &set, FSA_DSO_DELETE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(100), nullptr);
    EXPECT_EQ(model.containers.count(0), 0u);
    EXPECT_EQ(model.containers.count(1), 0u);
    EXPECT_EQ(model.containers.size(), 0u);
}

// Sets 1..n, all of this adapter.
std::string manySets(int n) {
    std::string sets;
    for (int i = 1; i <= n; ++i)
        sets += std::string(i > 1 ? "," : "") + R"({"number": )" + std::to_string(1000 + i) +
                R"(, "creator": 4660, "owner": 4660, "label": "set)" + std::to_string(i) + "\"}";
    return R"({"adapters": [{"index": 0, "serial": 4660,
      "drives": [{"bus": 1, "target": 0}], "slices": [{"drive": 128}],
      "cluster": {"sharedMask": 2}, "diskSets": [)" +
           sets + "]}]}";
}

FSA_STATUS countSets(FSA_STATUS status, void* user, FSA_DISK_SET_INFO*) {
    if (status == FSA_STS_SUCCESS)
        ++*static_cast<int*>(user);
    return FSA_STS_SUCCESS;
}

TEST_F(DiskSetRemovalTest, EverySetIsReportedAndTheThirtySecondIsTheLast) {
    for (int n : {16, 17, 20, 31, 32, 64}) {
        SCOPED_TRACE(n);
        sim.load(manySets(n));
        int seen = 0;
        EXPECT_EQ(FsaEnumDiskSets(handle, nullptr, countSets, &seen), FSA_STS_SUCCESS);
        EXPECT_EQ(seen, n);
        FSA_DISK_SET last = key(1000 + n);
        EXPECT_EQ(FsaFindDiskSet(handle, &last), FSA_STS_SUCCESS);
        FSA_DISK_SET_ARGS args{};
        args.create.memberCount = 1;
        args.create.members[0] = drive(0);
        std::strcpy(args.create.label, "one more");
        FSA_DISK_SET made{};
        EXPECT_EQ(FsaDiskSet(handle, &made, FSA_DSO_CREATE, &args),
                  n >= 32 ? 519u : FSA_STS_SUCCESS);
    }
}

// The simulated controller; the memory the library maps for it comes from
// `map` and every unmapping is counted.
class LowMemoryPort final : public fsatest::SimPort {
public:
    LowMemoryPort(qorsim::Simulator& sim, std::function<void*(std::size_t)> map)
        : SimPort(sim), m_map(std::move(map)) {}
    void* mapLowMemory(std::size_t bytes) override { return m_map(bytes); }
    void unmapMemory(void* memory, std::size_t bytes) override {
        ++unmapped;
        OsPort::unmapMemory(memory, bytes);
    }
    int unmapped = 0;

private:
    std::function<void*(std::size_t)> m_map;
};

TEST_F(DiskSetRemovalTest, NoMemoryTheControllerCanReachGives91) {
    struct Case {
        const char* name;
        std::function<void*(std::size_t)> map;
        int unmapped; // what the library must give back
    };
    const Case cases[] = {
        {"no memory at all", [](std::size_t) { return MAP_FAILED; }, 0},
        {"memory above 4 GiB only",
         [](std::size_t bytes) {
             // Ask above 4 GiB, so that the address, not the flag, decides.
             void* hint = reinterpret_cast<void*>(std::uintptr_t{1} << 40);
             return mmap(hint, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LowMemoryPort lowMemory(sim, c.map);
        fsa::setOsPort(&lowMemory);
        int count = 0;
        const FSA_STATUS s = DS_GetAllDiskSets(ctx(), nullptr, 0, &count);
        fsa::setOsPort(&port);
        EXPECT_EQ(s, FSA_STS_OUT_OF_MEMORY);
        EXPECT_EQ(lowMemory.unmapped, c.unmapped);
        EXPECT_EQ(DS_GetAllDiskSets(ctx(), nullptr, 0, &count), FSA_STS_SUCCESS);
        EXPECT_EQ(count, 3);
    }
}

} // namespace
