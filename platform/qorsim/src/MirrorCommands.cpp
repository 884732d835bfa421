// Mirror commands on a container whose members are partitions: GEN_MIRROR
// 26 (a one-partition volume gains a second side on another disk and the
// copy starts as a task), UNMIRROR 24 (a mirror keeps its first side as a
// volume and frees the other), SPLIT 30 (the second side becomes a volume
// of its own under a new number) and PROMOTE 71 (the container's partitions
// move to a hidden container that then stands in it as its only member).
#include "CoreHandlers.h"
#include "EntryBuilders.h"

#include <algorithm>

namespace qorsim {

namespace {

constexpr std::uint32_t kMirrorBuildJob = 102; // a container task
constexpr std::uint32_t kSplitMarker = 0x12346789;
constexpr std::uint32_t kInvalidArgument = 219; // CT_INVALID_ARGUMENT

ContainerRecord* loaded(Adapter& a, std::uint32_t n) {
    auto it = a.containers.find(n);
    return it == a.containers.end() ? nullptr : &it->second;
}

// Rewrites the entry as member `index` of `count` of container `n` of
// controller type `type` (level 0); the level-1 fields stay.
void renumber(PartitionEntry& e, std::uint32_t type, std::uint32_t n, std::uint32_t index,
              std::uint32_t count) {
    put32(e.data(), kEntryL0Type, type);
    putU16(e, kEntryL0Number, n);
    putU16(e, kEntryL0Count, count);
    putU16(e, kEntryL0Index, index);
    put32(e.data(), kMirrorStateByte, type == 2 ? kMirrorInSync : 0);
    putU16(e, kMirrorPartner, 0);
}

// A mirror of two sides on disks: its entries, else empty.
std::vector<std::uint32_t> mirrorSides(const Adapter& a, const ContainerRecord* r) {
    if (!r || r->type != 2)
        return {};
    auto sides = partitionMembers(a, *r);
    return sides.size() == 2 ? sides : std::vector<std::uint32_t>{};
}

// The mirror keeps its first side as a one-partition volume.
void keepFirstSide(Adapter& a, ContainerRecord& r, std::uint32_t n, std::uint32_t first) {
    renumber(a.partitions[first], 1, n, 0, 1);
    r.type = 1;
    r.members = {first};
}

void unmirror(CtRequest& c) {
    Adapter& a = c.adapter;
    const std::uint32_t n = c.param[0];
    ContainerRecord* r = loaded(a, n);
    const auto sides = mirrorSides(a, r);
    if (sides.empty()) {
        c.reply[0] = 88; // CT_UNMIRROR_NOT_MIRROR
        return;
    }
    keepFirstSide(a, *r, n, sides[0]);
    a.partitions[sides[1]].fill(0);
    ++a.configAge;
    c.reply[0] = 89; // CT_UNMIRROR_DONE
}

void split(CtRequest& c) {
    Adapter& a = c.adapter;
    const std::uint32_t n = c.param[0], made = c.param[1];
    if (c.param[2] != kSplitMarker) {
        c.reply[0] = kInvalidArgument;
        return;
    }
    ContainerRecord* r = loaded(a, n);
    const auto sides = mirrorSides(a, r);
    if (sides.empty()) {
        c.reply[0] = 135; // CT_SPLIT_NOT_MIRROR
        return;
    }
    if (made == n || made >= a.containerCount || a.containers.count(made)) {
        c.reply[0] = 137; // CT_SPLIT2_BAD_CONTAINER
        return;
    }
    keepFirstSide(a, *r, n, sides[0]);
    PartitionEntry& second = a.partitions[sides[1]];
    renumber(second, 1, made, 0, 1);
    putLevel1(second, 0, 0, 0, 0); // a container of its own
    ContainerRecord volume;
    volume.members = {sides[1]};
    a.containers[made] = volume;
    ++a.configAge;
    c.reply[0] = 134; // CT_SPLIT_DONE
}

void generateMirror(CtRequest& c) {
    Adapter& a = c.adapter;
    const std::uint32_t n = c.param[0], slice = c.param[1];
    ContainerRecord* r = loaded(a, n);
    const auto members = r ? partitionMembers(a, *r) : std::vector<std::uint32_t>{};
    if (!r || r->type != 1 || members.size() != 1) {
        c.reply[0] = 41; // CT_MIRROR_NOT_VOLUME
        return;
    }
    if (slice >= a.slices.size()) {
        c.reply[0] = 42; // CT_MIRROR_NO_DEVICE
        return;
    }
    PartitionEntry& first = a.partitions[members[0]];
    const std::uint32_t size = get32(first.data(), kEntrySize);
    const auto at = freeExtent(a, slice, size);
    if (!at || a.partitions.size() + 1 > a.partitionCapacity) {
        c.reply[0] = 291; // CT_MIRROR_NO_SPACE
        return;
    }
    renumber(first, 2, n, 0, 2);
    PartitionEntry second = memberEntry(a, {slice, *at, size}, 2, n, 1, 2);
    std::copy_n(first.begin() + kEntryL1Type, 16, second.begin() + kEntryL1Type);
    r->type = 2;
    r->members = {members[0], addEntry(a, second)};
    Task copy;
    copy.id = a.nextTaskId++;
    copy.jobCode = kMirrorBuildJob;
    copy.objectId = n;
    a.tasks.push_back(copy);
    ++a.configAge;
    c.reply[0] = 37; // CT_MIRROR_START
}

void promote(CtRequest& c) {
    Adapter& a = c.adapter;
    const std::uint32_t n = c.param[0];
    ContainerRecord* r = loaded(a, n);
    if (!r) {
        c.reply[0] = 188; // CT_NO_DEVICE
        return;
    }
    const auto members = partitionMembers(a, *r);
    if (r->type > 4 || members.empty()) {
        c.reply[0] = 189; // CT_PROMOTE_BAD_TYPE: a snapshot, or members that are containers
        return;
    }
    const std::uint32_t hidden = hiddenNumber(a);
    const bool inLevel1 = get32(a.partitions[members[0]].data(), kEntryL1Type) != 0;
    if (inLevel1 || hidden == a.containerCount || a.partitions.size() + 1 > a.partitionCapacity) {
        c.reply[0] = 187; // CT_CANT_PROMOTE
        return;
    }
    ContainerRecord group;
    group.type = r->type;
    group.members = r->members;
    for (std::uint32_t entry : members) {
        putU16(a.partitions[entry], kEntryL0Number, hidden);
        putLevel1(a.partitions[entry], 1, n, 0, 1);
    }
    a.containers[hidden] = group;
    r->type = 1;
    r->members = {addEntry(a, standIn(a, hidden, 1, n, 0, 1))};
    ++a.configAge;
    c.reply[0] = 186; // CT_PROMOTED
}

} // namespace

void registerMirrorCommands(Simulator& sim) {
    sim.registerContainer(24, unmirror);
    sim.registerContainer(26, generateMirror);
    sim.registerContainer(30, split);
    sim.registerContainer(71, promote);
}

} // namespace qorsim
