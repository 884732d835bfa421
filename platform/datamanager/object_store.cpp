#include "object_store.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace smil_standin {
namespace {

using nlohmann::json;

constexpr std::size_t kHeaderSize = 16;

[[noreturn]] void fail(std::uint32_t oid, const std::string& why) {
    throw std::runtime_error("object " + std::to_string(oid) + ": " + why);
}

void putLE(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value,
           std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> hexBytes(std::uint32_t oid, const std::string& hex) {
    if (hex.size() % 2 != 0)
        fail(oid, "odd hex length");
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
            fail(oid, "bad hex \"" + hex + "\"");
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

struct Placement {
    std::size_t at;
    std::vector<std::uint8_t> data;
};

// Lays the fields out; utf8 texts go after the fixed part and their offset is
// written as a u32 at the field's place.
std::vector<Placement> placeFields(std::uint32_t oid, const json& fields) {
    std::vector<Placement> fixed;
    std::vector<std::pair<std::size_t, std::string>> utf8;
    for (const json& f : fields) {
        if (!f.contains("at"))
            fail(oid, "field without \"at\"");
        const std::size_t at = f.at("at").get<std::size_t>();
        Placement p{at, {}};
        auto number = [&](const char* key, std::size_t width) {
            p.data.assign(width, 0);
            const std::uint64_t v =
                f.at(key).is_number_integer() && f.at(key).get<std::int64_t>() < 0
                    ? static_cast<std::uint64_t>(f.at(key).get<std::int64_t>())
                    : f.at(key).get<std::uint64_t>();
            for (std::size_t i = 0; i < width; ++i)
                p.data[i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        if (f.contains("u8"))
            number("u8", 1);
        else if (f.contains("u16"))
            number("u16", 2);
        else if (f.contains("u32"))
            number("u32", 4);
        else if (f.contains("i32"))
            number("i32", 4);
        else if (f.contains("text")) {
            const std::string s = f.at("text").get<std::string>();
            p.data.assign(s.begin(), s.end());
            if (!f.value("raw", false))
                p.data.push_back(0);
        } else if (f.contains("hex"))
            p.data = hexBytes(oid, f.at("hex").get<std::string>());
        else if (f.contains("utf8")) {
            utf8.emplace_back(at, f.at("utf8").get<std::string>());
            p.data.assign(4, 0);
        } else
            fail(oid, "field of unknown kind");
        fixed.push_back(std::move(p));
    }
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

StoredObject buildObject(const json& o) {
    StoredObject obj;
    obj.oid = o.at("oid").get<std::uint32_t>();
    obj.type = o.at("type").get<std::uint16_t>();
    if (o.contains("parents"))
        obj.parents = o.at("parents").get<std::vector<std::uint32_t>>();
    const std::vector<Placement> fields = placeFields(obj.oid, o.value("fields", json::array()));
    std::size_t end = kHeaderSize;
    for (const Placement& p : fields)
        end = std::max(end, p.at + p.data.size());
    const std::size_t size = o.contains("size") ? o.at("size").get<std::size_t>() : end;
    const std::size_t allocation = std::max(size, kHeaderSize);
    for (const Placement& p : fields)
        if (p.at + p.data.size() > allocation)
            fail(obj.oid, "field at " + std::to_string(p.at) + " lies beyond the size");
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
    try {
        const json doc = json::parse(text);
        store.m_ready = doc.value("ready", true);
        for (const json& o : doc.value("objects", json::array())) {
            StoredObject obj = buildObject(o);
            if (store.find(obj.oid))
                fail(obj.oid, "duplicate OID");
            store.m_objects.push_back(std::move(obj));
        }
    } catch (const json::exception& e) {
        throw std::runtime_error(std::string("bad data manager description: ") + e.what());
    }
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
