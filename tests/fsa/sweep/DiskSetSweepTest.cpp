// Disk-set operations under a failure at every FIB. Set 100 (drives 1:0
// and 1:1) is held here; drive 1:2 belongs to no set.
#include "DiskSetRows.h"

namespace fsasweep {
namespace {

std::vector<Row> rows() {
    std::vector<Row> out;
    out.push_back(row("create", kBase,
                      [](void* h) {
                          FSA_DISK_SET set{};
                          auto args = std::make_unique<FSA_DISK_SET_ARGS>();
                          std::memset(args.get(), 0, sizeof *args);
                          args->create.memberCount = 1;
                          args->create.members[0] = drive(2, 1);
                          std::strcpy(args->create.label, "made");
                          return FsaDiskSet(h, &set, FSA_DSO_CREATE, args.get());
                      },
                      {"disk set new"}));
    // A drive the controller did not take or give up is reported by a
    // result flag with status 1, and the set stays as it was.
    Row add = setOperation(
        "add", FSA_DSO_ADD,
        [](FSA_DISK_SET_ARGS& a) {
            a.add.memberCount = 1;
            a.add.members[0] = drive(2, 1);
        },
        kSet100);
    add.partials.push_back(onStatus(withResultFlags(FSA_STS_SUCCESS, 2),
                                    startExcept("the drive was not added: result flag 2", {})));
    // The set is attached for the addition; a failed detach after it
    // leaves the set attached with the drive added.
    add.partials.push_back(
        failedExcept("added; the detach after it failed, leaving the set attached", kSet100));
    out.push_back(add);
    Row remove = setOperation(
        "remove", FSA_DSO_REMOVE,
        [](FSA_DISK_SET_ARGS& a) {
            a.remove.memberCount = 1;
            a.remove.members[0] = drive(1, 1);
        },
        kSet100);
    remove.partials.push_back(
        onStatus(withResultFlags(FSA_STS_SUCCESS, 4),
                 startExcept("the drive was not removed: result flag 4", {})));
    out.push_back(remove);
    out.push_back(setOperation("release", FSA_DSO_RELEASE, nullptr, kSet100));
    out.push_back(setOperation(
        "label", FSA_DSO_LABEL, [](FSA_DISK_SET_ARGS& a) { std::strcpy(a.label.label, "renamed"); },
        kSet100));
    out.push_back(setOperation(
        "spare pool", FSA_DSO_SPARE_POOL, [](FSA_DISK_SET_ARGS& a) { a.sparePool.sparePool = 1; },
        kSet100));
    out.push_back(setOperation(
        "host managed", FSA_DSO_HOST_MANAGED,
        [](FSA_DISK_SET_ARGS& a) { a.hostManaged.hostManaged = 1; }, kSet100));
    out.push_back(setOperation("attach", FSA_DSO_ATTACH, nullptr, kSet100));
    Row attachWith =
        setOperation("attach with containers", FSA_DSO_ATTACH_WITH_CONTAINERS, nullptr, kSet100);
    // The attach is not undone when bringing the set's containers to the
    // host fails after it.
    attachWith.partials.push_back(
        startExcept("attached; reading its containers for the host failed", kSet100));
    out.push_back(attachWith);
    Row detach = setOperation("detach", FSA_DSO_DETACH, nullptr, kSet100);
    detach.setup = attached;
    out.push_back(detach);
    Row detachWith =
        setOperation("detach with containers", FSA_DSO_DETACH_WITH_CONTAINERS, nullptr, kSet100);
    detachWith.setup = attached;
    out.push_back(detachWith);
    return out;
}

class DiskSetSweep : public SweepTest {};
TEST_P(DiskSetSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, DiskSetSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
