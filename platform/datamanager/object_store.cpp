#include "object_store.h"

#include "configfile/config_node.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace smil_standin {
namespace {

using standin_config::Node;

constexpr std::size_t kHeaderSize = 16;
// Larger than any object the data manager serves; keeps a slip of the
// keyboard from asking for gigabytes.
constexpr std::size_t kLargestObject = 65536;

void putLE(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value,
           std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> hexBytes(const Node& field) {
    const std::string hex = field.get<std::string>();
    if (hex.size() % 2 != 0)
        field.refuse("odd hex length");
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        std::size_t used = 0;
        unsigned long v = 0;
        try {
            v = std::stoul(hex.substr(i, 2), &used, 16);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != 2)
            field.refuse("bad hex \"" + hex + "\"");
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

struct Placement {
    std::size_t at;
    std::vector<std::uint8_t> data;
};

// The kinds of number a field can hold: their width and range.
struct NumberKind {
    const char* key;
    std::size_t width;
    std::int64_t min;
    std::uint64_t max;
};
constexpr NumberKind kNumbers[] = {{"u8", 1, 0, 0xFF},
                                   {"u16", 2, 0, 0xFFFF},
                                   {"u32", 4, 0, 0xFFFFFFFF},
                                   {"i32", 4, INT32_MIN, INT32_MAX}};

// One field's bytes; utf8 texts get a placeholder for their offset.
Placement placeField(const Node& f, std::vector<std::pair<std::size_t, std::string>>& utf8) {
    const std::size_t at = f.at("at").within<std::size_t>(kHeaderSize, kLargestObject - 1);
    Placement p{at, {}};
    for (const NumberKind& kind : kNumbers)
        if (f.contains(kind.key)) {
            const std::uint64_t v =
                f.at(kind.key).within<std::int64_t>(kind.min, static_cast<std::int64_t>(kind.max));
            p.data.assign(kind.width, 0);
            putLE(p.data, 0, v, kind.width);
            return p;
        }
    if (f.contains("text")) {
        const std::string s = f.at("text").get<std::string>();
        p.data.assign(s.begin(), s.end());
        if (!f.value("raw", false))
            p.data.push_back(0);
    } else if (f.contains("hex")) {
        p.data = hexBytes(f.at("hex"));
    } else if (f.contains("utf8")) {
        utf8.emplace_back(at, f.at("utf8").get<std::string>());
        p.data.assign(4, 0);
    } else {
        f.refuse("a field needs one of u8, u16, u32, i32, text, hex or utf8");
    }
    return p;
}

// Lays the fields out; utf8 texts go after the fixed part and their offset is
// written as a u32 at the field's place.
std::vector<Placement> placeFields(const std::vector<Node>& fields) {
    std::vector<Placement> fixed;
    std::vector<std::pair<std::size_t, std::string>> utf8;
    for (const Node& f : fields)
        fixed.push_back(placeField(f, utf8));
    std::size_t end = kHeaderSize;
    for (const Placement& p : fixed)
        end = std::max(end, p.at + p.data.size());
    for (auto& [at, text] : utf8) {
        for (Placement& p : fixed)
            if (p.at == at && p.data.size() == 4)
                putLE(p.data, 0, end, 4);
        Placement s{end, std::vector<std::uint8_t>(text.begin(), text.end())};
        s.data.push_back(0);
        end += s.data.size();
        fixed.push_back(std::move(s));
    }
    return fixed;
}

StoredObject buildObject(const Node& o) {
    StoredObject obj;
    obj.oid = o.at("oid").get<std::uint32_t>();
    obj.type = o.at("type").get<std::uint16_t>();
    obj.parents = o.value("parents", std::vector<std::uint32_t>());
    const std::vector<Node> fieldNodes = o.elements("fields");
    const std::vector<Placement> fields = placeFields(fieldNodes);
    std::size_t end = kHeaderSize;
    for (const Placement& p : fields)
        end = std::max(end, p.at + p.data.size());
    if (end > kLargestObject)
        o.refuse("the fields end at byte " + std::to_string(end) + ", beyond " +
                 std::to_string(kLargestObject));
    const std::size_t size =
        o.contains("size") ? o.at("size").within<std::size_t>(0, kLargestObject) : end;
    const std::size_t allocation = std::max(size, kHeaderSize);
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].at + fields[i].data.size() > allocation)
            (i < fieldNodes.size() ? fieldNodes[i] : o)
                .refuse("the field ends at byte " +
                        std::to_string(fields[i].at + fields[i].data.size()) +
                        ", beyond the object's size " + std::to_string(allocation));
    // The allocation always holds the header; the size word says what the
    // description asks, even when that is shorter than a header.
    obj.bytes.assign(allocation, 0);
    for (const Placement& p : fields)
        std::memcpy(obj.bytes.data() + p.at, p.data.data(), p.data.size());
    putLE(obj.bytes, 0, size, 4);
    putLE(obj.bytes, 4, obj.oid, 4);
    putLE(obj.bytes, 8, obj.type, 2);
    obj.bytes[10] = o.value("status", std::uint8_t{0});
    obj.unreadable = o.value("unreadable", false);
    return obj;
}

} // namespace

ObjectStore ObjectStore::fromJson(const std::string& text) {
    ObjectStore store;
    const standin_config::Document doc(text);
    const Node top = doc.root();
    store.m_ready = top.value("ready", true);
    const std::vector<Node> objects = top.elements("objects");
    for (const Node& o : objects) {
        StoredObject obj = buildObject(o);
        if (store.find(obj.oid))
            o.at("oid").refuse("object " + std::to_string(obj.oid) + " is described twice");
        store.m_objects.push_back(std::move(obj));
    }
    // A module under a parent that is not there would never be listed.
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const std::vector<std::uint32_t>& parents = store.m_objects[i].parents;
        for (std::size_t k = 0; k < parents.size(); ++k)
            if (!store.find(parents[k]))
                objects[i].at("parents").at(k).refuse("no object " + std::to_string(parents[k]));
    }
    doc.finish();
    return store;
}

StoredObject* ObjectStore::find(std::uint32_t oid) {
    for (StoredObject& o : m_objects)
        if (o.oid == oid)
            return &o;
    return nullptr;
}

std::vector<std::uint32_t> ObjectStore::children(std::uint32_t parent, std::uint16_t type) const {
    std::vector<std::uint32_t> out;
    for (const StoredObject& o : m_objects)
        if (o.type == type &&
            std::find(o.parents.begin(), o.parents.end(), parent) != o.parents.end())
            out.push_back(o.oid);
    return out;
}

std::vector<std::uint32_t> ObjectStore::parents(std::uint32_t oid,
                                                const std::uint16_t* type) const {
    std::vector<std::uint32_t> out;
    for (const StoredObject& o : m_objects) {
        if (o.oid != oid)
            continue;
        for (std::uint32_t p : o.parents) {
            if (!type) {
                out.push_back(p);
                continue;
            }
            for (const StoredObject& q : m_objects)
                if (q.oid == p && q.type == *type)
                    out.push_back(p);
        }
    }
    return out;
}

} // namespace smil_standin
