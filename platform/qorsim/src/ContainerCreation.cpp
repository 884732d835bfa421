// Creating containers: the new container's partitions join the in-memory
// table (and so the disks' tables); writing a disk's MBR gives it an empty
// partition table. Destroying one (with its groups) is in ContainerDestroy.
//
// Creation kinds: 1 volume, 2 mirror, 3 stripe, 4 RAID-5 (one container of
// that controller type over its partitions); 10 RAID-10 (a stripe, type 3,
// over mirrors), 12 volume of mirrors (a volume, type 1, over mirrors) and
// 14 RAID-50 (a stripe over RAID-5 sets): the groups are containers of their
// own that the controller keeps at hidden numbers. A controller of the older
// layout refuses CREATE_CONTAINER and takes command 124, which knows kinds 1
// to 4, 10 and 12 only. Volume and stripe sets of loaded containers (171,
// 172) and a container added to a volume set (45) keep their members as
// entries without an extent.
#include "CoreHandlers.h"
#include "EntryBuilders.h"

#include "configfile/config_node.h"

#include <algorithm>
#include <cstring>

namespace qorsim {

namespace {

// What one creation request asks for.
struct Plan {
    std::uint32_t kind = 0;
    std::uint32_t ctrType = 0;
    std::vector<Member> members;
    std::uint32_t groupWidth = 0; // members per group; 0: no groups
    std::uint32_t groupType = 0;  // controller type of a group
    std::uint32_t answer = 0;     // the CT status of success
};

constexpr std::size_t kRecord = 432;

// {slice, offset} pairs of `size` blocks each, `count` of them, 8 bytes apart.
void pairs(const std::uint8_t* r, std::size_t at, std::uint32_t count, std::uint32_t size,
           std::vector<Member>& out) {
    for (std::uint32_t i = 0; i < count && at + 8 * i + 8 <= kRecord; ++i)
        out.push_back({get32(r, at + 8 * i), get32(r, at + 8 * i + 4), size});
}

void mirrorGroups(Plan& p, std::uint32_t ctrType, std::uint32_t answer) {
    p.ctrType = ctrType;
    p.groupWidth = 2;
    p.groupType = 2;
    p.answer = answer;
}

// Members of a RAID-10 record whose odd members begin `half` bytes after the
// even ones.
bool raid10Members(const std::uint8_t* r, std::size_t half, Plan& p) {
    mirrorGroups(p, 3, 297);
    const std::uint32_t count = 2 * get32(r, 32);
    const std::uint32_t size = count ? get32(r, 8) / (count / 2) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 40 + 8 * (i / 2) + half * (i % 2);
        if (at + 8 > kRecord)
            return false;
        p.members.push_back({get32(r, at), get32(r, at + 4), size});
    }
    return true;
}

// The layout of CREATE_CONTAINER.
bool readPlan(const std::uint8_t* r, Plan& p) {
    p.kind = get32(r, 0);
    switch (p.kind) {
    case 1:
        for (std::uint32_t i = 0; i < get32(r, 28) && 36 + 12 * i + 12 <= kRecord; ++i)
            p.members.push_back(
                {get32(r, 36 + 12 * i), get32(r, 40 + 12 * i), get32(r, 44 + 12 * i)});
        p.ctrType = 1;
        p.answer = 131;
        return true;
    case 2:
        pairs(r, 32, 2, get32(r, 8), p.members);
        p.ctrType = 2;
        p.answer = 293;
        return true;
    case 3: {
        const std::uint32_t n = get32(r, 32);
        pairs(r, 40, n, n ? get32(r, 8) / n : 0, p.members);
        p.ctrType = 3;
        p.answer = 112;
        return true;
    }
    case 4: {
        const std::uint32_t n = get32(r, 36);
        pairs(r, 40, n, n > 1 ? get32(r, 8) / (n - 1) : 0, p.members);
        p.ctrType = 4;
        p.answer = 115;
        return true;
    }
    case 10:
        return raid10Members(r, 192, p);
    case 12:
        mirrorGroups(p, 1, 305);
        for (std::uint32_t j = 0; j < get32(r, 24) && 32 + 16 * j + 16 <= kRecord; ++j) {
            const std::size_t at = 32 + 16 * j;
            const std::uint32_t size = get32(r, at + 4);
            p.members.push_back({get16(r, at), get32(r, at + 8), size});
            p.members.push_back({get16(r, at + 2), get32(r, at + 12), size});
        }
        return true;
    case 14: {
        const std::uint32_t groups = get16(r, 32), width = get16(r, 34);
        if (groups < 2 || width < 3)
            return false;
        pairs(r, 40, groups * width, get32(r, 24) / ((width - 1) * groups), p.members);
        p.ctrType = 3;
        p.groupWidth = width;
        p.groupType = 4;
        p.answer = 337;
        return true;
    }
    default:
        return false;
    }
}

// The older layout of command 124.
bool readOlderPlan(const std::uint8_t* r, Plan& p) {
    switch (get32(r, 0)) {
    case 10:
        p.kind = 10;
        return raid10Members(r, 256, p);
    case 12:
        // Two arrays of {slice, offset, size}; the second begins at byte 416,
        // so only the first pair's second member lies in the record.
        p.kind = 12;
        mirrorGroups(p, 1, 305);
        for (std::uint32_t j = 0; j < get32(r, 24); ++j) {
            const std::size_t a = 32 + 12 * j, b = 416 + 12 * j;
            if (b + 12 > kRecord)
                return false;
            p.members.push_back({get32(r, a), get32(r, a + 4), get32(r, a + 8)});
            p.members.push_back({get32(r, b), get32(r, b + 4), get32(r, b + 8)});
        }
        return true;
    case 14:
        return false; // the older controller knows no RAID-50
    default:
        return readPlan(r, p);
    }
}

} // namespace

