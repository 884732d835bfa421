// The adapter records of the JSON configuration:
// { "adapters": [ { "index": 0, "firmware": {...}, "info": {...}, ... } ] }
#include "CoreHandlers.h"

#include "configfile/config_node.h"

#include <algorithm>
#include <cstring>

namespace qorsim {

namespace {

using standin_config::Node;

// Words of the container record as GET_CONTAINER_INFO answers it.
constexpr std::size_t kRecordWords = 840 / 4;
// A drive's id holds its target in 4 bits and its bus in 6.
constexpr std::uint32_t kMostTarget = 15;
constexpr std::uint32_t kMostBuses = 64;
// Default disks a count may ask for (the controller answers for each).
constexpr std::size_t kMostSlices = 256;

void readRevision(const Node& j, bool& compatible, Revision& rev) {
    compatible = j.value("compatible", compatible);
    rev.external = j.value("external", rev.external);
    rev.build = j.value("build", rev.build);
}

template <std::size_t N>
void readWords(const Node& j, std::array<std::uint32_t, N>& out, std::size_t first = 0) {
    const std::vector<Node> words = j.elements();
    if (words.size() > N - first)
        j.refuse("more than " + std::to_string(N - first) + " words");
    for (std::size_t i = 0; i < words.size(); ++i)
        out[first + i] = words[i].get<std::uint32_t>();
}

// Named words of the adapter-information reply (FIB 703).
void readInfo(const Node& j, std::array<std::uint32_t, 22>& info) {
    static const struct {
        const char* key;
        std::size_t first;
    } fields[] = {{"platform", 0},   {"processor", 1}, {"clock", 3},    {"memory", 4},
                  {"monitor", 9},    {"hardware", 11}, {"bios", 13},    {"cluster", 15},
                  {"enumWords", 17}, {"battery", 19},  {"options", 20}, {"oem", 21}};
    for (const auto& f : fields) {
        if (!j.contains(f.key))
            continue;
        const Node v = j.at(f.key);
        if (v.json().is_array())
            readWords(v, info, f.first);
        else
            info[f.first] = v.get<std::uint32_t>();
    }
}

void setDefaults(Adapter& a) {
    a.info[0] = 19; // platform
    a.info[1] = 2;  // processor family and model
    a.info[2] = 3;
    a.info[3] = 233;
    a.info[4] = 8 << 20;
    a.info[5] = 24 << 20;
    a.info[6] = 32 << 20;
    a.info[9] = 0x02070401;
    a.info[10] = 4944;
    a.info[11] = 0x01000001;
    a.info[12] = 1;
    a.info[13] = 0x02070401;
    a.info[14] = 4944;
    a.info[21] = 3; // OEM code
    // Container limits: member limits (1, 10, 28), per-kind limits (8 + 9k),
    // chunk sizes in blocks (11 min, 12 max, 13 granularity), word 5.
    a.containerParams[1] = 32;
    a.containerParams[10] = 16;
    a.containerParams[28] = 8;
    for (std::size_t k = 0; k < 8; ++k)
        a.containerParams[8 + 9 * k] = 12 + static_cast<std::uint32_t>(k);
    a.containerParams[5] = 128;
    a.containerParams[11] = 16;
    a.containerParams[12] = 2048;
    a.containerParams[13] = 16;
}

void readSerial(const Node& j, Adapter& a) {
    const auto serial = j.get<std::uint64_t>();
    a.miscStatus[4] = static_cast<std::uint32_t>(serial);
    a.miscStatus[5] = static_cast<std::uint32_t>(serial >> 32);
    for (std::size_t i = 0; i < 8; ++i)
        a.serialNumber[i] = static_cast<std::uint8_t>(serial >> (8 * i));
}

void readTask(const Node& j, Adapter& a, standin_config::Distinct<std::uint32_t>& ids) {
    Task t;
    t.id = j.at("id").get<std::uint32_t>();
    ids.add(t.id, j.at("id"), "task " + std::to_string(t.id));
    t.jobCode = j.at("job").get<std::uint32_t>();
    t.objectId = j.value("object", 0u);
    t.status = j.value("status", 102u);
    t.total = j.value("total", 1000u);
    t.current = j.value("current", 0u);
    t.step = j.value("step", 0u);
    t.word7 = j.value("word7", 0u);
    t.word8 = j.value("word8", 0u);
    t.ignoresTerminate = j.value("ignoresTerminate", false);
    a.nextTaskId = std::max(a.nextTaskId, t.id + 1);
    a.tasks.push_back(t);
}

void readHostDisk(const Node& j, Adapter& a) {
    HostDisk d;
    d.instance = j.value("instance", 0);
    d.bus = j.value("bus", 0);
    d.target = j.value("target", 0);
    d.lun = j.value("lun", 0);
    d.valid = j.value("valid", true);
    d.locked = j.value("locked", false);
    d.deleted = j.value("deleted", false);
    d.unmapped = j.value("unmapped", false);
    d.name = j.value("name", std::string());
    const Node container = j.at("container");
    const auto number = container.get<std::uint32_t>();
    if (number >= a.containerCount)
        container.refuse("the adapter has no container " + std::to_string(number) + " (it has " +
                         std::to_string(a.containerCount) + ")");
    if (!a.hostDisks.emplace(number, d).second)
        container.refuse("the host disk of container " + std::to_string(number) +
                         " is described twice");
}

// A partition-table entry: its words in order, or its named fields (the
// entry number a disk's copy still records, the creation stamp, and the
// related-container numbers that a container known only from its partitions
// is described by).
PartitionEntry readPartition(const Node& p) {
    PartitionEntry entry{};
    if (p.json().is_array()) {
        std::array<std::uint32_t, kPartitionBytes / 4> words{};
        readWords(p, words);
        for (std::size_t i = 0; i < words.size(); ++i)
            put32(entry.data(), 4 * i, words[i]);
        return entry;
    }
    static const struct {
        const char* key;
        std::size_t offset;
        std::size_t width;
    } fields[] = {{"age", 20, 4},         {"start", 24, 4},       {"size", 28, 4},
                  {"serial", 32, 4},      {"identity", 36, 4},    {"slice", 40, 4},
                  {"l0Type", 48, 4},      {"l0Number", 52, 2},    {"snapA", 54, 1},
                  {"snapB", 55, 1},       {"l0Members", 56, 2},   {"ref58", 58, 1},
                  {"ref59", 59, 1},       {"memberIndex", 60, 2}, {"deadMask", 64, 4},
                  {"l1Type", 68, 4},      {"l1Number", 72, 2},    {"l1Members", 76, 2},
                  {"related79", 79, 1},   {"related90", 90, 1},   {"mirrorKind", 100, 4},
                  {"flags", 112, 4},      {"creator", 4, 1},      {"stampExtra", 6, 1},
                  {"stampYear", 7, 1},    {"stampDate", 8, 4},    {"creatorSerial", 12, 8},
                  {"related78", 78, 1},   {"l1Index", 80, 2},     {"related91", 91, 1},
                  {"word96", 96, 4},      {"related104", 104, 2}, {"related106", 106, 1},
                  {"related108", 108, 2}, {"word128", 128, 4},    {"related142", 142, 1},
                  {"related143", 143, 1}, {"r5Flags", 84, 4},     {"entry", 0, 4}};
    for (const auto& f : fields) {
        if (!p.contains(f.key))
            continue;
        const std::uint64_t v = p.at(f.key).within<std::uint64_t>(
            0, f.width < 8 ? (std::uint64_t{1} << (8 * f.width)) - 1 : ~std::uint64_t{0});
        for (std::size_t i = 0; i < f.width; ++i)
            entry[f.offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    return entry;
}

// "slices": a count of default disks, or one object per disk.
void readSlices(const Node& j, Adapter& a) {
    if (j.json().is_number()) {
        a.slices.resize(j.within<std::size_t>(0, kMostSlices));
        for (std::size_t i = 0; i < a.slices.size(); ++i)
            a.slices[i].driveId = static_cast<std::uint32_t>(i);
        return;
    }
    for (const Node& s : j.elements()) {
        Slice slice;
        slice.sizeBlocks = s.value("size", slice.sizeBlocks);
        slice.driveId = s.value("drive", static_cast<std::uint32_t>(a.slices.size()));
        slice.type = s.value("type", slice.type);
        slice.hasMbr = s.value("mbr", slice.hasMbr);
        slice.mbrReadable = s.value("mbrReadable", slice.mbrReadable);
        for (const Node& p : s.elements("diskPartitions"))
            slice.diskOnly.push_back(readPartition(p));
        a.slices.push_back(slice);
    }
}

void readContainers(const Node& j, Adapter& a) {
    for (const Node& c : j.elements("list")) {
        ContainerRecord record;
        record.type = c.value("type", record.type);
        record.userFlags = c.value("flags", std::uint16_t(0));
        record.uid = c.value("uid", 0u);
        const std::string label = c.value("label", std::string());
        if (label.size() > record.label.size())
            c.at("label").refuse("longer than " + std::to_string(record.label.size()) +
                                 " characters");
        std::memcpy(record.label.data(), label.data(), label.size());
        record.stateFlags = c.value("stateFlags", 0u);
        if (c.contains("snapshotLinks")) {
            if (c.at("snapshotLinks").size() != record.snapshotLinks.size())
                c.at("snapshotLinks").refuse("expected 3 links");
            readWords(c.at("snapshotLinks"), record.snapshotLinks);
        }
        if (c.contains("snapshotInfo"))
            readWords(c.at("snapshotInfo"), record.snapshotInfo);
        if (c.contains("words"))
            for (const auto& [index, value] : c.at("words").members())
                record.words[static_cast<std::uint32_t>(value.keyIndex(kRecordWords))] =
                    value.get<std::uint32_t>();
        record.members = c.value("members", std::vector<std::uint32_t>());
        const auto number = c.at("number").get<std::uint32_t>();
        if (!a.containers.emplace(number, record).second)
            c.at("number").refuse("container " + std::to_string(number) + " is described twice");
    }
    a.containerCount = j.value("count", static_cast<std::uint32_t>(a.containers.size()));
    a.firstHiddenContainer = j.value("firstHidden", a.containerCount);
    a.partitionCapacity = j.value("partitionCapacity", a.partitionCapacity);
}

void readAdapter(const Node& j, Adapter& a) {
    setDefaults(a);
    a.accessDenied = j.value("accessDenied", false);
    a.paused = j.value("paused", false);
    if (j.contains("firmware"))
        readRevision(j.at("firmware"), a.firmwareCompatible, a.firmware);
    if (j.contains("driver"))
        readRevision(j.at("driver"), a.driverCompatible, a.driver);
    if (j.contains("info"))
        readInfo(j.at("info"), a.info);
    if (j.contains("infoWords"))
        readWords(j.at("infoWords"), a.info);
    if (j.contains("pci")) {
        a.pciBus = j.at("pci").value("bus", 0u);
        a.pciSlot = j.at("pci").value("slot", 0u);
    }
    a.scsiMethod = j.value("scsiMethod", a.scsiMethod);
    a.busCount = j.within("buses", 0u, kMostBuses, a.busCount);
    a.maxTarget = j.within("maxTarget", 0u, kMostTarget, a.maxTarget);
    if (j.contains("containerParams"))
        readWords(j.at("containerParams"), a.containerParams);
    if (j.contains("misc"))
        readWords(j.at("misc"), a.miscStatus);
    if (j.contains("serial"))
        readSerial(j.at("serial"), a);
    if (j.contains("containers"))
        readContainers(j.at("containers"), a);
    if (j.contains("slices"))
        readSlices(j.at("slices"), a);
    for (const Node& p : j.elements("partitions"))
        a.partitions.push_back(readPartition(p));
    a.configAge = j.value("configAge", a.configAge);
    a.lastDrive = j.value("lastDrive", a.lastDrive);
    a.coreDumpBytes = j.value("coreDumpBytes", a.coreDumpBytes);
    standin_config::Distinct<std::uint32_t> taskIds;
    for (const Node& t : j.elements("tasks"))
        readTask(t, a, taskIds);
    for (const Node& d : j.elements("hostDisks"))
        readHostDisk(d, a);
}

} // namespace

void registerAdapterModel(Simulator& sim) {
    sim.registerSection("", readAdapter);
}

} // namespace qorsim
