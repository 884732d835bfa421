#pragma once

// Named fields of the controller's container record (`cttype`, 840 bytes,
// little-endian), read with CT_RecordWord (word index) or byte().

#include "CtWrappers.h"

#include <cstddef>
#include <cstdint>

namespace ctr {

constexpr std::size_t kChunkBlocks = 133; // stripe size in 512-byte blocks

// Words 135 to 139 name related containers (0 where none). The snapshot
// kinds use 135 to 138: creation reports 135 and 136; removal takes the
// snapshot from 137 and the backing container's hidden and visible numbers
// from 136 and 138. A type-5 container's data is 135 and its source 138; a
// type-6 container's data is 136 and its source 137.
constexpr std::size_t kRelatedFirst = 135;
constexpr std::size_t kSnapshotA = 135;
constexpr std::size_t kHiddenBacking = 136;
constexpr std::size_t kSnapshot = 137;
constexpr std::size_t kVisibleBacking = 138;
constexpr std::size_t kRelatedLast = 139;

// Non-zero while the host holds the snapshot's backing container.
constexpr std::size_t kHostHeldByte = 561;

inline std::uint8_t byte(const cttype& record, std::size_t at) {
    return reinterpret_cast<const std::uint8_t*>(&record)[at];
}

} // namespace ctr
