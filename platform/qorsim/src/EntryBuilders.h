#pragma once

// Building partition-table entries for containers the controller makes or
// reshapes (creation, growing, mirroring, promotion, reconfiguration).

#include "qorsim/Model.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace qorsim {

// Fields of a partition-table entry.
constexpr std::size_t kEntryStart = 24;  // blocks from the start of the disk
constexpr std::size_t kEntrySize = 28;   // blocks
constexpr std::size_t kEntrySerial = 32; // 0: the entry is unused
constexpr std::size_t kEntrySlice = 40;  // or the member container of a stand-in
constexpr std::size_t kEntryL0Type = 48;
constexpr std::size_t kEntryL0Number = 52; // u16
constexpr std::size_t kEntryL0Count = 56;  // u16
constexpr std::size_t kEntryL0Index = 60;  // u16
constexpr std::size_t kEntryL1Type = 68;
constexpr std::size_t kMirrorStateByte = 100;
constexpr std::size_t kMirrorPartner = 104; // u16
// The mirror state of a mirror whose sides hold the same data.
constexpr std::uint32_t kMirrorInSync = 2;
// The blocks at the start of a disk that hold its MBR and partition table.
constexpr std::uint32_t kReservedBlocks = 128;

struct Member {
    std::uint32_t slice, offset, size;
};

std::uint32_t serialOf(const Adapter& a);
void putU16(PartitionEntry& e, std::size_t at, std::uint32_t v);
// Appends the entry to the in-memory table: its index.
std::uint32_t addEntry(Adapter& a, const PartitionEntry& e);
// A partition entry of container `n` (level 0) at `index` of `count`.
PartitionEntry memberEntry(const Adapter& a, const Member& m, std::uint32_t type, std::uint32_t n,
                           std::uint32_t index, std::uint32_t count);
// Names the level-1 container `n` (controller type `type`) in which the
// entry is member `index` of `count`.
void putLevel1(PartitionEntry& e, std::uint32_t type, std::uint32_t n, std::uint32_t index,
               std::uint32_t count);
// The entry without an extent through which container `inner` stands in
// container `n` (of controller type `type`) as member `index` of `count`.
PartitionEntry standIn(const Adapter& a, std::uint32_t inner, std::uint32_t type, std::uint32_t n,
                       std::uint32_t index, std::uint32_t count);
// The highest container number that is free, from the hidden range down;
// the count when none is.
std::uint32_t hiddenNumber(const Adapter& a);
// The first free extent of `blocks` blocks on the slice, after its
// reserved blocks and clear of every entry on it; none when there is none.
std::optional<std::uint32_t> freeExtent(const Adapter& a, std::uint32_t slice,
                                        std::uint32_t blocks);
// Whether the entry occupies blocks of a disk (not a stand-in for a member
// container, not unused).
bool hasExtent(const PartitionEntry& e);
// The record's member entries in member order when every member is a
// partition on a disk; empty when one is a container or not in the table.
std::vector<std::uint32_t> partitionMembers(const Adapter& a, const ContainerRecord& r);

} // namespace qorsim
