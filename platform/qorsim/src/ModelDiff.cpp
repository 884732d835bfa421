#include "qorsim/ModelDiff.h"

#include "qorsim/Simulator.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

namespace qorsim {

namespace {

std::string show(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, v > 9 ? "0x%llx" : "%llu", static_cast<unsigned long long>(v));
    return text;
}
std::string show(bool v) {
    return v ? "true" : "false";
}
std::string show(const std::string& v) {
    return '"' + v + '"';
}
template <std::size_t N> std::string show(const std::array<char, N>& v) {
    return show(std::string(v.data(), std::find(v.begin(), v.end(), '\0')));
}
template <class T> std::string showList(const T& values) {
    std::string out = "[";
    for (const auto& v : values)
        out += (out.size() > 1 ? " " : "") + show(static_cast<std::uint64_t>(v));
    return out + "]";
}
template <class T> std::string show(const std::vector<T>& v) {
    return showList(v);
}
template <class T, std::size_t N> std::string show(const std::array<T, N>& v) {
    return showList(v);
}
std::string show(const std::map<std::uint32_t, std::uint32_t>& v) {
    std::string out = "{";
    for (const auto& [k, x] : v)
        out += (out.size() > 1 ? " " : "") + std::to_string(k) + ":" + show(std::uint64_t(x));
    return out + "}";
}
std::string show(const Defect& d) {
    return std::to_string(d.cylinder) + "/" + std::to_string(d.head) + "/" +
           std::to_string(d.sector);
}
std::string show(const std::vector<Defect>& v) {
    std::string out = "[";
    for (const auto& d : v)
        out += (out.size() > 1 ? " " : "") + show(d);
    return out + "]";
}
std::string show(const std::vector<std::string>& v) {
    std::string out = "[";
    for (const auto& s : v)
        out += (out.size() > 1 ? " " : "") + show(s);
    return out + "]";
}
std::string show(const std::vector<std::array<std::uint8_t, 8>>& v) {
    std::string out = "[";
    for (const auto& s : v)
        out += (out.size() > 1 ? " " : "") + show(s);
    return out + "]";
}

// Collects the differing fields of one object.
class ObjectDiff {
public:
    ObjectDiff(std::vector<Difference>& out, std::string object)
        : out_(out), object_(std::move(object)) {}
    template <class T> ObjectDiff& field(const char* name, const T& a, const T& b) {
        if (!(a == b))
            out_.push_back({object_, name, show(a), show(b)});
        return *this;
    }
    template <class T> ObjectDiff& number(const char* name, T a, T b) {
        if (a != b)
            out_.push_back({object_, name, show(std::uint64_t(a)), show(std::uint64_t(b))});
        return *this;
    }
    // Values already shown as text.
    ObjectDiff& text(const char* name, const std::string& a, const std::string& b) {
        if (a != b)
            out_.push_back({object_, name, a, b});
        return *this;
    }
    // Large byte areas: the first differing offset and how many bytes differ.
    ObjectDiff& bytes(const char* name, const std::vector<std::uint8_t>& a,
                      const std::vector<std::uint8_t>& b) {
        if (a == b)
            return *this;
        std::size_t first = 0, differing = 0;
        const std::size_t common = std::min(a.size(), b.size());
        for (std::size_t i = common; i-- > 0;)
            if (a[i] != b[i]) {
                first = i;
                ++differing;
            }
        if (!differing)
            first = common;
        out_.push_back({object_, name, std::to_string(a.size()) + " bytes",
                        std::to_string(b.size()) + " bytes, " + std::to_string(differing) +
                            " differ from byte " + std::to_string(first)});
        return *this;
    }
    void added() { out_.push_back({object_, "", "absent", "present"}); }
    void removed() { out_.push_back({object_, "", "present", "absent"}); }

private:
    std::vector<Difference>& out_;
    std::string object_;
};

void compareEntry(ObjectDiff d, const PartitionEntry& a, const PartitionEntry& b) {
    for (std::size_t w = 0; w < kPartitionBytes / 4; ++w) {
        const std::uint32_t x = get32(a.data(), 4 * w), y = get32(b.data(), 4 * w);
        if (x != y) {
            const std::string name = "byte " + std::to_string(4 * w);
            d.number(name.c_str(), x, y);
        }
    }
}

void compareAdapter(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    ObjectDiff(out, "adapter")
        .field("paused", a.paused, b.paused)
        .number("container count", a.containerCount, b.containerCount)
        .number("first hidden container", a.firstHiddenContainer, b.firstHiddenContainer)
        .number("partition capacity", a.partitionCapacity, b.partitionCapacity)
        .number("last drive", a.lastDrive, b.lastDrive)
        .number("core dump bytes", a.coreDumpBytes, b.coreDumpBytes)
        .number("dump container", a.dumpContainer, b.dumpContainer)
        .number("scsi method", a.scsiMethod, b.scsiMethod)
        .field("serial number", a.serialNumber, b.serialNumber)
        .field("misc status", a.miscStatus, b.miscStatus)
        .field("container parameters", a.containerParams, b.containerParams)
        .field("channel bytes", a.devices.channelBytes, b.devices.channelBytes)
        .field("channel states", a.devices.channelStates, b.devices.channelStates)
        .field("panic on break", a.maint.panicOnBreak, b.maint.panicOnBreak)
        .field("history (last)", a.maint.historyLast, b.maint.historyLast)
        .field("history (current)", a.maint.historyCurrent, b.maint.historyCurrent);
}

void compareSlices(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    for (std::size_t i = 0; i < std::max(a.slices.size(), b.slices.size()); ++i) {
        ObjectDiff d(out, "slice " + std::to_string(i));
        if (i >= a.slices.size()) {
            d.added();
            continue;
        }
        if (i >= b.slices.size()) {
            d.removed();
            continue;
        }
        const Slice &x = a.slices[i], &y = b.slices[i];
        d.number("size", x.sizeBlocks, y.sizeBlocks)
            .number("drive", x.driveId, y.driveId)
            .number("type", x.type, y.type)
            .field("mbr", x.hasMbr, y.hasMbr)
            .field("mbr readable", x.mbrReadable, y.mbrReadable)
            .bytes("data", x.data, y.data)
            .number("disk-only entries", x.diskOnly.size(), y.diskOnly.size());
        for (std::size_t e = 0; e < std::min(x.diskOnly.size(), y.diskOnly.size()); ++e)
            compareEntry(
                ObjectDiff(out, "slice " + std::to_string(i) + " disk entry " + std::to_string(e)),
                x.diskOnly[e], y.diskOnly[e]);
    }
}

void comparePartitions(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    static const PartitionEntry empty{};
    for (std::size_t i = 0; i < std::max(a.partitions.size(), b.partitions.size()); ++i) {
        // A table that grew by empty entries reads the same as before.
        const PartitionEntry& x = i < a.partitions.size() ? a.partitions[i] : empty;
        const PartitionEntry& y = i < b.partitions.size() ? b.partitions[i] : empty;
        compareEntry(ObjectDiff(out, "partition " + std::to_string(i)), x, y);
    }
}

template <class Map, class Compare>
void compareMaps(std::vector<Difference>& out, const char* kind, const Map& a, const Map& b,
                 Compare compare) {
    std::set<typename Map::key_type> keys;
    for (const auto& kv : a)
        keys.insert(kv.first);
    for (const auto& kv : b)
        keys.insert(kv.first);
    for (const auto& k : keys) {
        ObjectDiff d(out, std::string(kind) + " " + std::to_string(k));
        auto x = a.find(k), y = b.find(k);
        if (x == a.end())
            d.added();
        else if (y == b.end())
            d.removed();
        else
            compare(d, x->second, y->second);
    }
}

void compareContainers(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    compareMaps(out, "container", a.containers, b.containers,
                [](ObjectDiff& d, const ContainerRecord& x, const ContainerRecord& y) {
                    d.number("type", x.type, y.type)
                        .field("members", x.members, y.members)
                        .number("user flags", x.userFlags, y.userFlags)
                        .number("uid", x.uid, y.uid)
                        .field("label", x.label, y.label)
                        .number("delay", x.delay, y.delay)
                        .number("state flags", x.stateFlags, y.stateFlags)
                        .field("snapshot links", x.snapshotLinks, y.snapshotLinks)
                        .field("words", x.words, y.words)
                        .field("snapshot info", x.snapshotInfo, y.snapshotInfo)
                        .field("read only", x.readOnly, y.readOnly)
                        .field("drained", x.drained, y.drained)
                        .field("offline", x.offline, y.offline);
                });
    compareMaps(out, "host disk", a.hostDisks, b.hostDisks,
                [](ObjectDiff& d, const HostDisk& x, const HostDisk& y) {
                    d.number("instance", x.instance, y.instance)
                        .number("bus", x.bus, y.bus)
                        .number("target", x.target, y.target)
                        .number("lun", x.lun, y.lun)
                        .field("valid", x.valid, y.valid)
                        .field("locked", x.locked, y.locked)
                        .field("deleted", x.deleted, y.deleted)
                        .field("unmapped", x.unmapped, y.unmapped)
                        .field("removed from the host", x.removedFromHost, y.removedFromHost)
                        .field("name", x.name, y.name);
                });
    std::map<std::uint32_t, CacheSlot> slotsA(a.cache.slots.begin(), a.cache.slots.end());
    std::map<std::uint32_t, CacheSlot> slotsB(b.cache.slots.begin(), b.cache.slots.end());
    compareMaps(
        out, "cache slot", slotsA, slotsB,
        [](ObjectDiff& d, const CacheSlot& x, const CacheSlot& y) { d.field("words", x, y); });
}

void compareTasks(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    std::map<std::uint32_t, Task> x, y;
    for (const Task& t : a.tasks)
        x[t.id] = t;
    for (const Task& t : b.tasks)
        y[t.id] = t;
    compareMaps(out, "task", x, y, [](ObjectDiff& d, const Task& p, const Task& q) {
        d.number("job", p.jobCode, q.jobCode)
            .number("object", p.objectId, q.objectId)
            .number("status", p.status, q.status)
            .number("total", p.total, q.total)
            .number("current", p.current, q.current)
            .number("step", p.step, q.step)
            .number("word 7", p.word7, q.word7)
            .number("word 8", p.word8, q.word8);
    });
}

std::string driveName(const Drive& d) {
    return "drive " + std::to_string(d.bus) + ":" + std::to_string(d.target) + ":" +
           std::to_string(d.lun);
}

void compareDrives(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    std::map<std::string, const Drive*> x, y;
    for (const Drive& d : a.devices.drives)
        x[driveName(d)] = &d;
    for (const Drive& d : b.devices.drives)
        y[driveName(d)] = &d;
    std::set<std::string> names;
    for (const auto& kv : x)
        names.insert(kv.first);
    for (const auto& kv : y)
        names.insert(kv.first);
    for (const std::string& name : names) {
        ObjectDiff d(out, name);
        if (!x.count(name)) {
            d.added();
            continue;
        }
        if (!y.count(name)) {
            d.removed();
            continue;
        }
        const Drive &p = *x[name], &q = *y[name];
        d.number("device type", p.deviceType, q.deviceType)
            .field("ready", p.ready, q.ready)
            .field("removable", p.removable, q.removable)
            .field("vendor", p.vendor, q.vendor)
            .field("product", p.product, q.product)
            .field("revision", p.revision, q.revision)
            .number("blocks", p.blocks, q.blocks)
            .number("bytes per block", p.bytesPerBlock, q.bytesPerBlock)
            .number("transfer flags", p.transferFlags, q.transferFlags)
            .field("SMART page", p.smart.current, q.smart.current)
            .field("SMART readable", p.smart.readable, q.smart.readable)
            .text("primary defects", show(p.primaryDefects), show(q.primaryDefects))
            .text("grown defects", show(p.grownDefects), show(q.grownDefects))
            .field("refuses tasks", p.refusesTasks, q.refusesTasks);
    }
}

bool sameSetKey(const DiskSet& x, const DiskSet& y) {
    return x.number == y.number && x.creator == y.creator;
}

void compareSet(ObjectDiff d, const DiskSet& x, const DiskSet& y) {
    d.number("creator", x.creator, y.creator)
        .field("label", x.label, y.label)
        .number("generation", x.generation, y.generation)
        .number("flags", x.flags, y.flags)
        .number("attributes", x.attributes, y.attributes)
        .number("owner", x.owner, y.owner)
        .field("members", x.members, y.members);
}

// Sets are matched by their key; the sets left over on both sides are new
// ones, matched in order, whose clock-derived numbers are not compared.
void compareDiskSets(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    std::vector<const DiskSet*> newA, newB;
    for (const DiskSet& x : a.maint.diskSets) {
        auto y = std::find_if(b.maint.diskSets.begin(), b.maint.diskSets.end(),
                              [&](const DiskSet& s) { return sameSetKey(x, s); });
        const std::string name =
            "disk set " + std::to_string(x.number) + "/" + std::to_string(x.creator);
        if (y == b.maint.diskSets.end())
            newA.push_back(&x);
        else
            compareSet(ObjectDiff(out, name), x, *y);
    }
    for (const DiskSet& y : b.maint.diskSets)
        if (std::none_of(a.maint.diskSets.begin(), a.maint.diskSets.end(),
                         [&](const DiskSet& s) { return sameSetKey(y, s); }))
            newB.push_back(&y);
    for (std::size_t i = 0; i < std::max(newA.size(), newB.size()); ++i) {
        if (i < newA.size() && i < newB.size()) {
            compareSet(ObjectDiff(out, "disk set new"), *newA[i], *newB[i]);
            continue;
        }
        const DiskSet& s = i < newA.size() ? *newA[i] : *newB[i];
        ObjectDiff d(out, i < newA.size() ? "disk set " + std::to_string(s.number) + "/" +
                                                std::to_string(s.creator)
                                          : std::string("disk set new"));
        if (i < newA.size())
            d.removed();
        else
            d.added();
    }
}

void compareMaintenance(std::vector<Difference>& out, const Adapter& a, const Adapter& b) {
    const auto &x = a.maint, &y = b.maint;
    ObjectDiff(out, "nvram")
        .number("state", x.nvram.state, y.nvram.state)
        .number("battery", x.nvram.battery, y.nvram.battery)
        .number("word 107", x.nvram.word107, y.nvram.word107)
        .number("word 108", x.nvram.word108, y.nvram.word108)
        .number("reconditions", x.nvram.reconditions, y.nvram.reconditions)
        .bytes("contents", a.nvram, b.nvram)
        .field("slots", x.nvSlots, y.nvSlots);
    ObjectDiff(out, "flash")
        .field("identity", x.flash.identity, y.flash.identity)
        .bytes("bios", x.flash.bios, y.flash.bios)
        .bytes("firmware", x.flash.firmware, y.flash.firmware)
        .field("writing", x.flash.writing, y.flash.writing)
        .bytes("pending", x.flash.pending, y.flash.pending);
    ObjectDiff(out, "cluster")
        .field("name", x.cluster.name, y.cluster.name)
        .field("field", x.cluster.field, y.cluster.field)
        .number("id", x.cluster.id, y.cluster.id)
        .number("shared mask", x.cluster.sharedMask, y.cluster.sharedMask)
        .field("bus map", x.cluster.busMap, y.cluster.busMap);
    std::map<std::uint32_t, std::uint32_t> px, py;
    for (const Parameter& p : x.parameters)
        px[p.index] = p.value;
    for (const Parameter& p : y.parameters)
        py[p.index] = p.value;
    ObjectDiff(out, "parameters").field("values", px, py);
    ObjectDiff(out, "cache")
        .field("header", a.cache.header, b.cache.header)
        .number("size status", a.cache.sizeStatus, b.cache.sizeStatus)
        .number("set status", a.cache.setStatus, b.cache.setStatus);
    ObjectDiff(out, "soft errors")
        .number("state", a.softErrors.state, b.softErrors.state)
        .number("disks", a.softErrors.disks.size(), b.softErrors.disks.size());
}

} // namespace

std::vector<Difference> compareModels(const Adapter& before, const Adapter& after) {
    std::vector<Difference> out;
    compareAdapter(out, before, after);
    compareDrives(out, before, after);
    compareSlices(out, before, after);
    comparePartitions(out, before, after);
    compareContainers(out, before, after);
    compareDiskSets(out, before, after);
    compareTasks(out, before, after);
    compareMaintenance(out, before, after);
    return out;
}

std::string describeDifferences(const std::vector<Difference>& differences) {
    std::ostringstream text;
    for (const Difference& d : differences) {
        text << d.object << ":";
        if (!d.field.empty())
            text << ' ' << d.field;
        text << ' ' << d.before << " -> " << d.after << '\n';
    }
    return text.str();
}

void restoreSnapshot(Simulator& sim, const Adapter& snapshot) {
    sim.update(snapshot.index, [&](Adapter& a) { a = snapshot; });
}

} // namespace qorsim
