// Container sub-commands over the configuration records: slices, the
// partition table, loaded containers, user flags, dumps and memory. The
// container and partition issues replace these with their fuller models.
#include "CoreHandlers.h"

#include <algorithm>
#include <cstring>

namespace qorsim {

namespace {

constexpr std::uint32_t kCtOk = 218;
constexpr std::uint32_t kMbrSignature = 0x00021956;
constexpr std::size_t kSliceOfEntry = 40; // byte of a partition entry naming its slice

const Slice* slice(const CtRequest& c, std::uint32_t index) {
    return index < c.adapter.slices.size() ? &c.adapter.slices[index] : nullptr;
}

std::vector<const PartitionEntry*> partitionsOn(const Adapter& a, std::uint32_t slice) {
    std::vector<const PartitionEntry*> out;
    for (const auto& p : a.partitions)
        if (get32(p.data(), kSliceOfEntry) == slice)
            out.push_back(&p);
    return out;
}

// The disk's own partition table: the in-memory entries naming the slice,
// then the entries only the disk holds.
std::vector<const PartitionEntry*> onDisk(const Adapter& a, std::uint32_t slice) {
    std::vector<const PartitionEntry*> out = partitionsOn(a, slice);
    if (slice < a.slices.size())
        for (const auto& p : a.slices[slice].diskOnly)
            out.push_back(&p);
    return out;
}

void putEntries(CtRequest& c, const std::vector<const PartitionEntry*>& entries) {
    c.data.assign(c.replyCapacity, 0);
    for (std::size_t i = 0; i < entries.size() && (i + 1) * kPartitionBytes <= c.data.size(); ++i)
        std::memcpy(c.data.data() + i * kPartitionBytes, entries[i]->data(), kPartitionBytes);
}

// A container's size in blocks from its member partitions: a mirror holds
// one member's worth, RAID-5 all but one, the other kinds their sum.
std::uint64_t containerBlocks(const Adapter& a, const ContainerRecord& r) {
    std::uint64_t sum = 0, member = 0;
    for (std::uint32_t entry : r.members)
        if (entry < a.partitions.size()) {
            member = get32(a.partitions[entry].data(), 28);
            sum += member;
        }
    if (r.type == 2)
        return member;
    if (r.type == 4)
        return sum - member;
    return sum;
}

// Sub-commands that only acknowledge with CT_OK.
void acknowledge(Simulator& sim, std::uint32_t command) {
    sim.registerContainer(command, [](CtRequest& c) { c.reply[0] = kCtOk; });
}

} // namespace

void registerConfigurationCommands(Simulator& sim) {
    sim.registerContainer(2, [](CtRequest& c) {
        c.reply[0] = static_cast<std::uint32_t>(c.adapter.partitions.size());
    });
    sim.registerContainer(3, [](CtRequest& c) { // GET_PARTITION_INFO
        if (c.param[0] >= c.adapter.partitions.size()) {
            c.reply[0] = 69;
            return;
        }
        c.reply[0] = 68;
        putEntries(c, {&c.adapter.partitions[c.param[0]]});
    });
    sim.registerContainer(8, [](CtRequest& c) { c.reply[0] = kCtOk; }); // UPDATE_PARTITION
    sim.registerContainer(10, [](CtRequest& c) { ++c.adapter.configAge; });
    sim.registerContainer(11, [](CtRequest& c) { c.reply[0] = c.adapter.configAge; });
    sim.registerContainer(12, [](CtRequest& c) {
        c.adapter.configAge = c.param[0];
        c.reply[0] = kCtOk;
    });
    sim.registerContainer(14, [](CtRequest& c) { // ZERO_PAR_ENTRY
        if (c.param[0] < c.adapter.partitions.size())
            c.adapter.partitions[c.param[0]].fill(0);
        c.reply[0] = kCtOk;
    });
    sim.registerContainer(15, [](CtRequest& c) { // READ_MBR
        // A disk without the controller's MBR reads as its first bytes (zeros
        // when blank); a disk that is not there or not readable fails.
        const Slice* s = slice(c, c.param[0]);
        c.data.assign(24, 0);
        if (!s || !s->mbrReadable) {
            c.reply[0] = 133;
            return;
        }
        c.reply[0] = 132;
        if (!s->hasMbr) {
            if (s->data.size() >= 24)
                std::copy_n(s->data.begin(), 24, c.data.begin());
            return;
        }
        put32(c.data.data(), 0, kMbrSignature);
        put32(c.data.data(), 4, static_cast<std::uint32_t>(onDisk(c.adapter, c.param[0]).size()));
    });
    sim.registerContainer(16, [](CtRequest& c) { // READ_PARTITION: slice, index in word 2
        const auto entries = onDisk(c.adapter, c.param[0]);
        if (c.param[2] >= entries.size()) {
            c.reply[0] = 69;
            return;
        }
        c.reply[0] = 68;
        putEntries(c, {entries[c.param[2]]});
    });
    sim.registerContainer(19, [](CtRequest& c) {
        const Slice* s = slice(c, c.param[0]);
        c.reply[0] = s ? s->sizeBlocks : 0;
    });
    sim.registerContainer(22, [](CtRequest& c) { c.reply[0] = c.adapter.lastDrive; });
    sim.registerContainer(34, [](CtRequest& c) { ++c.adapter.configAge; }); // RECONFIG
    sim.registerContainer(63, [](CtRequest& c) {                            // GET_SLICE_INFO
        const Slice* s = slice(c, c.param[0]);
        c.data.assign(32, 0);
        if (!s)
            return;
        put32(c.data.data(), 12, s->driveId);
        put32(c.data.data(), 20, s->type);
        put32(c.data.data(), 24, s->sizeBlocks > 128 ? s->sizeBlocks - 128 : 0);
    });
    sim.registerContainer(85, [](CtRequest& c) { // GET_PARTITION_TABLE
        std::vector<const PartitionEntry*> all;
        for (const auto& p : c.adapter.partitions)
            all.push_back(&p);
        putEntries(c, all);
        c.reply[0] = 202;
    });
    sim.registerContainer(86, [](CtRequest& c) { // GET_DISK_PARTITIONS
        putEntries(c, onDisk(c.adapter, c.param[0]));
        c.reply[0] = 204;
    });
    sim.registerContainer(96, [](CtRequest& c) { // GET_MEMORY: a pattern of the address
        c.data.resize(c.replyCapacity);
        for (std::size_t i = 0; i < c.data.size(); ++i)
            c.data[i] = static_cast<std::uint8_t>(c.param[0] + i);
        c.reply[0] = 214;
    });
    sim.registerContainer(105, [](CtRequest& c) { // REMOVE_SNAPSHOT
        auto it = c.adapter.containers.find(c.param[0]);
        const bool snapshot =
            it != c.adapter.containers.end() && (it->second.type == 5 || it->second.type == 6);
        if (snapshot)
            c.adapter.containers.erase(it);
        c.reply[0] = snapshot ? 234 : 235;
    });
    sim.registerContainer(106, [](CtRequest& c) { // WRITE_USER_FLAGS
        auto it = c.adapter.containers.find(c.param[0]);
        if (it != c.adapter.containers.end())
            it->second.userFlags = static_cast<std::uint16_t>(c.param[1]);
        c.reply[0] = it != c.adapter.containers.end() ? 236 : 238;
    });
    sim.registerContainer(107, [](CtRequest& c) { // READ_USER_FLAGS
        auto it = c.adapter.containers.find(c.param[0]);
        c.reply[1] = it != c.adapter.containers.end() ? it->second.userFlags : 0;
        c.reply[0] = it != c.adapter.containers.end() ? 237 : 239;
    });
    sim.registerContainer(110, [](CtRequest& c) { // GET_SNAPSHOT_INFO
        auto it = c.adapter.containers.find(c.param[0]);
        const bool snapshot =
            it != c.adapter.containers.end() && (it->second.type == 5 || it->second.type == 6);
        c.data.assign(68, 0);
        if (snapshot)
            for (std::size_t i = 0; i < it->second.snapshotInfo.size(); ++i)
                put32(c.data.data(), 4 * i, it->second.snapshotInfo[i]);
        c.reply[0] = snapshot ? 262 : 263;
    });
    sim.registerContainer(113, [](CtRequest& c) { // TRACE_START: the dump container
        c.adapter.dumpContainer = c.param[0];
        c.reply[0] = kCtOk;
    });
    sim.registerContainer(114, [](CtRequest& c) { // TRACE_STOP
        c.data.assign(c.in, c.in + 16);
        c.reply[0] = kCtOk;
    });
    for (std::uint32_t command : {117u, 121u, 125u})
        acknowledge(sim, command);
    sim.registerContainer(123, [](CtRequest& c) { c.reply[0] = c.adapter.coreDumpBytes; });
    sim.registerContainer(153, [](CtRequest& c) { // CONTAINER_EXISTS
        c.reply[0] = c.adapter.containers.count(c.param[0]) ? 1 : 0;
    });
    sim.registerContainer(154, [](CtRequest& c) { // GET_SLICE_FROM_DEVT: drive -> slice
        c.data.assign(32, 0);
        c.reply[0] = 0xFFFFFFFF;
        for (std::size_t i = 0; i < c.adapter.slices.size(); ++i) {
            if (c.adapter.slices[i].driveId != c.param[0])
                continue;
            c.reply[0] = static_cast<std::uint32_t>(i);
            put32(c.data.data(), 8, c.adapter.scsiMethod);
            put32(c.data.data(), 12, c.param[0]);
            put32(c.data.data(), 20, 7);
            return;
        }
    });
    sim.registerContainer(178, [](CtRequest& c) { // GET_CONTAINER_INFO: the 840-byte record
        c.data.assign(840, 0);
        auto it = c.adapter.containers.find(c.param[0]);
        if (it == c.adapter.containers.end()) {
            c.reply[0] = 0;
            return;
        }
        const auto& members = it->second.members;
        put32(c.data.data(), 0, static_cast<std::uint32_t>(members.size()));
        for (std::size_t i = 0; i < members.size() && i < 128; ++i)
            put32(c.data.data(), 20 + 4 * i, members[i]);
        const std::uint64_t blocks = containerBlocks(c.adapter, it->second);
        put32(c.data.data(), 4, static_cast<std::uint32_t>(blocks));
        put32(c.data.data(), 8, static_cast<std::uint32_t>(blocks >> 32));
        put32(c.data.data(), 12, it->second.stateFlags);
        for (std::size_t i = 0; i < 3; ++i)
            put32(c.data.data(), 4 * (135 + i), it->second.snapshotLinks[i]);
        for (const auto& [index, value] : it->second.words)
            if (4 * index + 4 <= c.data.size())
                put32(c.data.data(), 4 * index, value);
        c.reply[0] = it->second.type;
    });
}

} // namespace qorsim
