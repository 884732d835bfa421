#pragma once

#include <cstddef>
#include <cstdint>

namespace haltrix {

constexpr std::size_t kTableCapacity = 256;
constexpr std::size_t kNameBytes = 260;
// Recorded for a process whose id reads 0: no process can be opened by it.
constexpr uint32_t kNoProcessId = 0xFFFFFFFEu;

struct ProcessEntry {
    uint32_t processId;
    uint32_t unused;
    uint32_t matched;
    uint32_t window; // never filled
    char name[kNameBytes];
};

// Fills the table from the first entry with at most capacity - 1 processes;
// answers the number filled, 0 when the listing failed.
std::size_t CollectProcessList(ProcessEntry* table, std::size_t capacity);

} // namespace haltrix
