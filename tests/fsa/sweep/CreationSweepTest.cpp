// Primary container creation under a failure at every FIB.
#include "SweepConfig.h"

namespace fsasweep {
namespace {

// A new primary container takes number 0 and appends its partitions.
const std::vector<std::string> kNewPrimary = {"container 0", "partition 5", "partition 6",
                                              "partition 7", "host disk 0", "task *"};

// Names are passed in a whole 16-byte field: a shorter string is read past
// its end by the creation today, which the container work mends.
const char kName[16] = "new";

FSA_STATUS primary(void* h, std::uint32_t type, std::vector<FSA_STORAGE_DEVICE_SPACE> spaces) {
    tag_FSA_CONTAINER made{};
    return FsaCreatePrimaryContainer(h, &made, type, kName, static_cast<unsigned>(spaces.size()),
                                     spaces.data(), 0, nullptr);
}

Row primaryRow(const char* name, std::uint32_t type, std::vector<FSA_STORAGE_DEVICE_SPACE> spaces) {
    Row r = row(
        name, kBase, [type, spaces](void* h) { return primary(h, type, spaces); }, kNewPrimary);
    // The creation has no undo: a failure after the controller made the
    // container leaves it made, named or not, exposed or not, its scrub or
    // clear started or not.
    r.partials.push_back(
        successExcept("created; a later step failed", {"container 0", "host disk 0", "task *"}));
    return r;
}

std::vector<Row> rows() {
    std::vector<Row> out;
    const auto a = space(4, 2048, 32768), b = space(0, 100352, 32768), c = space(1, 100352, 32768);
    out.push_back(primaryRow("primary stripe", 2, {a, b}));
    out.push_back(primaryRow("primary volume", 3, {a}));
    out.push_back(primaryRow("primary volume set", 3, {a, b}));
    out.push_back(primaryRow("primary raid5 no scrub", 7, {a, b, c}));
    out.push_back(primaryRow("primary mirror then scrub", 1, {a, b}));
    out.push_back(primaryRow("primary raid5 then scrub", 4, {a, b, c}));
    out.push_back(primaryRow("primary raid5 quick clear", 8, {a, b, c}));

    // On the shared bus (free drive 1:2) the new container avoids the
    // cluster partner's 0 and the three of this adapter: it takes 4, its
    // partition following the partner's entry 5. With the shared-bus mask
    // unread the bus may be shared: the number is the same.
    FSA_STORAGE_DEVICE_SPACE onShared = space(0, 2048, 32768);
    onShared.device = drive(2, 1);
    Row shared = row("primary volume on a shared bus", withPartnerContainer({}, 0),
                     [onShared](void* h) { return primary(h, 3, {onShared}); },
                     {"container 4", "partition 6", "host disk 4"});
    shared.partials.push_back(
        successExcept("created; a later step failed", {"container 4", "host disk 4"}));
    out.push_back(shared);

    return out;
}

class CreationSweep : public SweepTest {};
TEST_P(CreationSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, CreationSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
