// Card objects read from the data manager. Every read is checked: an object
// shorter than its type's layout, or an entry object longer than the copy area
// that every entry change works on, counts as missing, and field reads never
// leave the object.
#pragma once

#include "host.h"

#include <cstdint>
#include <string>

namespace telmda {

// Bounded reads over an object image whose first word is its size.
class ObjectView {
public:
    explicit ObjectView(const void* object);

    bool valid() const { return m_bytes != nullptr; }
    std::uint32_t size() const { return m_size; }
    std::uint32_t oid() const { return u32(4); }
    std::uint16_t type() const { return u16(8); }
    std::uint8_t status() const { return u8(10); }

    // Numbers outside the object read as 0.
    std::uint8_t u8(std::size_t offset) const;
    std::uint16_t u16(std::size_t offset) const;
    std::uint32_t u32(std::size_t offset) const;
    // The text at offset, cut at its terminator, its width (0 = none) and the
    // object's end.
    std::string text(std::size_t offset, std::size_t width) const;
    const std::uint8_t* bytes() const { return m_bytes; }

private:
    std::uint64_t number(std::size_t offset, std::size_t width) const;

    const std::uint8_t* m_bytes = nullptr;
    std::uint32_t m_size = 0;
};

// An object owned until released through the data manager.
class CardObject {
public:
    CardObject() = default;
    // Takes ownership; an object of a bad size is released at once.
    explicit CardObject(void* raw);

    static CardObject byOid(std::uint32_t oid);
    static CardObject byType(std::uint32_t parent, std::uint16_t type, std::uint32_t instance);
    // Instance 0 of a card object type under the card root.
    static CardObject cardObject(std::uint16_t type);

    // Users, trap destinations, dial-in users and demand dial-out entries.
    static bool isEntryType(std::uint16_t type);

    explicit operator bool() const { return m_raw != nullptr; }
    // Copies the object into a copy area (TELMDA_COPY_AREA_SIZE bytes), never
    // more than the area holds.
    void copyTo(void* area) const;
    const ObjectView& view() const { return m_view; }
    const void* raw() const { return m_raw.get(); }
    void* release() { return m_raw.release(); }

private:
    SmilPtr m_raw;
    ObjectView m_view{nullptr};
};

} // namespace telmda
