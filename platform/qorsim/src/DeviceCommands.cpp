// SCSI sub-operations about single drives, the channel bytes of the bus
// information and the reads of a drive's slice; JSON sections "drives" and
// "channels".
#include "CoreHandlers.h"

#include "configfile/config_node.h"

#include <algorithm>
#include <cstring>

namespace qorsim {

Drive* Devices::find(std::uint32_t id) {
    for (Drive& d : drives)
        if (d.id() == id)
            return &d;
    return nullptr;
}

namespace {

using standin_config::Node;

constexpr std::uint32_t kBadStatus = 2;

void putText(std::uint8_t* at, const std::string& text, std::size_t width) {
    std::memset(at, ' ', width);
    std::memcpy(at, text.data(), std::min(text.size(), width));
}

void putBigEndian(std::uint8_t* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// The drive the request names; a missing drive or a short buffer fails it.
Drive* target(ScsiRequest& s, std::size_t minLength) {
    Drive* d = s.adapter.devices.find(s.deviceId);
    if (!d || s.length < minLength)
        s.status = kBadStatus;
    return s.status ? nullptr : d;
}

// Drives are listed by bus, then target, then lun.
std::uint32_t order(std::uint32_t bus, std::uint32_t target, std::uint32_t lun) {
    return bus << 16 | target << 8 | lun;
}
std::uint32_t order(const Drive& d) {
    return order(d.bus, d.target, d.lun);
}

void findDrive(ScsiRequest& s) { // 1: {id, id, kind}; kind 1 first, 2 the next
    if (s.length < 12)
        return void(s.status = kBadStatus);
    const std::uint32_t id = get32(s.data, 4);
    const std::uint32_t after = order(id >> 7 & 63, id & 15, id >> 4 & 7);
    const bool first = get32(s.data, 8) == 1;
    for (const Drive& d : s.adapter.devices.drives)
        if (first || order(d) > after) {
            put32(s.data, 0, d.id());
            return;
        }
    s.status = kBadStatus;
}

void deviceData(ScsiRequest& s) { // 5: the 108-byte inquiry-style record
    Drive* d = target(s, 108);
    if (!d)
        return;
    std::memset(s.data, 0, 108);
    putText(s.data, d->vendor, 8);
    putText(s.data + 8, d->product, 16);
    putText(s.data + 24, d->revision, 4);
    s.data[36] = d->deviceType & 31;
    s.data[44] = d->removable ? 0x80 : 0;
    putText(s.data + 60, d->vendorSpecific, 20);
    s.data[80] = d->ready ? 2 : 0;
    put32(s.data, 92, d->bus);
    put32(s.data, 96, d->target);
    put32(s.data, 100, d->lun);
    s.data[104] = d->transferFlags;
    s.data[105] = d->wide ? 1 : 0;
    s.data[106] = d->transferRate;
}

void capacity(ScsiRequest& s) { // 6
    if (Drive* d = target(s, 8)) {
        put32(s.data, 0, d->blocks);
        put32(s.data, 4, d->bytesPerBlock);
    }
}

void modeSense(ScsiRequest& s) { // 17: page bytes from byte 9
    Drive* d = target(s, 21);
    if (!d)
        return;
    if (!d->smart.readable || (s.data[0] & 0x3F) != 0x1C)
        return void(s.status = kBadStatus);
    const IePage& page = (s.data[0] >> 6) == 1 ? d->smart.changeable : d->smart.current;
    std::memcpy(s.data + 9, page.data(), page.size());
}

void modeSelect(ScsiRequest& s) { // 18: page bytes 2-11 at 12-21
    Drive* d = target(s, 22);
    if (!d)
        return;
    if ((s.data[10] & 0x3F) != 0x1C)
        return void(s.status = kBadStatus);
    ++d->smart.selects;
    if (d->smart.selectIgnored)
        return;
    IePage& cur = d->smart.current;
    const IePage& chg = d->smart.changeable;
    for (std::size_t i = 2; i < cur.size(); ++i) {
        // Interval and report count change whole when their first byte says so.
        const std::uint8_t mask = i < 4 ? chg[i] : (chg[i < 8 ? 4 : 8] ? 0xFF : 0);
        cur[i] = static_cast<std::uint8_t>((cur[i] & ~mask) | (s.data[10 + i] & mask));
    }
}

void startTask(ScsiRequest& s) { // 48: {kind, -, repair, device}
    if (s.length < 16)
        return void(s.status = kBadStatus);
    const std::uint32_t kind = get32(s.data, 0);
    const std::uint32_t id = get32(s.data, 12);
    const Drive* d = s.adapter.devices.find(id);
    if (!d || d->refusesTasks || (kind != 4 && kind != 6))
        return void(s.status = kBadStatus);
    Task t;
    t.id = s.adapter.nextTaskId++;
    t.jobCode = kind == 6 ? 4 : get32(s.data, 8) ? 3 : 2;
    t.objectId = id;
    s.adapter.tasks.push_back(t);
}

void defectCounts(ScsiRequest& s) { // 65
    if (Drive* d = target(s, 12)) {
        put32(s.data, 0, static_cast<std::uint32_t>(d->primaryDefects.size()));
        put32(s.data, 4, static_cast<std::uint32_t>(d->grownDefects.size()));
        put32(s.data, 8, d->defectFormat);
    }
}

void defectPiece(ScsiRequest& s) { // 66: {letter, format, count, start, n}
    Drive* d = target(s, 140);
    if (!d)
        return;
    const std::uint32_t letter = get32(s.data, 0), start = get32(s.data, 12), n = get32(s.data, 16);
    const auto& list = letter == 'p' ? d->primaryDefects : d->grownDefects;
    if ((letter != 'p' && letter != 'g') || get32(s.data, 4) != d->defectFormat ||
        start > list.size() || n > list.size() - start || 20 + 8 * n > s.length)
        return void(s.status = kBadStatus);
    d->defectPieces.push_back({start, n});
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint8_t* at = s.data + 20 + 8 * i;
        const Defect& e = list[start + i];
        at[0] = static_cast<std::uint8_t>(e.cylinder >> 16);
        at[1] = static_cast<std::uint8_t>(e.cylinder >> 8);
        at[2] = static_cast<std::uint8_t>(e.cylinder);
        at[3] = e.head;
        putBigEndian(at + 4, e.sector);
    }
}

void smartCounter(ScsiRequest& s) { // 67
    if (Drive* d = target(s, 8))
        put32(s.data, 0, d->smart.counter);
}

void smartClear(ScsiRequest& s) { // 68: {1}
    Drive* d = target(s, 4);
    if (!d)
        return;
    if (get32(s.data, 0) != 1)
        return void(s.status = kBadStatus);
    d->smart.counter = 0;
    ++d->smart.clears;
}

void smartUpdate(ScsiRequest& s) { // 70: {7, 0}
    Drive* d = target(s, 8);
    if (!d)
        return;
    if (get32(s.data, 0) != 7)
        return void(s.status = kBadStatus);
    ++d->smart.updates;
}

// Bus information with the channel bytes.
void busInfo(ScsiRequest& s) { // 9
    if (s.length < 12)
        return void(s.status = kBadStatus);
    put32(s.data, 4, s.adapter.busCount);
    put32(s.data, 8, s.adapter.maxTarget);
    const Devices& dev = s.adapter.devices;
    for (std::size_t i = 0; i < dev.channelBytes.size(); ++i) {
        if (12 + i < s.length)
            s.data[12 + i] = dev.channelBytes[i];
        if (22 + i < s.length)
            s.data[22 + i] = dev.channelStates[i];
    }
}

// READ_DATA of a slice, counted as a read of the slice's drive.
void readData(CtRequest& c) {
    if (c.param[0] >= c.adapter.slices.size())
        return void(c.reply[0] = 207);
    const Slice& slice = c.adapter.slices[c.param[0]];
    if (Drive* d = c.adapter.devices.find(slice.driveId)) {
        ++d->blockReads;
        d->readsOutOfRange += c.param[1] >= d->blocks;
    }
    c.reply[0] = 208;
    c.data.assign(c.replyCapacity, 0);
    const std::size_t from = std::size_t(c.param[1]) * 512;
    if (from < slice.data.size())
        std::memcpy(c.data.data(), slice.data.data() + from,
                    std::min(c.data.size(), slice.data.size() - from));
}

IePage readPage(const Node& j, IePage page) {
    page[2] = j.value("flags", page[2]);
    page[3] = j.value("mrie", page[3]);
    putBigEndian(page.data() + 4, j.value("interval", 0u));
    putBigEndian(page.data() + 8, j.value("reportCount", 0u));
    return page;
}

// Made-up defects a count may ask for in one list.
constexpr std::uint32_t kMostMadeUpDefects = 65536;

std::vector<Defect> readDefects(const Node& j) {
    std::vector<Defect> out;
    if (j.json().is_number()) { // a count of made-up entries
        const std::uint32_t count = j.within(0u, kMostMadeUpDefects);
        for (std::uint32_t i = 0; i < count; ++i)
            out.push_back({1000 + i, static_cast<std::uint8_t>(i % 16), 7 * i});
        return out;
    }
    for (const Node& e : j.elements()) {
        if (e.size() != 3)
            e.refuse("expected [cylinder, head, sector]");
        out.push_back({e.at(0).within(0u, 0xFFFFFFu), e.at(1).get<std::uint8_t>(),
                       e.at(2).get<std::uint32_t>()});
    }
    return out;
}

// A drive's place: on one of the adapter's buses, at one of its targets, and
// a lun its id can hold (3 bits).
void readAddress(const Node& e, const Adapter& a, Drive& d) {
    d.bus = e.value("bus", d.bus);
    d.target = e.value("target", d.target);
    d.lun = e.within<std::uint8_t>("lun", 0, 7, d.lun);
    if (d.bus >= a.busCount)
        e.place("bus").refuse("the adapter has no bus " + std::to_string(d.bus) + " (it has " +
                              std::to_string(a.busCount) + ")");
    if (d.target > a.maxTarget)
        e.place("target").refuse("the adapter has no target " + std::to_string(d.target) +
                                 " (its highest is " + std::to_string(a.maxTarget) + ")");
}

void readDrives(const Node& j, Adapter& a) {
    standin_config::Distinct<std::uint32_t> addresses;
    for (const Node& e : j.elements()) {
        Drive d;
        readAddress(e, a, d);
        addresses.add(order(d), e,
                      "the drive at bus " + std::to_string(d.bus) + ", target " +
                          std::to_string(d.target) + ", lun " + std::to_string(d.lun));
        d.deviceType = e.value("type", d.deviceType);
        d.ready = e.value("ready", d.ready);
        d.removable = e.value("removable", d.removable);
        d.vendor = e.value("vendor", d.vendor);
        d.product = e.value("product", d.product);
        d.revision = e.value("revision", d.revision);
        d.vendorSpecific = e.value("vendorSpecific", d.vendorSpecific);
        d.blocks = e.value("blocks", d.blocks);
        d.bytesPerBlock = e.value("bytesPerBlock", d.bytesPerBlock);
        d.transferFlags = e.value("transferFlags", d.transferFlags);
        d.wide = e.value("wide", d.wide);
        d.transferRate = e.value("rate", d.transferRate);
        d.refusesTasks = e.value("refusesTasks", false);
        if (e.contains("smart")) {
            const Node s = e.at("smart");
            d.smart.readable = s.value("readable", true);
            d.smart.current = readPage(s, d.smart.current);
            if (s.contains("changeable"))
                d.smart.changeable = readPage(s.at("changeable"), d.smart.changeable);
            d.smart.counter = s.value("counter", 0u);
            d.smart.selectIgnored = s.value("selectIgnored", false);
        }
        if (e.contains("primaryDefects"))
            d.primaryDefects = readDefects(e.at("primaryDefects"));
        if (e.contains("grownDefects"))
            d.grownDefects = readDefects(e.at("grownDefects"));
        a.devices.drives.push_back(d);
    }
    std::sort(a.devices.drives.begin(), a.devices.drives.end(),
              [](const Drive& x, const Drive& y) { return order(x) < order(y); });
}

template <std::size_t N>
void readBytes(const Node& j, const char* key, std::array<std::uint8_t, N>& out) {
    if (!j.contains(key))
        return;
    const auto bytes = j.at(key).get<std::vector<std::uint8_t>>();
    if (bytes.size() > N)
        j.at(key).refuse("more than " + std::to_string(N) + " bytes");
    std::copy(bytes.begin(), bytes.end(), out.begin());
}

void readChannels(const Node& j, Adapter& a) {
    readBytes(j, "bytes", a.devices.channelBytes);
    readBytes(j, "states", a.devices.channelStates);
}

} // namespace

void registerDeviceCommands(Simulator& sim) {
    sim.registerSection("drives", readDrives);
    sim.registerSection("channels", readChannels);
    sim.registerScsi(1, findDrive);
    sim.registerScsi(5, deviceData);
    sim.registerScsi(6, capacity);
    sim.registerScsi(9, busInfo);
    sim.registerScsi(17, modeSense);
    sim.registerScsi(18, modeSelect);
    sim.registerScsi(48, startTask);
    sim.registerScsi(65, defectCounts);
    sim.registerScsi(66, defectPiece);
    sim.registerScsi(67, smartCounter);
    sim.registerScsi(68, smartClear);
    sim.registerScsi(70, smartUpdate);
    sim.registerContainer(90, readData);
}

} // namespace qorsim
