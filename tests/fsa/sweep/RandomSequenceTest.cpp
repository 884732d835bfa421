// A seeded random sequence of configuration calls, valid and invalid, with
// a failure injected at a random FIB of most of them. After every step the
// model is judged as the sweep judges it, and what the library reports of
// containers and disk sets must match the model.
//
//   fsa_random_sequence_test [--seed=N] [--steps=N]   (and GoogleTest flags)
//
// The seed is printed; a failing seed reruns alone with the same steps.
#include "FsaContainerInfo.h"
#include "SweepConfig.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <random>
#include <set>
#include <thread>

namespace fsasweep {
namespace {

std::uint64_t g_seed = 1;
unsigned g_steps = 40;

const char kName[16] = "rnd";

// Internal ids of the drives on the shared buses 1 and 2 (targets 0-15).
const std::vector<std::uint32_t> kSharedDrives = [] {
    std::vector<std::uint32_t> ids;
    for (std::uint32_t bus = 1; bus <= 2; ++bus)
        for (std::uint32_t target = 0; target <= 15; ++target)
            ids.push_back(bus << 7 | target);
    return ids;
}();

class Random {
public:
    explicit Random(std::uint64_t seed) : gen_(seed) {}
    unsigned below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(gen_); }
    bool chance(unsigned percent) { return below(100) < percent; }

private:
    std::mt19937_64 gen_;
};

// A random free-or-not extent on a bus-0 disk, aligned as creation wants.
FSA_STORAGE_DEVICE_SPACE randomSpace(Random& r) {
    const std::uint8_t target = static_cast<std::uint8_t>(r.below(6));
    const std::uint64_t start = 2048 * (1 + r.below(90));
    return space(target, start, 2048 * (4 + r.below(12)));
}

Row createStep(Random& r) {
    static const std::uint32_t kTypes[] = {2, 3, 3, 7, 1, 99};
    const std::uint32_t type = kTypes[r.below(6)];
    std::vector<FSA_STORAGE_DEVICE_SPACE> spaces(1 + r.below(3));
    for (auto& s : spaces)
        s = randomSpace(r);
    Row step = row("create type " + std::to_string(type) + " over " +
                       std::to_string(spaces.size()) + " extents",
                   "",
                   [type, spaces](void* h) {
                       tag_FSA_CONTAINER made{};
                       return FsaCreatePrimaryContainer(h, &made, type, kName,
                                                        static_cast<unsigned>(spaces.size()),
                                                        spaces.data(), 0, nullptr);
                   },
                   {"container *", "partition *", "host disk *", "task *"});
    step.partials.push_back(
        successExcept("created; a later step failed", {"container *", "host disk *", "task *"}));
    // Mirrors and RAID-5 scrub after creation, which the simulated
    // controller does not carry out (37): the container stays created.
    step.partials.push_back(onStatus(
        FSA_STATUS(37), startExcept("created; the scrub after it was refused",
                                    {"container *", "partition *", "host disk *", "task *"})));
    return step;
}

// The containers that stand in container n as members, and theirs in turn:
// the controller destroys them with it.
void addMemberContainers(const qorsim::Adapter& a, std::uint32_t n,
                         std::vector<std::string>& objects) {
    const auto it = a.containers.find(n);
    if (it == a.containers.end())
        return;
    for (std::uint32_t entry : it->second.members) {
        if (entry >= a.partitions.size())
            continue;
        const std::uint8_t* e = a.partitions[entry].data();
        const std::uint32_t inner = qorsim::get16(e, 52);
        if (!qorsim::get32(e, 24) && qorsim::get32(e, 48) != 8 && inner != n &&
            a.containers.count(inner)) {
            objects.push_back("container " + std::to_string(inner));
            addMemberContainers(a, inner, objects);
        }
    }
}

Row deleteStep(Random& r, const qorsim::Adapter& now) {
    const std::uint32_t n = r.below(8);
    static const FSA_CONTAINER_OPERATION kOps[] = {FSA_CO_DELETE, FSA_CO_DELETE_IN_USE,
                                                   FSA_CO_DELETE_FORCE};
    const FSA_CONTAINER_OPERATION op = kOps[r.below(3)];
    const std::string c = std::to_string(n);
    std::vector<std::string> destroyed = {"container " + c, "partition *"};
    addMemberContainers(now, n, destroyed);
    std::vector<std::string> touches = destroyed;
    touches.push_back("host disk " + c);
    Row step = row(
        "delete container " + c + " (operation " + std::to_string(op) + ")", "",
        [n, op](void* h) {
            const tag_FSA_CONTAINER t = container(n);
            return FsaContainer(h, &t, op, nullptr);
        },
        touches);
    step.partials.push_back(
        startExcept("the host released the disk before the failure", {"host disk " + c}));
    step.partials.push_back(
        successExcept("destroyed; the host's clean-up failed", {"host disk " + c, "partition *"}));
    // A container made here has no disk on the host: letting go of it
    // fails (479) after the controller destroyed it.
    step.partials.push_back(onStatus(
        FSA_STATUS(479), startExcept("destroyed; the host had no disk to let go of", touches)));
    return step;
}

Row flagsStep(Random& r) {
    const std::uint32_t n = r.below(8);
    const std::uint16_t mask = static_cast<std::uint16_t>(1 + r.below(0xFF));
    return row("user flags of container " + std::to_string(n), "",
               [n, mask](void* h) {
                   const tag_FSA_CONTAINER t = container(n);
                   std::uint16_t m = mask;
                   return FsaContainer(h, &t, FSA_CO_SET_USER_FLAGS, &m);
               },
               {"container " + std::to_string(n)});
}

// The library numbers a new set by the second it is made in and then
// pauses a second, which the sweep's sleeper cuts to microseconds: a
// creation waits for a second that no earlier one of the run used, as the
// pause would have made it.
void startInAnUnusedSecond() {
    static std::time_t used = 0;
    while (std::time(nullptr) <= used)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    used = std::time(nullptr);
}

// A drive of the shared buses for a set: for a creation mostly one that no
// set holds, else any, now and then one that is not there (target 16).
FSA_STORAGE_DEVICE setMember(Random& r, const qorsim::Adapter& now, bool creating) {
    std::vector<std::uint32_t> free;
    for (std::uint32_t id : kSharedDrives) {
        bool held = false;
        for (const auto& s : now.maint.diskSets)
            held = held || std::count(s.members.begin(), s.members.end(), id);
        if (!held)
            free.push_back(id);
    }
    if (creating && !free.empty() && r.chance(80)) {
        const std::uint32_t id = free[r.below(static_cast<unsigned>(free.size()))];
        return drive(static_cast<std::uint8_t>(id & 15), static_cast<std::uint8_t>(id >> 7));
    }
    return drive(static_cast<std::uint8_t>(r.below(17)), static_cast<std::uint8_t>(1 + r.below(2)));
}

Row diskSetStep(Random& r, const qorsim::Adapter& now) {
    // Creation weighs most, so that a run passes the 16 sets that the
    // controller's reply holds without its external area.
    const std::uint32_t op =
        std::vector<std::uint32_t>{FSA_DSO_CREATE, FSA_DSO_CREATE, FSA_DSO_CREATE, FSA_DSO_ADD,
                                   FSA_DSO_REMOVE, FSA_DSO_LABEL,  FSA_DSO_RELEASE}[r.below(7)];
    FSA_DISK_SET set = diskSet(999);
    std::string object = "disk set 999/9";
    if (!now.maint.diskSets.empty() && r.chance(85)) {
        const auto& s =
            now.maint.diskSets[r.below(static_cast<unsigned>(now.maint.diskSets.size()))];
        set = diskSet(s.number, s.creator);
        object = "disk set " + std::to_string(s.number) + "/" + std::to_string(s.creator);
    }
    const FSA_STORAGE_DEVICE member = setMember(r, now, op == FSA_DSO_CREATE);
    const std::string label = "set" + std::to_string(r.below(100));
    Row step = row(
        "disk-set operation " + std::to_string(op) + " on " + object, "",
        [op, set, member, label](void* h) mutable {
            auto args = std::make_unique<FSA_DISK_SET_ARGS>();
            std::memset(args.get(), 0, sizeof *args);
            switch (op) {
            case FSA_DSO_CREATE:
                startInAnUnusedSecond();
                set = FSA_DISK_SET{};
                args->create.memberCount = 1;
                args->create.members[0] = member;
                std::snprintf(args->create.label, sizeof args->create.label, "%s", label.c_str());
                break;
            case FSA_DSO_ADD:
                args->add.memberCount = 1;
                args->add.members[0] = member;
                break;
            case FSA_DSO_REMOVE:
                args->remove.memberCount = 1;
                args->remove.members[0] = member;
                break;
            case FSA_DSO_LABEL:
                std::snprintf(args->label.label, sizeof args->label.label, "%s", label.c_str());
                break;
            default:
                break;
            }
            // A drive the controller did not add or remove is reported by
            // result flags, as in the disk-set sweep.
            const FSA_STATUS status = FsaDiskSet(h, &set, op, args.get());
            return withResultFlags(status, op == FSA_DSO_ADD      ? args->add.resultFlags
                                           : op == FSA_DSO_REMOVE ? args->remove.resultFlags
                                                                  : 0);
        },
        {object, "disk set new"});
    // As in the disk-set sweep: the set is attached for an addition, and a
    // failed detach after it leaves the set attached with the drive added.
    if (op == FSA_DSO_ADD)
        step.partials.push_back(
            failedExcept("added; the detach after it failed, leaving the set attached", {object}));
    return step;
}

Row deviceStep(Random& r) {
    const std::uint8_t target = static_cast<std::uint8_t>(r.below(7)); // 6: no such drive
    const std::uint32_t op = r.chance(50) ? FSA_SDO_VERIFY : FSA_SDO_ZERO;
    return row("device operation " + std::to_string(op) + " on 0:" + std::to_string(target), "",
               [target, op](void* h) {
                   const FSA_STORAGE_DEVICE d = drive(target);
                   std::uint32_t argument = 0;
                   return FsaStorageDevice(h, &d, op, &argument);
               },
               {"task *", "slice " + std::to_string(target)});
}

// Building a container out of two others.
Row secondaryStep(Random& r) {
    const std::uint32_t type = 2 + r.below(3);
    const tag_FSA_CONTAINER members[2] = {container(r.below(4)), container(r.below(4))};
    Row step = row("secondary type " + std::to_string(type) + " of containers " +
                       std::to_string(members[0].containerNumber) + " and " +
                       std::to_string(members[1].containerNumber),
                   "",
                   [type, members](void* h) {
                       tag_FSA_CONTAINER made{};
                       return FsaCreateSecondaryContainer(h, &made, type, kName, 2, members, 0);
                   },
                   {"container *", "host disk *", "partition *"});
    step.partials.push_back(
        successExcept("combined; a later step failed", {"container *", "host disk *"}));
    return step;
}

Row randomStep(Random& r, const qorsim::Adapter& now) {
    if (r.chance(25))
        return secondaryStep(r);
    switch (r.below(6)) {
    case 0:
        return createStep(r);
    case 1:
        return deleteStep(r, now);
    case 2:
        return flagsStep(r);
    case 3:
    case 4:
        return diskSetStep(r, now);
    default:
        return deviceStep(r);
    }
}

template <class Set> std::string numbers(const Set& set) {
    std::string out = "{";
    for (const auto& n : set)
        out += (out.size() > 1 ? " " : "") + std::to_string(n);
    return out + "}";
}

using SetKey = std::pair<std::uint64_t, std::uint64_t>; // number, creator

FSA_STATUS collectSet(FSA_STATUS status, void* user, FSA_DISK_SET_INFO* info) {
    if (status == FSA_STS_SUCCESS && info) {
        SetKey key;
        std::memcpy(&key.first, &info->words[FSA_DSI_KEY], sizeof key.first);
        std::memcpy(&key.second, &info->words[FSA_DSI_KEY + 2], sizeof key.second);
        static_cast<std::set<SetKey>*>(user)->insert(key);
    }
    return FSA_STS_SUCCESS;
}

std::string keys(const std::set<SetKey>& sets) {
    std::string out = "{";
    for (const auto& [number, creator] : sets)
        out += (out.size() > 1 ? " " : "") + std::to_string(number) + "/" + std::to_string(creator);
    return out + "}";
}

// The configuration the sequence starts from: the base, with both shared
// buses filled (drives 1:3-1:15 and 2:0-2:15 added, each a disk the
// controller lays out) and 14 more sets held here, one on each of drives
// 2:0-2:13; 16 drives are free for the sets the sequence makes.
std::string randomConfig() {
    nlohmann::json j = nlohmann::json::parse(kBase);
    nlohmann::json& a = j["adapters"][0];
    a["buses"] = 3;
    a["cluster"]["sharedMask"] = 6;
    auto addDrive = [&a](unsigned bus, unsigned target) {
        a["drives"].push_back({{"bus", bus}, {"target", target}});
        a["slices"].push_back({{"size", 200000}, {"drive", bus << 7 | target}});
    };
    for (unsigned target = 3; target <= 15; ++target)
        addDrive(1, target);
    for (unsigned target = 0; target <= 15; ++target) {
        addDrive(2, target);
        if (target <= 13)
            a["diskSets"].push_back({{"number", 200 + target},
                                     {"creator", kSerial},
                                     {"label", "pre" + std::to_string(target)},
                                     {"owner", kSerial},
                                     {"flags", 4},
                                     {"members", {2 << 7 | target}}});
    }
    return j.dump();
}

std::string consistency(Bench& bench) {
    const qorsim::Adapter model = bench.sim().snapshot(0);
    std::string wrong;
    bench.run(
        [&](void* h) {
            std::vector<std::uint8_t> buffer(FSA_CONTAINER_INFO_MAX_BYTES);
            auto* info = reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.data());
            std::set<std::uint32_t> reported;
            const tag_FSA_CONTAINER* previous = nullptr;
            tag_FSA_CONTAINER last{};
            while (FsaGetContainerInfo(h, 1, previous, info, FSA_CONTAINER_INFO_MAX_BYTES) ==
                       FSA_STS_SUCCESS &&
                   reported.insert(info->container.containerNumber).second) {
                last = info->container;
                previous = &last;
                const auto it = model.containers.find(last.containerNumber);
                if (it != model.containers.end() &&
                    info->partitionCount != it->second.members.size())
                    wrong += "container " + std::to_string(last.containerNumber) + " reported " +
                             std::to_string(info->partitionCount) + " partitions, the model has " +
                             std::to_string(it->second.members.size()) + "\n";
            }
            std::set<std::uint32_t> held;
            for (const auto& [n, record] : model.containers)
                held.insert(n);
            if (reported != held)
                wrong += "the container enumeration reports " + numbers(reported) +
                         ", the model holds " + numbers(held) + "\n";
            std::set<SetKey> sets, modelSets;
            FsaEnumDiskSets(h, nullptr, collectSet, &sets);
            for (const auto& s : model.maint.diskSets)
                if (s.flags & 4) // the controller keeps no record of a set nobody holds
                    modelSets.insert({s.number, s.creator});
            if (sets != modelSets)
                wrong += "the disk-set enumeration reports " + keys(sets) + ", the model holds " +
                         keys(modelSets) + "\n";
            return FSA_STS_SUCCESS;
        },
        nullptr, 30000, "consistency check");
    return wrong;
}

