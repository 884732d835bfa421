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

// The base with volume set 0 on the shared bus: its members, volumes 30 and
// 29 on the held set's drives (slices 6 and 7), stand in it as entries
// without an extent (7, 8). Volume 4 (entry 9) sits on slice 6 after member
// 30; the cluster partner's 31 lies on a disk this adapter does not reach
// (entry 10). The host knows the set and volume 4.
std::string sharedVolumeSet() {
    nlohmann::json j = nlohmann::json::parse(withPartnerContainer({}, 31));
    nlohmann::json& a = j["adapters"][0];
    nlohmann::json& partitions = a["partitions"];
    nlohmann::json& list = a["containers"]["list"];
    const nlohmann::json partner = partitions.back();
    partitions.erase(partitions.size() - 1);
    auto volume = [&](std::uint32_t number, std::uint32_t slice, std::uint32_t start) {
        partitions.push_back({{"start", start},
                              {"size", 65536},
                              {"serial", kSerial},
                              {"slice", slice},
                              {"l0Type", 1},
                              {"l0Number", number},
                              {"l0Members", 1},
                              {"flags", 1}});
        list.push_back({{"number", number}, {"type", 1}, {"members", {partitions.size() - 1}}});
    };
    volume(30, 6, 128);
    volume(29, 7, 128);
    nlohmann::json set = nlohmann::json::array();
    for (std::uint32_t member : {30, 29}) {
        partitions.push_back({{"serial", kSerial},
                              {"slice", member},
                              {"l0Type", 1},
                              {"l0Number", member},
                              {"flags", 1},
                              {"l1Type", 1},
                              {"l1Number", 0},
                              {"l1Members", 2},
                              {"l1Index", set.size()}});
        set.push_back(partitions.size() - 1);
    }
    list.push_back({{"number", 0}, {"type", 1}, {"members", set}});
    volume(4, 6, 65664);
    partitions.push_back(partner);
    a["hostDisks"].push_back({{"container", 0}, {"instance", 2}, {"target", 4}, {"name", "sde"}});
    a["hostDisks"].push_back({{"container", 4}, {"instance", 2}, {"target", 5}, {"name", "sdf"}});
    return j.dump();
}

// Volumes 4 and 5 on the shared bus (entries 5 and 6; the partner's
// container `partners` is entry 7) joined into a volume set, which becomes
// container `made`; the members move to `hiddenAs`, their stand-ins are
// entries 8 and 9.
Row sharedSecondaryRow(const char* name, std::uint32_t partners, std::uint32_t made,
                       std::vector<std::string> hiddenAs) {
    const std::string set = "container " + std::to_string(made);
    std::vector<std::string> touches = {set,           "container 4", "container 5", "host disk *",
                                        "partition 5", "partition 6", "partition 8", "partition 9"};
    touches.insert(touches.end(), hiddenAs.begin(), hiddenAs.end());
    Row r = row(
        name, withPartnerContainer({{4, 1, {6}}, {5, 1, {7}}}, partners),
        [](void* h) {
            const tag_FSA_CONTAINER members[] = {container(4), container(5)};
            tag_FSA_CONTAINER out{};
            return FsaCreateSecondaryContainer(h, &out, 3, kName, 2, members, 0);
        },
        touches);
    r.partials.push_back(successExcept("combined; a later step (clear, name, exposure) failed",
                                       {set, "host disk *"}));
    return r;
}

std::vector<Row> rows() {
    std::vector<Row> out;
    out.push_back(secondaryRow("secondary stripe", 2));
    out.push_back(secondaryRow("secondary volume set", 3));
    // On the shared bus the members go below the partner's 31.
    out.push_back(sharedSecondaryRow("secondary volume set on a shared bus", 31, 0,
                                     {"container 29", "container 30"}));
    // Beside the partner's 0 the set takes the lowest number free on every
    // disk: 4, freed by its first member.
    out.push_back(sharedSecondaryRow("secondary volume set on a shared bus beside the partner's 0",
                                     0, 4, {"container 30", "container 31"}));
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
    // On the shared bus the added volume hides below the partner's 31 and
    // the set's members: at 28. Its stand-in in the set is entry 11.
    Row growShared = row("grow secondary volume set on a shared bus", sharedVolumeSet(),
                         [](void* h) {
                             const tag_FSA_CONTAINER v = container(0), more = container(4);
                             return FsaGrowSecondaryVolumeSet(h, &v, &more, 0);
                         },
                         {"container 0", "container 4", "container 28", "host disk 4",
                          "partition 9", "partition 11"});
    out.push_back(growShared);
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