std::uint32_t serialOf(const Adapter& a) {
    return a.miscStatus[4] ? a.miscStatus[4] : 1;
}

void putU16(PartitionEntry& e, std::size_t at, std::uint32_t v) {
    e[at] = static_cast<std::uint8_t>(v);
    e[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint32_t addEntry(Adapter& a, const PartitionEntry& e) {
    if (a.partitions.empty())
        a.partitions.emplace_back(); // entry 0 is never used
    a.partitions.push_back(e);
    return static_cast<std::uint32_t>(a.partitions.size() - 1);
}

PartitionEntry memberEntry(const Adapter& a, const Member& m, std::uint32_t type, std::uint32_t n,
                           std::uint32_t index, std::uint32_t count) {
    PartitionEntry e{};
    put32(e.data(), 20, a.configAge);
    put32(e.data(), 24, m.offset);
    put32(e.data(), 28, m.size);
    put32(e.data(), 32, serialOf(a));
    put32(e.data(), 40, m.slice);
    put32(e.data(), 48, type);
    putU16(e, 52, n);
    putU16(e, 56, count);
    putU16(e, 60, index);
    put32(e.data(), 112, 1); // configured
    if (type == 2 && m.size) // a mirror's own partitions carry its state
        put32(e.data(), kMirrorStateByte, kMirrorInSync);
    return e;
}

void putLevel1(PartitionEntry& e, std::uint32_t type, std::uint32_t n, std::uint32_t index,
               std::uint32_t count) {
    put32(e.data(), 68, type);
    putU16(e, 72, n);
    putU16(e, 76, count);
    putU16(e, 80, index);
}

PartitionEntry standIn(const Adapter& a, std::uint32_t inner, std::uint32_t type, std::uint32_t n,
                       std::uint32_t index, std::uint32_t count) {
    const auto it = a.containers.find(inner);
    PartitionEntry e =
        memberEntry(a, {0, 0, 0}, it != a.containers.end() ? it->second.type : 0, inner, 0, 0);
    put32(e.data(), 40, inner); // the member container in place of a slice
    putLevel1(e, type, n, index, count);
    return e;
}

std::uint32_t hiddenNumber(const Adapter& a) {
    for (std::uint32_t n = a.containerCount; n-- > a.firstHiddenContainer;)
        if (!a.containers.count(n))
            return n;
    return a.containerCount;
}

std::optional<std::uint32_t> freeExtent(const Adapter& a, std::uint32_t slice,
                                        std::uint32_t blocks) {
    if (slice >= a.slices.size() || !blocks)
        return std::nullopt;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> used; // [start, end)
    auto note = [&](const PartitionEntry& e) {
        if (hasExtent(e) && get32(e.data(), kEntrySlice) == slice)
            used.emplace_back(get32(e.data(), kEntryStart),
                              std::uint64_t(get32(e.data(), kEntryStart)) +
                                  get32(e.data(), kEntrySize));
    };
    for (const PartitionEntry& e : a.partitions)
        note(e);
    for (const PartitionEntry& e : a.slices[slice].diskOnly)
        note(e);
    std::sort(used.begin(), used.end());
    std::uint64_t at = kReservedBlocks;
    for (const auto& [start, end] : used) {
        if (start >= at + blocks)
            break;
        at = std::max(at, end);
    }
    if (at + blocks > a.slices[slice].sizeBlocks)
        return std::nullopt;
    return static_cast<std::uint32_t>(at);
}

bool hasExtent(const PartitionEntry& e) {
    return get32(e.data(), kEntrySerial) && get32(e.data(), kEntrySize);
}

std::vector<std::uint32_t> partitionMembers(const Adapter& a, const ContainerRecord& r) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t entry : r.members) {
        if (!entry)
            continue;
        if (entry >= a.partitions.size() || !hasExtent(a.partitions[entry]))
            return {};
        out.push_back(entry);
    }
    return out;
}

