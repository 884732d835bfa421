// File-system and NVRAM commands (FIB 300), battery registers (SCSI method
// 3), flash transfers (SCSI sub-operation 82) and bus resets (22). JSON:
//   "nvram": {"state": 0, "battery": 0, "word107": 0, "word108": 0, "response": 0, "commandStatus":
//   0}, "battery": {"<register code>": value, ...}, "flash": {"identity": [a, b, c, d],
//   "biosBytes": N, "firmwareBytes": N, "seed": N}
#include "CoreHandlers.h"

#include "configfile/config_node.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qorsim {

namespace {

using standin_config::Node;

constexpr std::uint32_t kNvramRequestClass = 30;
constexpr std::uint32_t kBatteryMethod = 3;
constexpr std::uint32_t kSmartBattery = 0x500000;
constexpr std::uint32_t kNewBattery = 0xF0000;
const std::uint32_t kBatteryCodes[] = {0x08,  0x20,  0x70,    0x80,    0x90,        0xF0,
                                       0x100, 0x800, 0x80000, 0xA0000, kNewBattery, kSmartBattery};

void nvramCommand(FibRequest& r) {
    const NvramModel& n = r.adapter.maint.nvram;
    if (r.word(0) != kNvramRequestClass) {
        r.setWord(0, 1);
        return;
    }
    const std::uint32_t command = r.word(1);
    std::uint8_t* payload = r.fib + kFibHeader;
    std::memset(payload, 0, 436);
    r.setWord(0, n.response);
    r.setWord(1, command == 1 || command == 10 ? n.commandStatus : 1);
    if (command == 10 && n.commandStatus == 0)
        ++r.adapter.maint.nvram.reconditions;
    r.setWord(2, n.state);
    r.setWord(3, n.battery);
    r.setWord(107, n.word107);
    r.setWord(108, n.word108);
    r.setReplySize(kFibHeader + 436);
}

// Register reads of 2 or 4 bytes; the smart battery's record; the new
// battery's date written.
void batteryRegister(ScsiRequest& s) {
    if (s.method != kBatteryMethod) {
        s.status = 1;
        return;
    }
    auto& regs = s.adapter.maint.batteryRegisters;
    if (s.subOperation == kNewBattery && s.length == 2) {
        s.adapter.maint.newBatteryWrites.push_back(get16(s.data, 0));
        return;
    }
    auto it = regs.find(s.subOperation);
    if (it == regs.end()) {
        s.status = 1;
        return;
    }
    if (s.subOperation == kSmartBattery) {
        for (std::size_t off = 8; off + 2 <= s.length && off <= 18; off += 2) {
            auto field = regs.find(kSmartBattery + static_cast<std::uint32_t>(off));
            put16(s.data, off, static_cast<std::uint16_t>(field == regs.end() ? 0 : field->second));
        }
        return;
    }
    if (s.length >= 4)
        put32(s.data, 0, it->second);
    else if (s.length >= 2)
        put16(s.data, 0, static_cast<std::uint16_t>(it->second));
}

void flashTransfer(ScsiRequest& s) {
    FlashModel& f = s.adapter.maint.flash;
    if (s.length < 236) {
        s.status = 1;
        return;
    }
    const std::uint32_t offset = get32(s.data, 0);
    const std::uint32_t length = std::min<std::uint32_t>(get32(s.data, 4), 224);
    std::uint8_t* piece = s.data + 12;
    switch (get32(s.data, 8)) {
    case 17:
        put32(s.data, 0, f.identity[0] | f.identity[1] << 16);
        put32(s.data, 4, f.identity[2] | f.identity[3] << 16);
        return;
    case 0x120C8:
    case 0x12078: {
        const auto& region = get32(s.data, 8) == 0x120C8 ? f.bios : f.firmware;
        const std::uint32_t n =
            offset >= region.size()
                ? 0
                : std::min<std::uint32_t>(length,
                                          static_cast<std::uint32_t>(region.size() - offset));
        std::memcpy(piece, region.data() + offset, n);
        put32(s.data, 4, n);
        return;
    }
    case 0x1206D:
    case 0x1205A:
        f.writing = true;
        f.writingBios = get32(s.data, 8) == 0x1206D;
        f.pending.assign(get32(s.data, 4), 0);
        return;
    case 0x12033:
        if (!f.writing || offset > f.pending.size() || length > f.pending.size() - offset) {
            s.status = 1;
            return;
        }
        std::memcpy(f.pending.data() + offset, piece, length);
        return;
    case 0x12066:
        if (!f.writing) {
            s.status = 1;
            return;
        }
        if (!f.ignoreWrites)
            (f.writingBios ? f.bios : f.firmware) = f.pending;
        f.writing = false;
        ++f.completed;
        return;
    default:
        s.status = 1;
    }
}

std::vector<std::uint8_t> pattern(std::size_t bytes, std::uint32_t seed) {
    std::vector<std::uint8_t> out(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = static_cast<std::uint8_t>((i * 2654435761u + seed) >> 13);
    return out;
}

void readNvram(const Node& j, Adapter& a) {
    NvramModel& n = a.maint.nvram;
    n.state = j.value("state", n.state);
    n.battery = j.value("battery", n.battery);
    n.word107 = j.value("word107", n.word107);
    n.word108 = j.value("word108", n.word108);
    n.response = j.value("response", n.response);
    n.commandStatus = j.value("commandStatus", n.commandStatus);
}

// Registers by address, written in decimal or as 0x...
void readBattery(const Node& j, Adapter& a) {
    for (const auto& [key, value] : j.members()) {
        char* end = nullptr;
        errno = 0;
        const unsigned long address = std::strtoul(key.c_str(), &end, 0);
        if (key.empty() || *end != '\0' || errno != 0 || address > 0xFFFFFFFFu || key[0] == '-')
            value.refuse("expected a register address as the key");
        a.maint.batteryRegisters[static_cast<std::uint32_t>(address)] = value.get<std::uint32_t>();
    }
}

// The largest flash image the stand-in makes up (a real part's are a few MiB).
constexpr std::uint32_t kMostFlashBytes = 16 << 20;

void readFlash(const Node& j, Adapter& a) {
    FlashModel& f = a.maint.flash;
    if (j.contains("identity")) {
        const std::vector<Node> identity = j.at("identity").elements();
        if (identity.size() > f.identity.size())
            j.at("identity").refuse("more than " + std::to_string(f.identity.size()) + " words");
        for (std::size_t i = 0; i < identity.size(); ++i)
            f.identity[i] = identity[i].within(0u, 0xFFFFu);
    }
    const std::uint32_t seed = j.value("seed", 7u);
    f.bios = pattern(j.within("biosBytes", 0u, kMostFlashBytes, 0u), seed);
    f.firmware = pattern(j.within("firmwareBytes", 0u, kMostFlashBytes, 0u), seed + 1);
}

} // namespace

void registerMaintenanceCommands(Simulator& sim) {
    sim.registerFib(300, nvramCommand);
    for (std::uint32_t code : kBatteryCodes)
        sim.registerScsi(code, batteryRegister);
    sim.registerScsi(82, flashTransfer);
    sim.registerScsi(22, [](ScsiRequest& s) {
        if (s.length < 4 || get32(s.data, 0) >= s.adapter.busCount) {
            s.status = 1;
            return;
        }
        s.adapter.maint.busResets.push_back(get32(s.data, 0));
    });
    sim.registerSection("nvram", readNvram);
    sim.registerSection("battery", readBattery);
    sim.registerSection("flash", readFlash);
}

} // namespace qorsim
