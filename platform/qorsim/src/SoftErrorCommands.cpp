// SCSI sub-operation 85: the soft-error record (read or set the reporting
// state, list the disks page by page). JSON: "softErrors": {"state": 1,
// "result": 0, "pageLimit": 28, "disks": [{"bus": 0, "target": 1, "lun": 0,
// "flags": 3}]}.
#include "CoreHandlers.h"

#include "configfile/config_node.h"

namespace qorsim {

namespace {

constexpr std::size_t kRecordBytes = 240;
constexpr std::size_t kEntries = 16;
constexpr std::uint32_t kMaxPerPage = 28;

void answer(ScsiRequest& r) {
    if (r.length < kRecordBytes) {
        r.status = 1;
        return;
    }
    SoftErrors& s = r.adapter.softErrors;
    std::uint8_t* d = r.data;
    std::uint32_t result = 0;
    switch (get32(d, 0)) {
    case 5:
        put32(d, 4, s.state);
        break;
    case 6:
        if (get32(d, 4) <= 2)
            s.state = get32(d, 4);
        else
            result = 2;
        break;
    case 7: {
        const std::uint32_t asked = get32(d, 4);
        const std::uint32_t first = get32(d, 8);
        if (asked == 0) {
            put32(d, 4, static_cast<std::uint32_t>(s.disks.size()));
            break;
        }
        std::uint32_t n = 0;
        for (std::uint32_t i = first;
             i < s.disks.size() && n < asked && n < s.pageLimit && n < kMaxPerPage; ++i, ++n) {
            std::uint8_t* e = d + kEntries + 8 * n;
            e[0] = s.disks[i].bus;
            e[1] = s.disks[i].target;
            e[2] = s.disks[i].lun;
            e[3] = s.disks[i].flags;
            put32(e, 4, i);
        }
        put32(d, 4, n);
        result = 3;
        break;
    }
    default:
        result = 1;
    }
    put32(d, 12, s.forcedResult ? s.forcedResult : result);
}

void load(const standin_config::Node& j, Adapter& a) {
    SoftErrors& s = a.softErrors;
    s.state = j.value("state", 0u);
    s.forcedResult = j.value("result", 0u);
    s.pageLimit = j.value("pageLimit", kMaxPerPage);
    for (const standin_config::Node& d : j.elements("disks")) {
        SoftErrorDisk disk;
        disk.bus = d.value("bus", std::uint8_t(0));
        disk.target = d.value("target", std::uint8_t(0));
        disk.lun = d.value("lun", std::uint8_t(0));
        disk.flags = d.value("flags", std::uint8_t(0));
        s.disks.push_back(disk);
    }
}

} // namespace

void registerSoftErrorCommands(Simulator& sim) {
    sim.registerScsi(85, answer);
    sim.registerSection("softErrors", load);
}

} // namespace qorsim
