// Disk sets, cluster information, NVRAM and battery, and flash memory of a
// simulated controller.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qorsim {

struct DiskSet {
    std::uint64_t number = 0;
    std::uint64_t creator = 0;
    std::array<char, 32> label{};
    std::uint32_t generation = 1;
    std::uint32_t flags = 4; // 4 held, 16 mixed channels, 32 attached
    std::uint32_t attributes = 0;
    std::uint64_t owner = 0;
    std::uint64_t stamp = 0;
    std::vector<std::uint32_t> members; // internal drive ids
};

struct ClusterInfo {
    std::string name;
    std::array<std::uint8_t, 16> field{};
    std::uint64_t id = 0;
    std::uint32_t sharedMask = 0;     // bit n: bus n is shared with the partner
    std::vector<std::uint8_t> busMap; // partner bus per local bus
};

// One ownership claim as the controller saw it (command 768).
struct Claim {
    std::uint64_t number = 0;
    std::uint32_t operation = 0;
};

struct NvramModel {
    std::uint32_t response = 0;      // reply word 0
    std::uint32_t commandStatus = 0; // reply word 1
    std::uint32_t state = 0;
    std::uint32_t battery = 0;
    std::uint32_t word107 = 0;
    std::uint32_t word108 = 0;
    std::uint32_t reconditions = 0;
};

struct FlashModel {
    std::array<std::uint32_t, 4> identity{};
    std::vector<std::uint8_t> bios;
    std::vector<std::uint8_t> firmware;
    // A transfer in progress: the region being written and its new bytes.
    bool writing = false;
    bool writingBios = false;
    std::vector<std::uint8_t> pending;
    std::uint32_t completed = 0; // transfers completed
    bool ignoreWrites = false;   // a worn part: transfers complete, flash unchanged
};

struct Maintenance {
    std::vector<DiskSet> diskSets;
    ClusterInfo cluster;
    std::vector<Claim> claims;
    std::vector<std::uint32_t> rescans;
    std::string hostInfo; // the host name of the last command 256
    NvramModel nvram;
    // Battery registers read with SCSI method 3 (register code -> value);
    // a code that is missing refuses the read.
    std::map<std::uint32_t, std::uint32_t> batteryRegisters;
    std::vector<std::uint32_t> newBatteryWrites;
    FlashModel flash;
    std::vector<std::uint32_t> busResets;
};

} // namespace qorsim
