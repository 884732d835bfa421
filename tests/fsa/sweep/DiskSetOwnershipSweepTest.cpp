// Disk-set ownership (take, force, release), the host-managed refusals and
// their unconditional overrides, the variants of the other operations that
// the first tables leave out, and the calls that bring a set to a wanted
// state or set its parameters, under a failure at every FIB. Set 100
// (drives 1:0 and 1:1) starts held here unless a row says otherwise.
#include "DiskSetRows.h"

namespace fsasweep {
namespace {

constexpr std::uint64_t kOtherNode = 55;
constexpr std::uint32_t kHeld = 4, kAttached = 32;
constexpr std::uint32_t kSparePool = 1, kHostManaged = 2;

// Set 100 with this owner, flags and attributes.
std::function<void(qorsim::Adapter&)> set100(std::uint64_t owner, std::uint32_t flags,
                                             std::uint32_t attributes = 0) {
    return [owner, flags, attributes](qorsim::Adapter& a) {
        qorsim::DiskSet& s = a.maint.diskSets.at(0);
        s.owner = owner;
        s.flags = flags;
        s.attributes = attributes;
    };
}

Row refused(Row r, FSA_STATUS status, std::string why) {
    r.cleanStatus = status;
    r.cleanNote = std::move(why);
    return r;
}

Row ownership(const std::string& name, std::uint32_t op, bool unconditional,
              std::function<void(qorsim::Adapter&)> setup) {
    Row r = setOperation(
        name, op,
        [unconditional](FSA_DISK_SET_ARGS& a) { a.ownership.unconditional = unconditional; },
        kSet100);
    r.setup = std::move(setup);
    return r;
}

// The base with set 100 held here but not attached, holding container 4 (a
// volume on drive 1:0) that the host does not know yet.
std::string detachedSetWithContainer() {
    nlohmann::json j = nlohmann::json::parse(setWithContainer());
    nlohmann::json& a = j["adapters"][0];
    a["diskSets"][0]["flags"] = kHeld;
    a["hostDisks"].erase(a["hostDisks"].size() - 1);
    return j.dump();
}

// The base with a second free drive on the shared bus: 1:3 (id 131).
std::string withFreeDrive131() {
    nlohmann::json j = nlohmann::json::parse(kBase);
    nlohmann::json& a = j["adapters"][0];
    a["drives"].push_back({{"bus", 1}, {"target", 3}});
    a["slices"].push_back({{"size", 200000}, {"drive", 131}});
    return j.dump();
}

std::vector<Row> ownershipRows() {
    std::vector<Row> out;
    out.push_back(ownership("take of a set nobody holds", FSA_DSO_TAKE, false, set100(0, 0)));
    // The claim of an owner that no longer holds the set is released
    // first; that release stands when the take after it fails.
    Row lapsed = ownership("take of a set its lapsed owner still names", FSA_DSO_TAKE, false,
                           set100(kOtherNode, 0));
    lapsed.partials.push_back(failedWith("the lapsed owner's claim was released; the take failed",
                                         [](qorsim::Adapter& a) {
                                             qorsim::DiskSet& s = a.maint.diskSets.at(0);
                                             s.owner = 0;
                                             ++s.generation;
                                         }));
    out.push_back(lapsed);
    out.push_back(refused(ownership("take of a set another node holds", FSA_DSO_TAKE, false,
                                    set100(kOtherNode, kHeld)),
                          FSA_STATUS(435), "refuses a set that another node holds"));
    out.push_back(ownership("take of a set held here", FSA_DSO_TAKE, false, nullptr));
    out.push_back(refused(
        ownership("take of a host-managed set", FSA_DSO_TAKE, false, set100(0, 0, kHostManaged)),
        FSA_STATUS(449), "refuses a host-managed set without the flag"));
    out.push_back(ownership("take unconditional of a host-managed set", FSA_DSO_TAKE, true,
                            set100(0, 0, kHostManaged)));

    out.push_back(ownership("force of a set another node holds", FSA_DSO_FORCE, false,
                            set100(kOtherNode, kHeld)));
    out.push_back(ownership("force of a set nobody holds", FSA_DSO_FORCE, false, set100(0, 0)));
    out.push_back(refused(ownership("force of a host-managed set", FSA_DSO_FORCE, false,
                                    set100(kOtherNode, kHeld, kHostManaged)),
                          FSA_STATUS(449), "refuses a host-managed set without the flag"));
    out.push_back(ownership("force unconditional of a host-managed set", FSA_DSO_FORCE, true,
                            set100(kOtherNode, kHeld, kHostManaged)));

    out.push_back(refused(ownership("release of an attached set", FSA_DSO_RELEASE, false,
                                    set100(kSerial, kHeld | kAttached)),
                          FSA_STATUS(451), "refuses an attached set without the flag"));
    out.push_back(refused(ownership("release of a host-managed set", FSA_DSO_RELEASE, false,
                                    set100(kSerial, kHeld, kHostManaged)),
                          FSA_STATUS(449), "refuses a host-managed set without the flag"));
    out.push_back(ownership("release unconditional of a host-managed set", FSA_DSO_RELEASE, true,
                            set100(kSerial, kHeld, kHostManaged)));
    // Detached first; a failed release after it leaves the set detached.
    Row attached = ownership("release unconditional of an attached set", FSA_DSO_RELEASE, true,
                             set100(kSerial, kHeld | kAttached));
    attached.partials.push_back(
        failedWith("detached for the release; the release failed",
                   [](qorsim::Adapter& a) { a.maint.diskSets.at(0).flags &= ~kAttached; }));
    out.push_back(attached);
    return out;
}

// Label and spare pool of a host-managed set need the unconditional flag;
// the host-managed change itself does not.
std::vector<Row> parameterRows() {
    std::vector<Row> out;
    const auto hostManaged = set100(kSerial, kHeld, kHostManaged);
    for (bool unconditional : {false, true}) {
        const std::string how = unconditional ? " unconditional" : "";
        Row label = setOperation(
            "label" + how + " of a host-managed set", FSA_DSO_LABEL,
            [unconditional](FSA_DISK_SET_ARGS& a) {
                a.label.unconditional = unconditional;
                std::strcpy(a.label.label, "renamed");
            },
            kSet100);
        Row pool = setOperation(
            "spare pool" + how + " of a host-managed set", FSA_DSO_SPARE_POOL,
            [unconditional](FSA_DISK_SET_ARGS& a) {
                a.sparePool.unconditional = unconditional;
                a.sparePool.sparePool = 1;
            },
            kSet100);
        for (Row* r : {&label, &pool}) {
            r->setup = hostManaged;
            out.push_back(unconditional ? *r
                                        : refused(*r, FSA_STATUS(449),
                                                  "refuses a host-managed set without the flag"));
        }
    }
    Row cleared = setOperation(
        "host managed cleared", FSA_DSO_HOST_MANAGED,
        [](FSA_DISK_SET_ARGS& a) { a.hostManaged.hostManaged = 0; }, kSet100);
    cleared.setup = set100(kSerial, kHeld, kHostManaged | kSparePool);
    out.push_back(cleared);
    return out;
}

// Left out: a detach with a task on a member drive; the task's end makes the
// receive thread send its own cluster command at a time of its own, so the
// FIB count of a run is not the call's.
std::vector<Row> attachmentRows() {
    std::vector<Row> out;
    const std::vector<std::string> setAndDisk = {"disk set 100/9", "host disk 4"};
    Row online = setOperation("attach with containers holding one", FSA_DSO_ATTACH_WITH_CONTAINERS,
                              nullptr, setAndDisk, detachedSetWithContainer());
    // A container the host does not take is no reason to fail the attach.
    online.partials.push_back(
        onStatus(FSA_STS_SUCCESS,
                 successExcept("attached; the host did not take the container", {"host disk 4"})));
    online.partials.push_back(
        failedExcept("attached; bringing its containers to the host failed after it", setAndDisk));
    out.push_back(online);

    for (bool unconditional : {false, true}) {
        const std::string how = unconditional ? " unconditional" : "";
        const auto fill = [unconditional](FSA_DISK_SET_ARGS& a) {
            a.onlineOffline.unconditional = unconditional;
        };
        Row on = setOperation("attach with containers" + how + " of a host-managed set",
                              FSA_DSO_ATTACH_WITH_CONTAINERS, fill, kSet100);
        on.setup = set100(kSerial, kHeld, kHostManaged);
        on.partials.push_back(
            startExcept("attached; reading its containers for the host failed", kSet100));
        Row off = setOperation("detach with containers" + how + " of a host-managed set",
                               FSA_DSO_DETACH_WITH_CONTAINERS, fill, kSet100);
        off.setup = set100(kSerial, kHeld | kAttached, kHostManaged);
        for (Row* r : {&on, &off})
            out.push_back(unconditional ? *r
                                        : refused(*r, FSA_STATUS(449),
                                                  "refuses a host-managed set without the flag"));
    }

    return out;
}

// Membership and deletion variants.
std::vector<Row> membershipRows() {
    std::vector<Row> out;
    // The set is made with the first drive the controller takes; a drive
    // left out, before or after that one, is reported by result flag 1 and
    // the set stays.
    Row create = row("create with two drives", withFreeDrive131(),
                     [](void* h) {
                         FSA_DISK_SET set{};
                         auto args = std::make_unique<FSA_DISK_SET_ARGS>();
                         std::memset(args.get(), 0, sizeof *args);
                         args->create.memberCount = 2;
                         args->create.members[0] = drive(2, 1);
                         args->create.members[1] = drive(3, 1);
                         std::strcpy(args->create.label, "pair");
                         const FSA_STATUS s = FsaDiskSet(h, &set, FSA_DSO_CREATE, args.get());
                         return withResultFlags(s, args->create.resultFlags);
                     },
                     {"disk set new"});
    create.partials.push_back(
        onStatus(withResultFlags(FSA_STS_SUCCESS, 1),
                 startExcept("made with one of its drives: result flag 1", {"disk set new"})));
    out.push_back(create);

    // A label some set carries already is refused; a failed read of the
    // sets must not clear it.
    out.push_back(refused(row("create with a label taken", withFreeDrive131(),
                              [](void* h) {
                                  FSA_DISK_SET set{};
                                  auto args = std::make_unique<FSA_DISK_SET_ARGS>();
                                  std::memset(args.get(), 0, sizeof *args);
                                  args->create.memberCount = 1;
                                  args->create.members[0] = drive(2, 1);
                                  std::strcpy(args->create.label, "kept");
                                  return FsaDiskSet(h, &set, FSA_DSO_CREATE, args.get());
                              },
                              {}),
                          FSA_STATUS(511), "refuses a label another set carries"));
    out.push_back(
        refused(setOperation(
                    "label taken", FSA_DSO_LABEL,
                    [](FSA_DISK_SET_ARGS& a) { std::strcpy(a.label.label, "kept"); }, kSet100),
                FSA_STATUS(511), "refuses a label a set carries"));

    Row addTwo = setOperation(
        "add two drives", FSA_DSO_ADD,
        [](FSA_DISK_SET_ARGS& a) {
            a.add.memberCount = 2;
            a.add.members[0] = drive(2, 1);
            a.add.members[1] = drive(3, 1);
        },
        kSet100, withFreeDrive131());
    addTwo.partials.push_back(
        onStatus(withResultFlags(FSA_STS_SUCCESS, 2),
                 successExcept("a drive did not join: result flag 2", kSet100)));
    addTwo.partials.push_back(
        failedExcept("added; the detach after it failed, leaving the set attached", kSet100));
    out.push_back(addTwo);

    out.push_back(refused(setOperation(
                              "remove every drive", FSA_DSO_REMOVE,
                              [](FSA_DISK_SET_ARGS& a) {
                                  a.remove.memberCount = 2;
                                  a.remove.members[0] = drive(0, 1);
                                  a.remove.members[1] = drive(1, 1);
                              },
                              kSet100),
                          FSA_STATUS(439), "keeps at least one drive in the set"));

    // The containers on a drive leave before it: each is deleted on its
    // own, and a container deleted stays deleted when a later step fails.
    Row holding = setOperation(
        "remove a drive holding a container", FSA_DSO_REMOVE,
        [](FSA_DISK_SET_ARGS& a) {
            a.remove.memberCount = 1;
            a.remove.members[0] = drive(0, 1);
        },
        {"disk set 100/9", "container 4", "host disk 4", "partition *"}, setWithContainer());
    holding.partials.push_back(
        failedExcept("the host released the container's disk before the failure", {"host disk 4"}));
    holding.partials.push_back(
        failedExcept("the container went; the removal of the drive failed after it",
                     {"container 4", "host disk 4", "partition *"}));
    holding.partials.push_back(
        onStatus(withResultFlags(FSA_STS_SUCCESS, 4),
                 failedExcept("the container went; the controller kept the drive: result flag 4",
                              {"container 4", "host disk 4", "partition *"})));
    out.push_back(holding);

    // A set nobody holds is taken for the delete; the take stands when the
    // delete after it fails.
    Row unowned = setOperation(
        "delete of a set nobody holds", FSA_DSO_DELETE, [](FSA_DISK_SET_ARGS&) {}, kSet100);
    unowned.setup = set100(0, 0);
    unowned.partials.push_back(
        failedWith("taken for the delete; the delete failed", [](qorsim::Adapter& a) {
            qorsim::DiskSet& s = a.maint.diskSets.at(0);
            s.owner = kSerial;
            s.flags |= kHeld;
            ++s.generation;
        }));
    out.push_back(unowned);
    out.push_back(refused(
        setOperation(
            "delete of a host-managed set", FSA_DSO_DELETE, [](FSA_DISK_SET_ARGS&) {}, kSet100),
        FSA_STATUS(449), "refuses a host-managed set without the flag"));
    out.back().setup = set100(kSerial, kHeld, kHostManaged);
    Row hostManaged = setOperation(
        "delete unconditional of a host-managed set", FSA_DSO_DELETE,
        [](FSA_DISK_SET_ARGS& a) { a.remove_set.unconditional = 1; }, kSet100);
    hostManaged.setup = set100(kSerial, kHeld, kHostManaged);
    out.push_back(hostManaged);
    return out;
}

// FsaDiskSetSetAttributes on set 100: `want` edits the set's current
// information into the wanted one (owner word: 0 here, 2 nobody).
Row wantedState(const std::string& name, std::function<void(FSA_DISK_SET_INFO&)> want) {
    return row(
        name, kBase,
        [want](void* h) {
            FSA_DISK_SET set = diskSet(100);
            FSA_DISK_SET_INFO info{};
            if (const FSA_STATUS s = FsaGetDiskSetInfo(h, &set, &info); s != FSA_STS_SUCCESS)
                return s;
            info.words[FSA_DSI_OWNER] = 0;
            info.words[FSA_DSI_OWNER + 1] = 0;
            want(info);
            return FsaDiskSetSetAttributes(h, &set, &info, 0);
        },
        kSet100);
}

void relabel(FSA_DISK_SET_INFO& info) {
    std::memset(&info.words[FSA_DSI_LABEL], 0, 32);
    std::memcpy(&info.words[FSA_DSI_LABEL], "renamed", 7);
}

// The wanted state is reached one operation after the other (owner,
// parameters, attachment), each its own change: a failure leaves the set
// with the operations before it done.
std::vector<Row> wantedStateRows() {
    std::vector<Row> out;
    const Partial stepsBefore = failedExcept(
        "the owner, parameter or attachment changes before the failure stand", kSet100);
    Row take = wantedState("set attributes: take, relabel and attach", [](FSA_DISK_SET_INFO& i) {
        relabel(i);
        i.words[FSA_DSI_RELATION] = 2;
    });
    take.setup = set100(0, 0);
    Row release = wantedState("set attributes: release to nobody",
                              [](FSA_DISK_SET_INFO& i) { i.words[FSA_DSI_OWNER] = 2; });
    Row detach = wantedState("set attributes: relabel and detach", [](FSA_DISK_SET_INFO& i) {
        relabel(i);
        i.words[FSA_DSI_RELATION] = 1;
    });
    detach.setup = set100(kSerial, kHeld | kAttached);
    for (Row* r : {&take, &release, &detach}) {
        r->partials.push_back(stepsBefore);
        out.push_back(*r);
    }
    out.push_back(row(
        "set parameters: label and spare pool", kBase,
        [](void* h) {
            FSA_DISK_SET set = diskSet(100);
            return FsaSetDiskSetParameters(h, &set, "renamed", kSparePool);
        },
        kSet100));
    return out;
}

std::vector<Row> rows() {
    std::vector<Row> out;
    for (auto table :
         {ownershipRows, parameterRows, attachmentRows, membershipRows, wantedStateRows})
        for (Row& r : table())
            out.push_back(std::move(r));
    return out;
}

class DiskSetOwnershipSweep : public SweepTest {};
TEST_P(DiskSetOwnershipSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, DiskSetOwnershipSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