namespace {

// Makes the containers of `plan` as container `n`: the CT status.
std::uint32_t create(Adapter& a, std::uint32_t n, const Plan& plan) {
    const auto count = static_cast<std::uint32_t>(plan.members.size());
    if (!count || a.containers.count(n))
        return 281; // CT_NO_SPACE
    if (a.partitions.size() + count + 1 > a.partitionCapacity)
        return 307; // CT_TOMANY_PARTITIONS
    for (const Member& m : plan.members)
        if (m.slice >= a.slices.size() || !m.size ||
            std::uint64_t(m.offset) + m.size > a.slices[m.slice].sizeBlocks)
            return 277; // CT_BAD_DRIVE_LIST
    ContainerRecord top;
    top.type = plan.ctrType;
    if (!plan.groupWidth) {
        for (std::uint32_t i = 0; i < count; ++i)
            top.members.push_back(
                addEntry(a, memberEntry(a, plan.members[i], plan.ctrType, n, i, count)));
    } else {
        // One hidden container per group, each standing in the top one as
        // an entry without an extent.
        const std::uint32_t groups = count / plan.groupWidth;
        for (std::uint32_t g = 0; g < groups; ++g) {
            const std::uint32_t h = hiddenNumber(a);
            if (h == a.containerCount)
                return 281;
            ContainerRecord group;
            group.type = plan.groupType;
            for (std::uint32_t i = 0; i < plan.groupWidth; ++i) {
                PartitionEntry e = memberEntry(a, plan.members[g * plan.groupWidth + i],
                                               plan.groupType, h, i, plan.groupWidth);
                putLevel1(e, plan.ctrType, n, g, groups);
                group.members.push_back(addEntry(a, e));
            }
            a.containers[h] = group;
            top.members.push_back(addEntry(a, standIn(a, h, plan.ctrType, n, g, groups)));
        }
    }
    a.containers[n] = top;
    ++a.configAge;
    return plan.answer;
}

// CREATE_VOLUME_SET / CREATE_STRIPE_SET: container `n` of controller type
// `type` over the loaded containers the request names.
std::uint32_t createSecondary(Adapter& a, std::uint32_t n, std::uint32_t type,
                              const std::uint8_t* request, std::uint32_t done) {
    const std::uint32_t count = get32(request, 0);
    if (!count || count > 48 || a.containers.count(n))
        return 77; // CT_GEN_SECONDARY_BAD_CONTAINER_LIST
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t member = get32(request, 8 + 4 * i);
        if (member == n || !a.containers.count(member))
            return 77;
    }
    ContainerRecord top;
    top.type = type;
    for (std::uint32_t i = 0; i < count; ++i)
        top.members.push_back(
            addEntry(a, standIn(a, get32(request, 8 + 4 * i), type, n, i, count)));
    a.containers[n] = top;
    ++a.configAge;
    return done;
}

