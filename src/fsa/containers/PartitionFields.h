#pragma once

// Named fields of the controller's partition-table entry (little-endian).

#include "FsaPartitions.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace par {

constexpr std::size_t kEntry = 0;
constexpr std::size_t kCreation = 4; // 16-byte creation stamp
constexpr std::size_t kAge = 20;
constexpr std::size_t kStart = 24;
constexpr std::size_t kSize = 28;
constexpr std::size_t kSerial = 32;
constexpr std::size_t kIdentity = 36;
constexpr std::size_t kDrive = 40; // the slice in the controller's tables, the drive id in a PCE
constexpr std::size_t kSlice = 44;
constexpr std::size_t kL0Type = 48;
constexpr std::size_t kL0Number = 52;
constexpr std::size_t kSnapA = 54;
constexpr std::size_t kSnapB = 55;
constexpr std::size_t kL0Members = 56;
constexpr std::size_t kRef58 = 58;
constexpr std::size_t kRef59 = 59;
constexpr std::size_t kMemberIndex = 60;
constexpr std::size_t kL1Type = 68;
constexpr std::size_t kL1Number = 72;
constexpr std::size_t kL1Members = 76;
constexpr std::size_t kRelated79 = 79;
constexpr std::size_t kRelated90 = 90;
constexpr std::size_t kRelated91 = 91;
constexpr std::size_t kRelated106 = 106;
constexpr std::size_t kFlags = 112;
constexpr std::size_t kWriteCache = 136; // the container's cache settings
constexpr std::size_t kReadCache = 137;

constexpr std::uint32_t kFlagConfigured = 1u << 0;
constexpr std::uint32_t kFlagListedTwice = 1u << 7;

inline std::uint32_t u32(const Partition& p, std::size_t off) {
    return static_cast<std::uint32_t>(p.bytes[off]) |
           static_cast<std::uint32_t>(p.bytes[off + 1]) << 8 |
           static_cast<std::uint32_t>(p.bytes[off + 2]) << 16 |
           static_cast<std::uint32_t>(p.bytes[off + 3]) << 24;
}
inline std::uint16_t u16(const Partition& p, std::size_t off) {
    return static_cast<std::uint16_t>(p.bytes[off] | p.bytes[off + 1] << 8);
}
inline std::uint8_t u8(const Partition& p, std::size_t off) {
    return p.bytes[off];
}
inline void set32(Partition& p, std::size_t off, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p.bytes[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void set16(Partition& p, std::size_t off, std::uint16_t v) {
    p.bytes[off] = static_cast<std::uint8_t>(v);
    p.bytes[off + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline std::uint32_t start(const Partition& p) {
    return u32(p, kStart);
}
inline std::uint32_t size(const Partition& p) {
    return u32(p, kSize);
}
inline std::uint32_t serial(const Partition& p) {
    return u32(p, kSerial);
}
inline std::uint32_t drive(const Partition& p) {
    return u32(p, kDrive);
}
// The drive id of a drive this adapter does not reach (a cluster partner's).
constexpr std::uint32_t kDriveNotHere = 0xFFFFFFFFu;
inline std::uint32_t l0Type(const Partition& p) {
    return u32(p, kL0Type);
}
inline std::uint16_t l0Number(const Partition& p) {
    return u16(p, kL0Number);
}
inline std::uint32_t l1Type(const Partition& p) {
    return u32(p, kL1Type);
}
inline std::uint16_t l1Number(const Partition& p) {
    return u16(p, kL1Number);
}
inline std::uint32_t flags(const Partition& p) {
    return u32(p, kFlags);
}
inline bool configured(const Partition& p) {
    return (flags(p) & kFlagConfigured) != 0;
}
// Types 1 to 14 record a container at that level.
inline bool levelPresent(std::uint32_t type) {
    return type >= 1 && type <= 14;
}

} // namespace par

// Element helpers used with the cache mutex held.
inline bool PCE_IsFree(const FSA_PARTITION_CACHE_ELEMENT& e) {
    return e.state == FSA_PCE_FREE || e.state == FSA_PCE_FREE_NO_MBR;
}
// Whether the element's entry number indexes the controller's in-memory
// table, so that zeroing that entry reaches this partition. An entry read
// from a disk alone carries whatever number the disk recorded, which the
// controller may since have given to another container's partition.
inline bool PCE_ZeroableByNumber(const FSA_PARTITION_CACHE_ELEMENT& e) {
    return e.state == FSA_PCE_IN_MEMORY || e.state == FSA_PCE_MEMORY_AND_DISK ||
           e.state == FSA_PCE_NO_EXTENT || e.state == FSA_PCE_USED_NO_MBR;
}
inline bool LOCAL_ATTACHED(const FSA_PARTITION_CACHE_ELEMENT* e) {
    return par::drive(e->partition) != par::kDriveNotHere;
}
