// The drives a simulated controller sees on its channels: inquiry data,
// capacity, informational-exceptions (SMART) settings, defect lists, and
// the reads made of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qorsim {

// The informational-exceptions control mode page (page code 0x1C): bytes
// 0-11 as MODE SENSE returns them (code, length 10, flags, MRIE, interval
// timer and report count most significant byte first).
using IePage = std::array<std::uint8_t, 12>;

struct SmartModel {
    bool readable = true; // MODE SENSE of the page succeeds
    IePage current{0x1C, 10};
    IePage changeable{0x1C, 10};
    std::uint32_t counter = 0;
    bool selectIgnored = false; // MODE SELECT is accepted but changes nothing
    std::uint32_t selects = 0;
    std::uint32_t clears = 0;
    std::uint32_t updates = 0;
};

struct Defect {
    std::uint32_t cylinder = 0; // 24 bits
    std::uint8_t head = 0;
    std::uint32_t sector = 0;
};

struct Drive {
    std::uint8_t bus = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
    std::uint8_t deviceType = 0; // SCSI peripheral device type
    bool ready = true;
    bool removable = false;
    std::string vendor = "QORSIM";
    std::string product = "VIRTUAL DISK";
    std::string revision = "1.00";
    std::string vendorSpecific; // 20 characters of further identification
    std::uint32_t blocks = 0x100000;
    std::uint32_t bytesPerBlock = 512;
    std::uint8_t transferFlags = 0; // bit 0, bit 2
    bool wide = true;
    std::uint8_t transferRate = 40;
    SmartModel smart;
    std::vector<Defect> primaryDefects;
    std::vector<Defect> grownDefects;
    std::uint32_t defectFormat = 0x55; // passed back by the list requests
    std::vector<std::pair<std::uint32_t, std::uint32_t>> defectPieces; // {start, count} asked
    bool refusesTasks = false;         // verify and zero answer a bad status
    std::uint32_t blockReads = 0;      // 512-byte reads of the drive's slice
    std::uint32_t readsOutOfRange = 0; // reads at or past the capacity

    std::uint32_t id() const {
        return std::uint32_t(bus & 63) << 7 | std::uint32_t(lun & 7) << 4 | (target & 15);
    }
};

struct Devices {
    std::vector<Drive> drives; // ordered by bus, target, lun
    // Bus information: one byte per channel from byte 12, the channel state
    // from byte 22.
    std::array<std::uint8_t, 10> channelBytes{};
    std::array<std::uint8_t, 10> channelStates{};

    Drive* find(std::uint32_t id);
};

} // namespace qorsim
