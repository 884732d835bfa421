#pragma once
// The SDM library's property records as this program reads them: fixed
// buffer sizes and field offsets. Every read stays inside the buffer, and
// texts end at their terminator, their limit or the record's end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace VarnDiags::PCIFiberDiag {

constexpr std::size_t NODE_RECORD_SIZE = 388;
constexpr std::size_t PORT_RECORD_SIZE = 160;
constexpr std::size_t CHIP_RECORD_SIZE = 80;

using NodeRecord = std::array<unsigned char, NODE_RECORD_SIZE>;
using PortRecord = std::array<unsigned char, PORT_RECORD_SIZE>;
using ChipRecord = std::array<unsigned char, CHIP_RECORD_SIZE>;

// Node record.
constexpr std::size_t NODE_WWN = 0; // 8 bytes
constexpr std::size_t NODE_DESCRIPTION_FIRST = 8;
constexpr std::size_t NODE_DESCRIPTION_FIRST_MAX = 79;
constexpr std::size_t NODE_DESCRIPTION_SECOND = 88;
constexpr std::size_t NODE_SERIAL_NUMBER = 120;
constexpr std::size_t NODE_SERIAL_NUMBER_MAX = 139;
constexpr std::size_t NODE_DRIVER_VERSION = 152;
constexpr std::size_t NODE_FIRMWARE_VERSION = 184;
constexpr std::size_t NODE_NUMBER_OF_PORTS = 248; // 16-bit

// Chip record (16-bit fields).
constexpr std::size_t CHIP_DEVICE_NUMBER = 2;
constexpr std::size_t CHIP_SUBSYSTEM_ID = 6;
constexpr std::size_t CHIP_BUS_NUMBER = 8;
constexpr std::size_t CHIP_PCI_ID = 10;
constexpr std::size_t CHIP_ADAPTER_TYPE = 28;

template <std::size_t N>
std::uint16_t recordWord(const std::array<unsigned char, N>& record, std::size_t offset) {
    static_assert(N >= 2);
    std::uint16_t value = 0;
    if (offset <= N - 2)
        std::memcpy(&value, record.data() + offset, sizeof value); // the library's byte order
    return value;
}

// The text at `offset`: up to its terminator, at most `maxChars` characters
// and never past the record.
template <std::size_t N>
std::string recordText(const std::array<unsigned char, N>& record, std::size_t offset,
                       std::size_t maxChars = N) {
    std::string text;
    for (std::size_t at = offset; at < N && text.size() < maxChars && record[at] != 0; ++at)
        text += static_cast<char>(record[at]);
    return text;
}

// The node WWN as "21 00 00 e0 8b 01 02 03".
std::string nodeWwnText(const NodeRecord& node);
// The first and second parts of the description, joined by a blank.
std::string nodeDescription(const NodeRecord& node);

} // namespace VarnDiags::PCIFiberDiag
