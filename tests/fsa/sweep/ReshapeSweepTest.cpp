// Creation from existing containers, growing, mirroring and morphing under
// a failure at every FIB.
#include "SweepConfig.h"

namespace fsasweep {
namespace {

const char kName[16] = "new";

Row secondaryRow(const char* name, std::uint32_t type) {
    Row r = row(name, kBase,
                [type](void* h) {
                    const tag_FSA_CONTAINER members[] = {container(1), container(2)};
                    tag_FSA_CONTAINER made{};
                    return FsaCreateSecondaryContainer(h, &made, type, kName, 2, members, 0);
                },
                // The members move to hidden numbers from 31 down and the
                // new container takes the lowest free number, its entries
                // (one per member) appended to the partition table; the
                // host drops the members' disks and gains the new one's.
                {"container 0", "container 1", "container 2", "container 30", "container 31",
                 "host disk *", "partition 1", "partition 2", "partition 5", "partition 6"});
    // A failure after the new container exists leaves it as it is.
    r.partials.push_back(successExcept("combined; a later step (clear, name, exposure) failed",
                                       {"container 0", "host disk *"}));
    return r;
}

std::vector<Row> rows() {
    std::vector<Row> out;
    out.push_back(secondaryRow("secondary stripe", 2));
    out.push_back(secondaryRow("secondary volume set", 3));
    // On the shared bus the members go below the partner's 31.
    Row shared = row("secondary volume set on a shared bus",
                     withPartnerContainer({{4, 1, {6}}, {5, 1, {7}}}, 31),
                     [](void* h) {
                         const tag_FSA_CONTAINER members[] = {container(4), container(5)};
                         tag_FSA_CONTAINER made{};
                         return FsaCreateSecondaryContainer(h, &made, 3, kName, 2, members, 0);
                     },
                     {"container 0", "container 4", "container 5", "container 29", "container 30",
                      "host disk *", "partition 5", "partition 6", "partition 8", "partition 9"});
    shared.partials.push_back(successExcept("combined; a later step (clear, name, exposure) failed",
                                            {"container 0", "host disk *"}));
    out.push_back(shared);
    // Type 4 is refused by the command builder: nothing may be hidden.
    Row raid5Secondary = secondaryRow("secondary raid5 refused", 4);
    raid5Secondary.cleanStatus = FSA_STATUS(210);
    out.push_back(raid5Secondary);

    Row grow = row("grow primary volume set", kBase,
                   [](void* h) {
                       const tag_FSA_CONTAINER v = container(1);
                       const auto more = space(4, 2048, 65536);
                       return FsaGrowPrimaryVolumeSet(h, &v, &more, 0);
                   },
                   // The controller places the new partition (entry 5) and
                   // counts it in the volume's first entry.
                   {"container 1", "partition 1", "partition 5"});
    out.push_back(grow);
    Row growSecondary =
        row("grow secondary volume set of a volume", kBase,
            [](void* h) {
                const tag_FSA_CONTAINER v = container(1), more = container(2);
                return FsaGrowSecondaryVolumeSet(h, &v, &more, 0);
            },
            {"container 1", "container 2", "container 31", "host disk 2", "partition 2"});
    // Container 1 is a plain volume: the state check refuses it (141)
    // before any member is hidden. The configuration holds no secondary
    // volume set yet to grow.
    growSecondary.cleanStatus = FSA_STATUS(141);
    out.push_back(growSecondary);
    Row mirrorFromVolume = row("mirror from volume", kBase,
                               [](void* h) {
                                   tag_FSA_CONTAINER v = container(1);
                                   const FSA_STORAGE_DEVICE d = drive(4);
                                   return FsaCreateMirrorFromVolume(h, &v, 1, &d);
                               },
                               // The second side is entry 5; the copy runs as a task.
                               {"container 1", "partition 1", "partition 5", "task *"});
    out.push_back(mirrorFromVolume);
    Row morph = row("morph volume to stripe", kBase,
                    [](void* h) {
                        const tag_FSA_CONTAINER v = container(1);
                        const FSA_STORAGE_DEVICE d[] = {drive(0), drive(4)};
                        return FsaMorphContainer(h, &v, 2, 2, d, 65536, 0, 1);
                    },
                    // A partition joins on each added disk (entries 5 and 6);
                    // the data move runs as a task.
                    {"container 1", "partition 1", "partition 5", "partition 6", "task *"});
    out.push_back(morph);
    return out;
}

class ReshapeSweep : public SweepTest {};
TEST_P(ReshapeSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, ReshapeSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
