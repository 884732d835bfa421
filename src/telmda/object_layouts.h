// Field layouts of the card objects: what the views write and how long an
// object of each type must be to hold them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace telmda {

struct FieldLayout {
    std::uint16_t offset;
    std::uint16_t width; // bytes; for texts 0 means "to the object's end"
    const char* element;
    std::int32_t kind; // the host writer's value kind
};

struct ObjectLayout {
    std::uint16_t type;
    const char* element;
    const FieldLayout* fields;
    std::size_t fieldCount;
};

// The layout of an object type, or null for a type the module does not read.
const ObjectLayout* layoutOf(std::uint16_t type);
// Bytes an object of the type needs for its fields (16 for unknown types).
std::size_t minimumSize(std::uint16_t type);

} // namespace telmda
