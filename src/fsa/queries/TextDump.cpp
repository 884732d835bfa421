// The partition table and battery reports of the diagnostic text dump.
#include "TextDump.h"

#include "BatteryMethod.h"
#include "ContainerCaches.h"
#include "ScsiCommands.h"
#include "SmallCommands.h"

#include <cstring>

namespace {

std::uint32_t u32(const Partition& p, std::size_t off) {
    std::uint32_t v;
    std::memcpy(&v, p.bytes + off, sizeof v);
    return v;
}
unsigned u16(const Partition& p, std::size_t off) {
    std::uint16_t v;
    std::memcpy(&v, p.bytes + off, sizeof v);
    return v;
}
unsigned u8(const Partition& p, std::size_t off) {
    return p.bytes[off];
}

const char* locationText(std::uint32_t state) {
    static const char* const kTexts[] = {"???", "MEM", "DSK", "BTH", "VIR",
                                         "SPC", "SUS", "DED", "DSP"};
    return state < sizeof kTexts / sizeof *kTexts ? kTexts[state] : "???";
}

const char* typeLetter(unsigned type) {
    switch (type) {
    case 1:
        return "V";
    case 2:
        return "M";
    case 3:
        return "S";
    case 4:
        return "R";
    case 8:
        return "P";
    default:
        return "?";
    }
}

void partitionLine(const Pce& e, FSA_TEXT_CALLBACK cb, void* user) {
    const Partition& p = e.partition;
    if (e.state == FSA_PCE_FREE) {
        MSC_DTprintf(cb, user, "NA %8d %7d %2d (Free Space)\n", u32(p, 24), u32(p, 28), u32(p, 40));
        return;
    }
    const std::uint32_t flags = u32(p, 112);
    const std::uint32_t code = u32(p, 116);
    const unsigned type = u8(p, 48);
    MSC_DTprintf(cb, user, "%2d %8d %7d %2d  %3s:%s  %2d %2d %3d %3d %3d %4d  %s %2d %2s", u8(p, 0),
                 u32(p, 24), u32(p, 28), u32(p, 40),
                 (flags & 1) && !(flags & 0x40000000) ? "CNF" : "!CNF",
                 (code & 3)   ? "fg"
                 : (code & 4) ? "fb"
                              : "??",
                 u16(p, 52), u16(p, 76) ? static_cast<int>(u16(p, 72)) : -1, u16(p, 56), u8(p, 44),
                 u16(p, 88), u8(p, 20), typeLetter(type), u16(p, 60), u32(p, 128) ? "RO" : "RW");
    if (type == 2 || type == 4)
        MSC_DTprintf(cb, user, "  %02x  ", u32(p, 64));
    else
        MSC_DTprintf(cb, user, "      ");
    const MSC_STAMP t = MSC_DecodeStamp(p);
    MSC_DTprintf(cb, user, "0x%02x ", u16(p, 110));
    MSC_DTprintf(cb, user, "%s %2d/%2d/%02d %2d:%2d:%2d %04X-%04X-%04X-%04X %04d %1d\n",
                 locationText(e.state), t.month, t.day, t.year, t.hour, t.minute, t.second,
                 u16(p, 18), u16(p, 16), u16(p, 14), u16(p, 12), u8(p, 4), u8(p, 6));
}

enum class Shown { Plain, MilliAmpHours, MilliVolts, MilliAmps, SpecInfo, Kelvin, Date };

struct BatteryRow {
    std::uint32_t code;
    int bytes;
    const char* label;
    Shown shown;
};

// The voltage register is this controller family's smart-battery voltage.
constexpr BatteryRow kRegisterRows[] = {
    {0x80000, 2, "\nBattery Serial Number:     %s", Shown::Plain},
    {0x80, 2, "\nFull Charge Capacity:      %s", Shown::MilliAmpHours},
    {0xF0, 2, "\nDesign capacity:           %s", Shown::MilliAmpHours},
    {0x70, 2, "\nRemaining Capacity:        %s", Shown::MilliAmpHours},
    {0x90, 2, "\nVoltage:                   %s", Shown::MilliVolts},
    {0x20, 2, "\nCurrent:                   %s", Shown::MilliAmps},
    {0x100, 2, "\nSpecification Information: %s", Shown::SpecInfo},
    {0x08, 2, "\nTemperature:               %s", Shown::Kelvin},
    {0x800, 4, "\nLast recondition date:     %s", Shown::Date},
    {0xA0000, 4, "\nNext recondition date:     %s", Shown::Date},
};

std::string showValue(std::uint32_t v, Shown shown) {
    char text[48];
    const std::uint32_t magnitude = v >= 32768 && v < 65536 ? 65536 - v : v;
    switch (shown) {
    case Shown::Plain:
        std::snprintf(text, sizeof text, "%u", v);
        break;
    case Shown::MilliAmpHours:
        std::snprintf(text, sizeof text, "%u mAh", v);
        break;
    case Shown::MilliVolts:
        std::snprintf(text, sizeof text, "%u mV", v);
        break;
    case Shown::MilliAmps:
        std::snprintf(text, sizeof text, "%u mA", magnitude);
        break;
    case Shown::SpecInfo:
        std::snprintf(text, sizeof text, v >= 32768 ? "%u mA" : "%u", magnitude);
        break;
    case Shown::Kelvin:
        std::snprintf(text, sizeof text, "%u.%u K", v / 10, v % 10);
        break;
    case Shown::Date:
        std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(v));
        break;
    }
    return text;
}

