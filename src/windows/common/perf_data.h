// Pure, bounds-checked readers for the system's performance data: the
// counter-name list of the registry and the data block of one object.
// Nothing here calls the system, so the walk can be checked with crafted bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kor::perf {

// An object or counter index as the counter-name list gives it: the digits
// themselves (used to query the data) and their value (found in the data).
struct CounterIndex {
    std::string text;
    uint32_t value = 0;
};

// Looks up `name` (ignoring case) in the "Counters" list: texts in pairs of
// index and name, ended by an empty text or by the end of the data (the final
// double NUL may be missing). The last match whose preceding text ends in
// digits wins; nothing when no name matches.
std::optional<CounterIndex> findCounterIndex(const char* data, std::size_t size,
                                             std::string_view name);

struct Instance {
    std::u16string name;
    uint32_t processId = 0; // 0 unless an id counter was asked for
};

struct ObjectQuery {
    uint32_t objectIndex = 0;               // the object to find in the block
    std::optional<uint32_t> idCounterIndex; // when set, each instance's id is read
    std::size_t maxInstances = 0;           // instances beyond this are not examined
};

enum class ParseStatus {
    Ok,
    BadHeader,   // too short, no "PERF" signature, header out of bounds
    NoObject,    // no object with the asked index in the block
    BadObject,   // object lengths or counter definitions out of bounds
    NoIdCounter, // the object has no counter of the asked id index
    BadInstance, // an instance or its counter block runs out of bounds
};

// Walks the instances of the asked object in `block` (the `size` bytes the
// system returned). Every length, count and offset is checked against the
// object and the block; a block that breaks one of them yields no instances.
ParseStatus parseObjectInstances(const uint8_t* block, std::size_t size, const ObjectQuery& query,
                                 std::vector<Instance>& out);

} // namespace kor::perf
