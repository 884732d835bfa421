// The stand-in's model of the data manager: objects as byte images with their
// parent links, built from a JSON description.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace smil_standin {

struct StoredObject {
    std::uint32_t oid = 0;
    std::uint16_t type = 0;
    std::vector<std::uint32_t> parents;
    std::vector<std::uint8_t> bytes; // whole object, header included
    bool unreadable = false;         // listed under its parents, but reads of it answer none
};

class ObjectStore {
public:
    static ObjectStore fromJson(const std::string& text);

    bool ready() const { return m_ready; }
    void setReady(bool ready) { m_ready = ready; }

    StoredObject* find(std::uint32_t oid);
    // Children of `parent` of the given type, in description order.
    std::vector<std::uint32_t> children(std::uint32_t parent, std::uint16_t type) const;
    // Parents of `oid` (all, or those of the given type), in description order.
    std::vector<std::uint32_t> parents(std::uint32_t oid, const std::uint16_t* type) const;

private:
    bool m_ready = false;
    std::vector<StoredObject> m_objects;
};

} // namespace smil_standin
