#pragma once
// Owning handles on what the data manager hands out: every object and OID
// list is released with SMILFreeGeneric exactly once, on every way out.

#include <cstdint>
#include <cstring>
#include <memory>

#include "smil/smil.h"

namespace VarnDiags::DeviceEnum {

struct SmilFree {
    void operator()(void* p) const { SMILFreeGeneric(p); }
};

// One object: a 16-byte header (u32 size first, u32 OID at offset 4), the
// type's data from byte 16. Reads outside the object's size give 0.
class SmilObject {
public:
    explicit SmilObject(void* object) : m_object(object) {}
    explicit operator bool() const { return m_object != nullptr; }
    const void* get() const { return m_object.get(); }

    std::uint32_t size() const { return raw32(0); }
    std::uint32_t oid() const { return u32(4); }
    std::uint8_t u8(std::uint32_t offset) const { return fits(offset, 1) ? bytes()[offset] : 0; }
    std::uint32_t u32(std::uint32_t offset) const { return fits(offset, 4) ? raw32(offset) : 0; }
    // The UTF-8 text named by the offset stored at `offset`; "" when the
    // data manager has none there.
    const char* utf8(std::uint32_t offset) const {
        const char* text = m_object ? SMILDOGetByOffsetUTF8Str(m_object.get(), offset) : nullptr;
        return text != nullptr ? text : "";
    }

private:
    const std::uint8_t* bytes() const { return static_cast<const std::uint8_t*>(m_object.get()); }
    std::uint32_t raw32(std::uint32_t offset) const {
        std::uint32_t value = 0;
        if (m_object)
            std::memcpy(&value, bytes() + offset, sizeof value);
        return value;
    }
    bool fits(std::uint32_t offset, std::uint32_t length) const {
        const std::uint32_t total = size();
        return m_object && total >= 16 && offset <= total && length <= total - offset;
    }

    std::unique_ptr<void, SmilFree> m_object;
};

// One OID list: a u32 count followed by that many OIDs.
class SmilOidList {
public:
    explicit SmilOidList(std::uint32_t* list) : m_list(list) {}
    explicit operator bool() const { return m_list != nullptr; }
    std::uint32_t count() const { return m_list ? m_list.get()[0] : 0; }
    std::uint32_t operator[](std::uint32_t index) const { return m_list.get()[1 + index]; }

private:
    struct FreeList {
        void operator()(std::uint32_t* p) const { SMILFreeGeneric(p); }
    };
    std::unique_ptr<std::uint32_t, FreeList> m_list;
};

} // namespace VarnDiags::DeviceEnum
