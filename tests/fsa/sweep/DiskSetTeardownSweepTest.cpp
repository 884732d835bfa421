// Disk-set operations that take containers or drive contents with
// them (delete, detach, release, unconditional removal, drive
// initialisation) under a failure at every FIB.
#include "DiskSetRows.h"

namespace fsasweep {
namespace {

const std::vector<std::string> kSetAndContainer = {"disk set 100/9", "container 4", "host disk 4"};

// Drive 1:1 (slice 7) or 1:2 (slice 8) carries no controller MBR yet.
std::function<void(qorsim::Adapter&)> blank(std::size_t slice) {
    return [slice](qorsim::Adapter& a) { a.slices.at(slice).hasMbr = false; };
}

Row deleteRow(const std::string& name, bool unconditional, bool initDrives,
              std::vector<std::string> touches, std::string config = kBase) {
    return setOperation(
        name, FSA_DSO_DELETE,
        [unconditional, initDrives](FSA_DISK_SET_ARGS& a) {
            a.remove_set.unconditional = unconditional;
            a.remove_set.initDrives = initDrives;
        },
        std::move(touches), std::move(config));
}

// Delete: the set goes with its detach: the container is drained, the set
// detached and the container taken offline; a refused detach still takes
// the container offline and completes the host's removal as failed (which
// deletes the host's disk), and returns 452 with the set kept. A refused
// lock-drain is undone. After the detach nothing is undone.
void detachPartials(Row& r, const std::string& after) {
    r.partials.push_back(failedExcept(
        "the detach or a container command around it failed: the container is drained or "
        "taken offline or not, and the host's disk is gone with the completed removal",
        {"container 4", "disk set 100/9", "host disk 4"}));
    // A set that the success state no longer has shows as a new one.
    r.partials.push_back(successExcept("detached with its container; " + after + " failed",
                                       {"disk set 100/9", "disk set new"}));
}

// Detach with containers and unconditional release go whole or not at all:
// a failure before the detach took effect leaves the start (drains lifted,
// the host's disk kept). Once the set is detached it stays so: the
// container is taken offline and its host disk removed, and a failure of
// an offline, of the reconfiguration or of `after` is returned.
void wholeOrUndonePartials(Row& r, const std::string& after) {
    const Partial changed = failedExcept(
        "the detach took effect; taking the container offline, the reconfiguration or " + after +
            " failed: the set stays detached",
        {"container 4", "disk set 100/9", "host disk 4"});
    r.partials.push_back({changed.reason, [changed](const RunResult& run) {
                              for (const qorsim::DiskSet& s : run.end.maint.diskSets)
                                  if (s.number == 100)
                                      return !(s.flags & 32) && changed.matches(run);
                              return false;
                          }});
    r.partials.push_back(successExcept("detached with its container; " + after + " failed",
                                       {"disk set 100/9", "disk set new"}));
}

std::vector<Row> rows() {
    std::vector<Row> out;
    // Held here, not attached, no containers: the set record goes alone.
    out.push_back(deleteRow("delete", false, false, kSet100));
    Row refused = deleteRow("delete with a container refused", false, false, kSetAndContainer,
                            setWithContainer());
    refused.cleanStatus = FSA_STATUS(534);
    refused.cleanNote = "refuses a set that holds containers without the unconditional flag";
    out.push_back(refused);
    Row uncond = deleteRow("delete unconditional with a container", true, false, kSetAndContainer,
                           setWithContainer());
    detachPartials(uncond, "the delete");
    out.push_back(uncond);

    // Initialising the drives: attached for the duration on a set held
    // here; the MBR written is not taken back when a later step fails.
    Row init = deleteRow("delete initialising drives", false, true, {"disk set 100/9", "slice 7"});
    init.setup = blank(7);
    init.partials.push_back(
        failedExcept("attached or initialised; the detach or the delete after it failed",
                     {"disk set 100/9", "slice 7"}));
    out.push_back(init);
    // On an attached set its containers are deleted first, one container
    // operation each, with that operation's own partial states.
    Row initWith =
        deleteRow("delete unconditional initialising drives with a container", true, true,
                  {"disk set 100/9", "container 4", "host disk 4", "partition *", "slice 7"},
                  setWithContainer());
    initWith.setup = blank(7);
    initWith.partials.push_back(
        failedExcept("the host released the container's disk before the failure", {"host disk 4"}));
    initWith.partials.push_back(
        successExcept("the container went; initialising the drives or the delete failed",
                      {"disk set new", "slice 7", "host disk 4"}));
    // The forced deletion's reads of the container's record, refused: no
    // success with the record left behind.
    initWith.notServed = kRecordReads;
    out.push_back(initWith);

    Row create = row("create initialising drives", kBase,
                     [](void* h) {
                         FSA_DISK_SET set{};
                         auto args = std::make_unique<FSA_DISK_SET_ARGS>();
                         std::memset(args.get(), 0, sizeof *args);
                         args->create.initDrives = 1;
                         args->create.memberCount = 1;
                         args->create.members[0] = drive(2, 1);
                         std::strcpy(args->create.label, "made");
                         const FSA_STATUS s = FsaDiskSet(h, &set, FSA_DSO_CREATE, args.get());
                         return withResultFlags(s, args->create.resultFlags);
                     },
                     {"disk set new", "slice 8"});
    create.setup = blank(8);
    create.partials.push_back(onStatus(
        withResultFlags(FSA_STS_SUCCESS, 1),
        successExcept("created; attaching or initialising failed: result flag 1", {"slice 8"})));
    create.partials.push_back(failedExcept(
        "created (the set has no undo); the detach after initialising failed, leaving it "
        "attached",
        {"disk set new", "slice 8"}));
    out.push_back(create);

    Row add = setOperation("add initialising drives", FSA_DSO_ADD,
                           [](FSA_DISK_SET_ARGS& a) {
                               a.add.initDrives = 1;
                               a.add.memberCount = 1;
                               a.add.members[0] = drive(2, 1);
                           },
                           {"disk set 100/9", "slice 8"});
    add.setup = blank(8);
    add.partials.push_back(onStatus(withResultFlags(FSA_STS_SUCCESS, 2),
                                    startExcept("the drive was not added: result flag 2", {})));
    add.partials.push_back(
        onStatus(withResultFlags(FSA_STS_SUCCESS, 2),
                 successExcept("added; writing its MBR failed: result flag 2", {"slice 8"})));
    add.partials.push_back(failedExcept("added; the detach after it failed, leaving it attached",
                                        {"disk set 100/9", "slice 8"}));
    out.push_back(add);

    Row remove = setOperation("remove initialising drives", FSA_DSO_REMOVE,
                              [](FSA_DISK_SET_ARGS& a) {
                                  a.remove.initDrives = 1;
                                  a.remove.memberCount = 1;
                                  a.remove.members[0] = drive(1, 1);
                              },
                              {"disk set 100/9", "slice 7"});
    remove.setup = blank(7);
    remove.partials.push_back(
        onStatus(withResultFlags(FSA_STS_SUCCESS, 4),
                 successExcept("the MBR write or the removal failed: result flag 4",
                               {"disk set 100/9", "slice 7"})));
    remove.partials.push_back(failedExcept("the detach after it failed, leaving it attached",
                                           {"disk set 100/9", "slice 7"}));
    out.push_back(remove);

    Row unconditional = setOperation(
        "remove unconditional", FSA_DSO_REMOVE,
        [](FSA_DISK_SET_ARGS& a) {
            a.remove.unconditional = 1;
            a.remove.memberCount = 1;
            a.remove.members[0] = drive(1, 1);
        },
        kSet100);
    unconditional.partials.push_back(
        onStatus(withResultFlags(FSA_STS_SUCCESS, 4),
                 startExcept("the drive was not removed: result flag 4", {})));
    out.push_back(unconditional);

    Row detachWith =
        setOperation("detach with containers holding one", FSA_DSO_DETACH_WITH_CONTAINERS, nullptr,
                     kSetAndContainer, setWithContainer());
    wholeOrUndonePartials(detachWith, "the reconfiguration");
    out.push_back(detachWith);

    Row release = setOperation(
        "release unconditional of an attached set with a container", FSA_DSO_RELEASE,
        [](FSA_DISK_SET_ARGS& a) { a.ownership.unconditional = 1; }, kSetAndContainer,
        setWithContainer());
    wholeOrUndonePartials(release, "the release");
    out.push_back(release);
    return out;
}

class DiskSetTeardownSweep : public SweepTest {};
TEST_P(DiskSetTeardownSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, DiskSetTeardownSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