TEST(RandomSequence, EveryStepLeavesAnAllowedStateThatTheLibraryReports) {
    std::printf("random sequence: seed %" PRIu64 ", %u steps\n", g_seed, g_steps);
    Random r(g_seed);
    Bench bench(randomConfig());
    ASSERT_EQ(consistency(bench), "") << "the starting configuration";
    for (unsigned step = 1; step <= g_steps; ++step) {
        const qorsim::Adapter start = bench.sim().snapshot(0);
        const Row s = randomStep(r, start);
        std::vector<qorsim::JournalEntry> fibs;
        std::vector<qorsim::Adapter> states;
        RunResult clean;
        clean.status = bench.run(s.call, nullptr, s.timeBoundMs, s.name, &fibs, &states);
        clean.end = bench.sim().snapshot(0);
        clean.start = &start;
        clean.success = clean.status == FSA_STS_SUCCESS ? &clean.end : &start;
        const std::string where = "seed " + std::to_string(g_seed) + ", step " +
                                  std::to_string(step) + " (" + s.name + ")";
        if (const std::string wrong = judge(s, clean); !wrong.empty())
            ADD_FAILURE() << where << ", without a fault: " << wrong;
        RunResult result = clean;
        result.success = &clean.end;
        std::string fault = "no fault";
        if (!fibs.empty() && r.chance(70)) {
            const int k = static_cast<int>(1 + r.below(static_cast<unsigned>(fibs.size())));
            const FailureKind kind = kAllKinds[r.below(3)];
            const qorsim::JournalEntry& sent = fibs[k - 1];
            const std::string at = " at FIB " + std::to_string(k) + " of " +
                                   std::to_string(fibs.size()) + " (" + fibName(sent) + ")";
            // As in the sweep, a command answered only with a value gets no
            // failure status: the step keeps its clean run.
            if (kind == FailureKind::FailureStatus && !hasFailureStatus(sent)) {
                fault = "no fault: no failure status" + at;
            } else {
                fault = std::string(kindName(kind)) + at;
                qorsim::restoreSnapshot(bench.sim(), start);
                const qorsim::Fault f = faultFor(kind, k, sent);
                result.status = bench.run(s.call, &f, s.timeBoundMs, where + ", " + fault);
                result.end = bench.sim().snapshot(0);
                result.replyDamaged = kind == FailureKind::ShortReply;
                result.afterLastChange =
                    static_cast<std::size_t>(k) > lastChangingFib(start, states);
                if (const std::string wrong = judge(s, result); !wrong.empty())
                    ADD_FAILURE() << where << ", " << fault << ": " << wrong;
            }
        }
        std::printf("step %u: %s -> %u (%s), %zu disk sets\n", step, s.name.c_str(), result.status,
                    fault.c_str(), bench.sim().snapshot(0).maint.diskSets.size());
        if (const std::string wrong = consistency(bench); !wrong.empty())
            ADD_FAILURE() << where << ", " << fault << ": " << wrong;
        if (HasFailure()) {
            std::printf("rerun alone: fsa_random_sequence_test --seed=%" PRIu64 " --steps=%u\n",
                        g_seed, step);
            return;
        }
    }
}

} // namespace
} // namespace fsasweep

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--seed=", 0) == 0)
            fsasweep::g_seed = std::stoull(arg.substr(7));
        else if (arg.rfind("--steps=", 0) == 0)
            fsasweep::g_steps = static_cast<unsigned>(std::stoul(arg.substr(8)));
        else {
            std::fprintf(stderr, "usage: %s [--seed=N] [--steps=N]\n", argv[0]);
            return 2;
        }
    }
    return RUN_ALL_TESTS();
}