// VOLUME_ADD2: container `added` joins volume set `volume` as its last member.
std::uint32_t volumeAdd(Adapter& a, std::uint32_t volume, std::uint32_t added) {
    auto it = a.containers.find(volume);
    if (it == a.containers.end() || it->second.type != 1)
        return 5; // CT_VOLUME_NOT_VOLUME
    if (added == volume || !a.containers.count(added))
        return 4; // CT_VOLUME_NO_DEVICE
    const auto count = static_cast<std::uint32_t>(it->second.members.size() + 1);
    it->second.members.push_back(addEntry(a, standIn(a, added, 1, volume, count - 1, count)));
    ++a.configAge;
    return 131; // CT_VOLUME_ADDED
}

} // namespace

// Frees the container's partition entries; member containers that stand in
// it as entries without an extent go with it.
void destroyGroups(Adapter& a, std::uint32_t n) {
    auto it = a.containers.find(n);
    if (it == a.containers.end())
        return;
    const std::vector<std::uint32_t> members = it->second.members;
    a.containers.erase(it);
    for (std::uint32_t entry : members) {
        if (entry >= a.partitions.size())
            continue;
        PartitionEntry& e = a.partitions[entry];
        const std::uint32_t inner = get16(e.data(), 52);
        const bool standsIn = !get32(e.data(), 24) && get32(e.data(), 48) != 8 && inner != n;
        e.fill(0);
        if (standsIn)
            destroyGroups(a, inner);
    }
}

void registerContainerCreation(Simulator& sim) {
    sim.registerSection("olderCreateLayout", [](const standin_config::Node& j, Adapter& a) {
        a.olderCreateLayout = j.get<bool>();
    });
    sim.registerContainer(179, [](CtRequest& c) { // CREATE_CONTAINER
        if (c.adapter.olderCreateLayout) {
            c.accepted = false;
            return;
        }
        Plan plan;
        c.reply[0] = readPlan(c.in, plan) ? create(c.adapter, get32(c.in, 4), plan) : 281;
    });
    sim.registerContainer(124, [](CtRequest& c) { // the older creation command
        Plan plan;
        const bool known = readOlderPlan(c.in, plan);
        if (!known && get32(c.in, 0) == 12)
            c.reply[0] = 306; // CT_VOLUME_OF_MIRRORS_BAD_SECONDARY_ENTRY
        else
            c.reply[0] = known ? create(c.adapter, get32(c.in, 4), plan) : 281;
    });
    sim.registerContainer(171, [](CtRequest& c) { // CREATE_VOLUME_SET
        c.reply[0] = createSecondary(c.adapter, c.param[0], 1, c.in, 7);
    });
    sim.registerContainer(172, [](CtRequest& c) { // CREATE_STRIPE_SET
        c.reply[0] = createSecondary(c.adapter, c.param[0], 3, c.in, 322);
    });
    sim.registerContainer(45, [](CtRequest& c) { // VOLUME_ADD2
        c.reply[0] = volumeAdd(c.adapter, c.param[0], c.param[1]);
    });
    sim.registerContainer(6, [](CtRequest& c) { // WRITE_MBR: the disk's table starts empty
        if (c.param[0] >= c.adapter.slices.size()) {
            c.reply[0] = 140; // CT_WMBR_FAILED
            return;
        }
        Slice& s = c.adapter.slices[c.param[0]];
        s.hasMbr = true;
        s.diskOnly.clear();
        c.reply[0] = 139; // CT_WMBR_DONE
    });
}

} // namespace qorsim
