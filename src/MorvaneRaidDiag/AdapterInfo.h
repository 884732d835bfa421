#pragma once
// What the controller device keeps of the library's general information.

#include "FsaTypes.h"

#include <array>
#include <cstdint>

namespace VarnDiags::MorvaneRaidDiag {

// One revision: the major number in its last byte, the minor one before it.
struct RevisionRecord {
    std::uint8_t bytes[4];
    unsigned major() const { return bytes[3]; }
    unsigned minor() const { return bytes[2]; }
};

enum RevisionSlot : std::size_t {
    LIBRARY_REVISION = 0,
    FILTER_DRIVER_REVISION = 2,
    DRIVER_REVISION = 3,
    FIRMWARE_REVISION = 4,
};

struct ADAPTER_INFO {
    std::uint8_t block[64]; // carried
    FA_WCHAR adapterTypeText[18];
    std::array<RevisionRecord, 8> revisions;
    std::uint64_t carried[2];
    std::uint16_t pciBus;
    std::uint16_t pciDevice;
    std::uint32_t adapterType;
    std::uint32_t furtherWord;
    bool flags[3];
};

// The fields of the library's record, copied into a cleared ADAPTER_INFO.
ADAPTER_INFO adapterInfoFrom(const FSA_GENERAL_INFO& general);

} // namespace VarnDiags::MorvaneRaidDiag
