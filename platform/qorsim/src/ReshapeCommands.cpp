// Commands that give a container of partitions more room or another
// layout: VOLUME_ADD 44 (a volume set gains a partition of the given size on
// a disk, placed by the controller) and GEN_MORPH 109 (a reconfiguration:
// the new layout is written at once and the data move runs as a task).
// Reconfigurations into containers of containers (RAID-10, RAID-50 and the
// like) are not laid out here and are answered as not supported.
#include "CoreHandlers.h"
#include "EntryBuilders.h"

#include <algorithm>

namespace qorsim {

namespace {

constexpr std::uint32_t kMorphJob = 110; // a container task
constexpr std::uint32_t kChunkWord = 133;
constexpr std::size_t kMaxMorphDisks = 48;

std::uint32_t sizeOf(const Adapter& a, std::uint32_t entry) {
    return get32(a.partitions[entry].data(), kEntrySize);
}

// Blocks of data a container of controller type `type` holds over members
// of these sizes.
std::uint64_t dataBlocks(std::uint32_t type, const std::vector<std::uint32_t>& sizes) {
    std::uint64_t sum = 0, smallest = sizes.empty() ? 0 : sizes[0];
    for (std::uint32_t s : sizes) {
        sum += s;
        smallest = std::min<std::uint64_t>(smallest, s);
    }
    if (type == 2)
        return smallest;
    if (type == 3)
        return smallest * sizes.size();
    if (type == 4)
        return sizes.empty() ? 0 : smallest * (sizes.size() - 1);
    return sum;
}

void volumeAdd(CtRequest& c) {
    Adapter& a = c.adapter;
    const std::uint32_t n = c.param[0], slice = c.param[1], blocks = c.param[2];
    auto it = a.containers.find(n);
    if (it == a.containers.end() || it->second.type != 1) {
        c.reply[0] = 5; // CT_VOLUME_NOT_VOLUME
        return;
    }
    const auto members = partitionMembers(a, it->second);
    if (members.empty()) {
        c.reply[0] = 8; // CT_VOLUME_WRONG_LEVEL: its members are containers
        return;
    }
    if (slice >= a.slices.size()) {
        c.reply[0] = 4; // CT_VOLUME_NO_DEVICE
        return;
    }
    if (a.partitions.size() + 1 > a.partitionCapacity) {
        c.reply[0] = 122; // CT_VOLUME_TO_MANY_DRIVES
        return;
    }
    const auto at = freeExtent(a, slice, blocks);
    if (!at) {
        c.reply[0] = 9; // CT_VOLUME_NO_SPACE
        return;
    }
    const auto count = static_cast<std::uint32_t>(members.size() + 1);
    for (std::uint32_t entry : members)
        putU16(a.partitions[entry], kEntryL0Count, count);
    PartitionEntry added = memberEntry(a, {slice, *at, blocks}, 1, n, count - 1, count);
    const PartitionEntry& first = a.partitions[members[0]];
    std::copy_n(first.begin() + kEntryL1Type, 16, added.begin() + kEntryL1Type);
    it->second.members.push_back(addEntry(a, added));
    ++a.configAge;
    c.reply[0] = 131; // CT_VOLUME_ADDED
}

// The 72-byte reconfiguration request.
struct MorphRequest {
    std::uint32_t container, kind, added, chunk, size, mode;
    std::vector<std::uint32_t> slices;
};

MorphRequest readMorph(const std::uint8_t* in) {
    MorphRequest m{
        get32(in, 0), get32(in, 4), get32(in, 8), get32(in, 12), get32(in, 16), get32(in, 20), {}};
    for (std::uint32_t i = 0; i < m.added && i < kMaxMorphDisks; ++i)
        m.slices.push_back(in[24 + i]);
    return m;
}

// Whether `count` members make a container of controller type `type`.
bool enoughMembers(std::uint32_t type, std::size_t count) {
    switch (type) {
    case 1:
        return count >= 1;
    case 2:
        return count == 2;
    case 3:
        return count >= 2;
    default:
        return count >= 3;
    }
}

// The CT status of the reconfiguration; the configuration is changed only
// when it starts.
std::uint32_t morph(Adapter& a, const MorphRequest& m) {
    auto it = a.containers.find(m.container);
    const auto members =
        it == a.containers.end() ? std::vector<std::uint32_t>{} : partitionMembers(a, it->second);
    if (members.empty() || it->second.type > 4)
        return 256; // CT_MORPH_BAD_CONTAINER
    if (m.kind < 1 || m.kind > 4)
        return 261; // CT_MORPH_NOT_SUPPORT
    const bool modeFits = (m.mode == 1 && !m.added) || ((m.mode == 2 || m.mode == 4) && m.added);
    if (!modeFits || m.added > kMaxMorphDisks)
        return 332; // configuration invalid
    for (std::uint32_t s : m.slices)
        if (s >= a.slices.size())
            return 332;
    std::vector<std::uint32_t> kept = m.mode == 4 ? std::vector<std::uint32_t>{} : members;
    const std::size_t total = kept.size() + m.slices.size();
    if (!enoughMembers(m.kind, total))
        return 258; // CT_MORPH_BAD_TYPE
    if ((m.kind == 3 || m.kind == 4) && !m.chunk)
        return 255; // CT_MORPH_BAD_CHUNKSIZE
    std::vector<std::uint32_t> sizes;
    for (std::uint32_t entry : members)
        sizes.push_back(sizeOf(a, entry));
    const std::uint64_t held = dataBlocks(it->second.type, sizes);
    // New partitions match the first member unless a size is asked for or
    // the old partitions go.
    const std::uint64_t dataMembers = m.kind == 2 ? 1 : m.kind == 4 ? total - 1 : total;
    const std::uint64_t wanted = m.size ? m.size : m.mode == 4 ? held : 0;
    const std::uint64_t memberSize =
        wanted ? (wanted + dataMembers - 1) / dataMembers : sizeOf(a, members[0]);
    if (!memberSize || memberSize > 0xFFFFFFFFu)
        return 257; // CT_MORPH_TOO_SMALL
    const PartitionEntry level1 = a.partitions[members[0]];
    const auto saved = a.partitions;
    std::vector<std::uint32_t> list = kept;
    for (std::uint32_t s : m.slices) {
        const auto at = freeExtent(a, s, static_cast<std::uint32_t>(memberSize));
        if (!at || a.partitions.size() + 1 > a.partitionCapacity) {
            a.partitions = saved;
            return 331; // not enough space on the device
        }
        list.push_back(addEntry(a, memberEntry(a, {s, *at, static_cast<std::uint32_t>(memberSize)},
                                               m.kind, m.container, 0, 0)));
    }
    sizes.clear();
    for (std::uint32_t entry : list)
        sizes.push_back(sizeOf(a, entry));
    if (dataBlocks(m.kind, sizes) < std::max<std::uint64_t>(held, m.size)) {
        a.partitions = saved;
        return 257; // CT_MORPH_TOO_SMALL
    }
    if (m.mode == 4)
        for (std::uint32_t entry : members)
            a.partitions[entry].fill(0);
    const auto count = static_cast<std::uint32_t>(list.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        PartitionEntry& e = a.partitions[list[i]];
        std::copy_n(level1.begin() + kEntryL1Type, 16, e.begin() + kEntryL1Type);
        put32(e.data(), kEntryL0Type, m.kind);
        putU16(e, kEntryL0Count, count);
        putU16(e, kEntryL0Index, i);
        put32(e.data(), kMirrorStateByte, m.kind == 2 ? kMirrorInSync : 0);
    }
    ContainerRecord& r = it->second;
    r.type = m.kind;
    r.members = list;
    if (m.kind == 3 || m.kind == 4)
        r.words[kChunkWord] = m.chunk;
    else
        r.words.erase(kChunkWord);
    Task move;
    move.id = a.nextTaskId++;
    move.jobCode = kMorphJob;
    move.objectId = m.container;
    a.tasks.push_back(move);
    ++a.configAge;
    return 253; // CT_MORPH_STARTED
}

} // namespace

void registerReshapeCommands(Simulator& sim) {
    sim.registerContainer(44, volumeAdd);
    sim.registerContainer(109,
                          [](CtRequest& c) { c.reply[0] = morph(c.adapter, readMorph(c.in)); });
}

} // namespace qorsim
