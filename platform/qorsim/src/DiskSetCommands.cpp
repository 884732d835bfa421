// Cluster commands (FIB 550): disk sets, ownership claims, host and cluster
// information. JSON:
//   "diskSets": [{"number": N, "creator": N, "label": "...", "owner": N,
//                 "flags": 4, "attributes": 0, "generation": 1, "stamp": N,
//                 "members": [driveId, ...]}],
//   "cluster": {"name": "...", "id": N, "sharedMask": N, "busMap": [partner bus, ...]}
#include "CoreHandlers.h"

#include "configfile/config_node.h"

#include <algorithm>
#include <cstring>

namespace qorsim {

namespace {

using standin_config::Node;

constexpr std::size_t kRecord = kFibHeader + 8; // input and output records

enum Status : std::uint32_t {
    kGood = 1,
    kNotFound = 7,
    kNotOwner = 12,
    kStale = 19,
    kTooMany = 24,
};

struct Record {
    std::uint8_t* p;
    std::uint64_t u64(std::size_t off) const {
        return static_cast<std::uint64_t>(get32(p, off + 4)) << 32 | get32(p, off);
    }
    std::uint32_t u32(std::size_t off) const { return get32(p, off); }
    void put64(std::size_t off, std::uint64_t v) {
        put32(p, off, static_cast<std::uint32_t>(v));
        put32(p, off + 4, static_cast<std::uint32_t>(v >> 32));
    }
    void put(std::size_t off, std::uint32_t v) { put32(p, off, v); }
};

std::uint64_t ownerOf(const Adapter& a) {
    return static_cast<std::uint64_t>(a.miscStatus[5]) << 32 | a.miscStatus[4];
}

DiskSet* findSet(Adapter& a, std::uint64_t number, std::uint64_t creator) {
    for (DiskSet& s : a.maint.diskSets)
        if (s.number == number && s.creator == creator)
            return &s;
    return nullptr;
}

DiskSet* setOfDrive(Adapter& a, std::uint32_t drive) {
    for (DiskSet& s : a.maint.diskSets)
        if (std::find(s.members.begin(), s.members.end(), drive) != s.members.end())
            return &s;
    return nullptr;
}

// Disk sets are made of the drives on the controller's channels and of the
// disks the controller numbers as slices.
bool driveExists(Adapter& a, std::uint32_t drive) {
    return a.devices.find(drive) != nullptr ||
           std::any_of(a.slices.begin(), a.slices.end(),
                       [drive](const Slice& s) { return s.driveId == drive; });
}

std::uint32_t sharedWord(const Adapter& a, std::uint32_t drive) {
    const std::uint32_t bus = drive >> 7 & 63;
    return bus < 32 ? (a.maint.cluster.sharedMask >> bus & 1) : 0;
}

void writeSetRecord(Record out, const DiskSet& s) {
    out.put64(0, s.number);
    out.put64(8, s.creator);
    std::memcpy(out.p + 16, s.label.data(), 32);
    out.put(48, s.generation);
    out.put(52, s.flags);
    out.put64(56, s.owner);
    out.put64(64, s.stamp);
    out.put(72, s.attributes);
    out.put(116, static_cast<std::uint32_t>(s.members.size()));
}

// Commands that change a set carry its next generation.
bool staleGeneration(const DiskSet& s, Record in) {
    return in.u32(48) != s.generation + 1;
}

std::uint32_t create(Adapter& a, Record in) {
    const std::uint32_t drive = in.u32(120);
    if (findSet(a, in.u64(0), in.u64(8)))
        return kStale;
    if (a.maint.diskSets.size() >= 32)
        return kTooMany;
    if (!driveExists(a, drive))
        return kNotFound;
    if (setOfDrive(a, drive))
        return kNotOwner;
    DiskSet s;
    s.number = in.u64(0);
    s.creator = in.u64(8);
    std::memcpy(s.label.data(), in.p + 16, 32);
    s.generation = in.u32(48);
    s.owner = in.u64(56);
    s.stamp = in.u64(64);
    s.attributes = in.u32(72) & 1;
    s.flags = 4;
    s.members.push_back(drive);
    a.maint.diskSets.push_back(s);
    return kGood;
}

std::uint32_t member(Adapter& a, DiskSet& s, Record in, bool add) {
    const std::uint32_t drive = in.u32(120);
    auto it = std::find(s.members.begin(), s.members.end(), drive);
    if (add) {
        if (!driveExists(a, drive))
            return kNotFound;
        if (setOfDrive(a, drive))
            return kNotOwner;
        s.members.push_back(drive);
    } else {
        if (it == s.members.end())
            return kNotFound;
        s.members.erase(it);
    }
    return kGood;
}

std::uint32_t modify(Adapter& a, std::uint32_t command, DiskSet& s, Record in) {
    const std::uint64_t owner = in.u64(56);
    switch (command) {
    case 4: // delete
        a.maint.diskSets.erase(a.maint.diskSets.begin() + (&s - a.maint.diskSets.data()));
        return kGood;
    case 8:  // take
    case 10: // force
        if (staleGeneration(s, in))
            return kStale;
        if (command == 8 && (s.flags & 4) && s.owner != owner && s.owner != 0)
            return kNotOwner;
        s.owner = owner;
        s.flags |= 4;
        break;
    case 9: // release
        if (staleGeneration(s, in))
            return kStale;
        if (s.owner != owner)
            return kNotOwner;
        s.owner = 0;
        s.flags &= ~(4u | 32u);
        break;
    case 16: // label and attributes
        if (staleGeneration(s, in))
            return kStale;
        std::memcpy(s.label.data(), in.p + 16, 32);
        s.attributes = in.u32(72) & 3;
        break;
    case 17: // attach
    case 18: // detach
        if (s.owner != owner || owner != ownerOf(a))
            return kNotOwner;
        if (command == 17)
            s.flags |= 32;
        else
            s.flags &= ~32u;
        return kGood;
    }
    ++s.generation;
    return kGood;
}

// Up to 16 sets in the record; more go to the host's external area (by
// the 32-bit address the record gives, in this process), numbers first, then
// the creators. A request without a usable area gets only the count.
std::uint32_t allSets(Adapter& a, Record io) {
    const auto& sets = a.maint.diskSets;
    const std::size_t n = sets.size();
    if (n <= 16) {
        for (std::size_t i = 0; i < n; ++i) {
            io.put64(8 + 8 * i, sets[i].number);
            io.put64(136 + 8 * i, sets[i].creator);
        }
    } else if (io.u32(272) == 1 && io.u32(276) != 0 && 16 * n <= io.u32(280)) {
        auto* external = reinterpret_cast<std::uint8_t*>(std::uintptr_t{io.u32(276)});
        for (std::size_t i = 0; i < n; ++i) {
            Record{external}.put64(8 * i, sets[i].number);
            Record{external}.put64(8 * (n + i), sets[i].creator);
        }
    }
    io.put(264, static_cast<std::uint32_t>(n));
    return kGood;
}

std::uint32_t members(Adapter& a, Record io) {
    DiskSet* s = findSet(a, io.u64(8), io.u64(16));
    if (!s)
        return kNotFound;
    io.put(24, static_cast<std::uint32_t>(s->members.size()));
    for (std::size_t i = 0; i < s->members.size() && i < 64; ++i)
        io.put(28 + 4 * i, s->members[i]);
    return kGood;
}

std::uint32_t driveInfo(Adapter& a, Record io) {
    const std::uint32_t drive = io.u32(120);
    if (!driveExists(a, drive))
        return kNotFound;
    const std::uint32_t shared = sharedWord(a, drive);
    std::memset(io.p, 0, 140);
    if (const DiskSet* s = setOfDrive(a, drive))
        writeSetRecord(io, *s);
    else
        io.put(52, 8);
    io.put(120, drive);
    io.put(132, shared);
    return kGood;
}

std::uint32_t clusterInfo(Adapter& a, Record out) {
    const ClusterInfo& c = a.maint.cluster;
    std::memset(out.p, 0, 272);
    std::memcpy(out.p, c.name.data(), std::min<std::size_t>(c.name.size(), 50));
    std::memcpy(out.p + 64, c.field.data(), c.field.size());
    out.put64(128, c.id);
    const std::size_t n = std::min<std::size_t>(c.busMap.size(), 16);
    out.put(136, static_cast<std::uint32_t>(n));
    out.put(140, c.sharedMask);
    for (std::size_t i = 0; i < n; ++i)
        out.p[144 + 8 * i] = c.busMap[i];
    return kGood;
}

std::uint32_t handle(Adapter& a, std::uint32_t command, Record r) {
    switch (command) {
    case 2:
        a.maint.rescans.push_back(r.u32(0));
        return kGood;
    case 3:
        return create(a, r);
    case 11: {
        const DiskSet* s = findSet(a, r.u64(0), r.u64(8));
        if (!s)
            return kNotFound;
        std::memset(r.p, 0, 384);
        writeSetRecord(r, *s);
        return kGood;
    }
    case 12:
        return driveInfo(a, r);
    case 14:
        return allSets(a, r);
    case 15:
        return members(a, r);
    case 19:
        return r.u32(256) > 16 ? kNotFound : kGood;
    case 256:
        a.maint.hostInfo.assign(reinterpret_cast<const char*>(r.p),
                                strnlen(reinterpret_cast<const char*>(r.p), 64));
        return kGood;
    case 258:
        return clusterInfo(a, r);
    case 768:
        a.maint.claims.push_back({r.u64(0), r.u32(16)});
        return kGood;
    case 4:
    case 5:
    case 6:
    case 8:
    case 9:
    case 10:
    case 16:
    case 17:
    case 18: {
        DiskSet* s = findSet(a, r.u64(0), r.u64(8));
        if (!s)
            return kNotFound;
        if (command == 5 || command == 6)
            return member(a, *s, r, command == 5);
        return modify(a, command, *s, r);
    }
    default:
        return 2; // unknown command
    }
}

void readDiskSets(const Node& j, Adapter& a) {
    standin_config::Distinct<std::uint64_t> numbers;
    for (const Node& d : j.elements()) {
        DiskSet s;
        s.number = d.value("number", std::uint64_t{0});
        numbers.add(s.number, d.place("number"), "disk set " + std::to_string(s.number));
        s.creator = d.value("creator", std::uint64_t{0});
        const std::string label = d.value("label", std::string());
        if (label.size() > s.label.size())
            d.at("label").refuse("longer than " + std::to_string(s.label.size()) + " characters");
        std::memcpy(s.label.data(), label.data(), label.size());
        s.generation = d.value("generation", 1u);
        s.flags = d.value("flags", 4u);
        s.attributes = d.value("attributes", 0u);
        s.owner = d.value("owner", std::uint64_t{0});
        s.stamp = d.value("stamp", std::uint64_t{0});
        s.members = d.value("members", std::vector<std::uint32_t>());
        a.maint.diskSets.push_back(s);
    }
}

void readCluster(const Node& j, Adapter& a) {
    ClusterInfo& c = a.maint.cluster;
    c.name = j.value("name", std::string());
    c.id = j.value("id", std::uint64_t{0});
    c.sharedMask = j.value("sharedMask", 0u);
    c.busMap = j.value("busMap", std::vector<std::uint8_t>());
}

} // namespace

void registerDiskSetCommands(Simulator& sim) {
    sim.registerFib(550, [](FibRequest& r) {
        const std::uint32_t status = handle(r.adapter, r.word(0), Record{r.fib + kRecord});
        r.setWord(0, status);
        r.setReplySize(kFibBytes);
    });
    sim.registerSection("diskSets", readDiskSets);
    sim.registerSection("cluster", readCluster);
}

} // namespace qorsim