void registerReport(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK cb, void* user) {
    for (const BatteryRow& row : kRegisterRows) {
        std::uint8_t value[4] = {};
        std::string text = "Unknown";
        if (SCSI_BatteryRequest(ctx, row.code, value, row.bytes) == FSA_STS_SUCCESS) {
            std::uint32_t v = value[0] | value[1] << 8;
            if (row.bytes == 4)
                v |= static_cast<std::uint32_t>(value[2]) << 16 |
                     static_cast<std::uint32_t>(value[3]) << 24;
            text = showValue(v, row.shown);
        }
        MSC_DTprintf(cb, user, row.label, text.c_str());
    }
}

void smartBatteryReport(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK cb, void* user) {
    std::uint8_t record[24] = {};
    const bool ok = SCSI_BatteryRequest(ctx, 0x500000, record, sizeof record) == FSA_STS_SUCCESS;
    auto field = [&](std::size_t off, const char* unit) -> std::string {
        if (!ok)
            return "Unknown";
        std::int16_t v;
        std::memcpy(&v, record + off, sizeof v);
        char text[32];
        std::snprintf(text, sizeof text, "%d %s", v, unit);
        return text;
    };
    MSC_DTprintf(cb, user, "\nBattery Serial Number:     NONE");
    MSC_DTprintf(cb, user, "\nFull Charge Capacity:      %s", field(16, "mAh").c_str());
    MSC_DTprintf(cb, user, "\nDesign capacity:           %s", field(14, "mAh").c_str());
    MSC_DTprintf(cb, user, "\nRemaining Capacity:        %s", field(18, "mAh").c_str());
    MSC_DTprintf(cb, user, "\nVoltage:                   %s", field(10, "mV").c_str());
    MSC_DTprintf(cb, user, "\nCurrent:                   %s", field(12, "mA").c_str());
    MSC_DTprintf(cb, user, "\nSpecification Information: NONE");
    MSC_DTprintf(cb, user, "\nTemperature:               %s", field(8, "C").c_str());
    MSC_DTprintf(cb, user, "\nLast recondition date:     NONE");
    MSC_DTprintf(cb, user, "\nNext recondition date:     NONE");
}

constexpr unsigned kHistoryEntries = 100;

// One history buffer; it ends at the first entry the controller lacks.
void historySection(FSAAPI_CONTEXT* ctx, bool lastRun, FSA_TEXT_CALLBACK cb, void* user) {
    MSC_DTprintf(cb, user,
                 lastRun ? "\n\n *** HISTORY BUFFER FROM LAST RUN ***\n\n"
                         : "\n\n *** HISTORY BUFFER FROM CURRENT CONTROLLER RUN ***\n\n");
    bool lineStart = true;
    for (unsigned i = 0; i < kHistoryEntries; ++i) {
        char text[62] = {};
        try {
            CT_GetNvLogEntry(ctx, i, lastRun ? 1 : 0, text);
        } catch (FSA_STATUS s) {
            if (s == FSA_STS_NVRAM_LOG_NOT_FOUND)
                break;
            throw;
        }
        if (lineStart)
            MSC_DTprintf(cb, user, "[%02d]: %s", i, text);
        else
            MSC_DTprintf(cb, user, "%s", text);
        const std::size_t n = std::strlen(text);
        lineStart = n > 0 && text[n - 1] == '\n';
    }
    MSC_DTprintf(cb, user, "\n");
}

} // namespace

void MSC_ShowPartitionTable(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK cb, void* user) {
    CT_WithCache(ctx, [&](const PceList& list) {
        MSC_DTprintf(cb, user, "Partitions:%d\n", static_cast<int>(list.size()));
        MSC_DTprintf(cb, user, "     Start   Sector Drv       Pri Sec Cnt Cfg Dsk     Cn Cn\n");
        MSC_DTprintf(
            cb, user,
            "Par  Sector   Count Num Flags Cnt Cnt Ent Drv Par Age Ty Of R/W Orp Dirty Loc "
            "Date     Time     Serial Number       BN   A\n");
        MSC_DTprintf(
            cb, user,
            "---  ------  ------ --- ----- --- --- --- --- --- --- -- -- --- --- ----- --- "
            "-------- -------- ------------------- ---- -\n");
        for (const Pce& e : list)
            partitionLine(e, cb, user);
        MSC_DTprintf(cb, user, "\n\n");
        return 0;
    });
}

void MSC_ShowBattery(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK cb, void* user) {
    MSC_DTprintf(cb, user, "\n\nBattery Information");
    MSC_DTprintf(cb, user, "\n-------------------");
    if (FsaHasSmartBattery(ctx))
        smartBatteryReport(ctx, cb, user);
    else
        registerReport(ctx, cb, user);
}

void MSC_DumpMassiveTextData(FSAAPI_CONTEXT* ctx, std::uint32_t selector, FSA_TEXT_CALLBACK cb,
                             void* user) {
    if (selector & MSC_DUMP_PARTITIONS)
        MSC_ShowPartitionTable(ctx, cb, user);
    if (selector & MSC_DUMP_CONTAINERS)
        MSC_ShowContainerTable(ctx, cb, user);
    if (selector & MSC_DUMP_BATTERY)
        MSC_ShowBattery(ctx, cb, user);
    if (selector & MSC_DUMP_HISTORY_LAST)
        historySection(ctx, true, cb, user);
    if (selector & MSC_DUMP_HISTORY_CURRENT)
        historySection(ctx, false, cb, user);
}
