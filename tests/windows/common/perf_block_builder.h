// Builds performance-data blocks in the system's published layout, so that
// the parser can be fed the shapes the system produces and the ones it must refuse.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace perftest {

constexpr uint32_t kProcessIndex = 230;
constexpr uint32_t kIdProcessIndex = 784;

struct FakeInstance {
    std::u16string name;
    uint32_t id = 0;
};

struct FakeObject {
    uint32_t index = kProcessIndex;
    std::vector<uint32_t> counters{6, kIdProcessIndex, 12};
    std::vector<FakeInstance> instances;
    int32_t declaredInstances = -2; // -2: the real number of instances
};

inline void put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    if (b.size() < at + 4)
        b.resize(at + 4);
    std::memcpy(b.data() + at, &v, 4);
}

inline std::vector<uint8_t> buildObject(const FakeObject& o) {
    std::vector<uint8_t> b(64 + 40 * o.counters.size(), 0);
    put32(b, 4, static_cast<uint32_t>(b.size())); // definition length
    put32(b, 8, 64);                              // header length
    put32(b, 12, o.index);
    put32(b, 32, static_cast<uint32_t>(o.counters.size()));
    int32_t declared =
        o.declaredInstances == -2 ? static_cast<int32_t>(o.instances.size()) : o.declaredInstances;
    put32(b, 40, static_cast<uint32_t>(declared));
    // Counter i lives at 8 + 4 * i of every counter block.
    for (std::size_t i = 0; i < o.counters.size(); ++i) {
        std::size_t at = 64 + 40 * i;
        put32(b, at, 40);
        put32(b, at + 4, o.counters[i]);
        put32(b, at + 36, static_cast<uint32_t>(8 + 4 * i));
    }
    for (const auto& inst : o.instances) {
        std::size_t start = b.size();
        uint32_t nameBytes = static_cast<uint32_t>((inst.name.size() + 1) * 2);
        uint32_t length = (24 + nameBytes + 7) & ~7u;
        b.resize(start + length, 0);
        put32(b, start, length);
        put32(b, start + 16, 24);
        put32(b, start + 20, nameBytes);
        std::memcpy(b.data() + start + 24, inst.name.data(), inst.name.size() * 2);
        std::size_t counters = b.size();
        uint32_t counterBytes = static_cast<uint32_t>(8 + 4 * o.counters.size());
        b.resize(counters + counterBytes, 0);
        put32(b, counters, counterBytes);
        for (std::size_t i = 0; i < o.counters.size(); ++i) {
            if (o.counters[i] == kIdProcessIndex)
                put32(b, counters + 8 + 4 * i, inst.id);
        }
    }
    put32(b, 0, static_cast<uint32_t>(b.size())); // total length
    return b;
}

inline std::vector<uint8_t> buildBlock(const std::vector<FakeObject>& objects) {
    std::vector<uint8_t> b(96, 0);
    std::memcpy(b.data(), u"PERF", 8);
    put32(b, 24, 96); // header length
    put32(b, 28, static_cast<uint32_t>(objects.size()));
    for (const auto& o : objects) {
        auto bytes = buildObject(o);
        b.insert(b.end(), bytes.begin(), bytes.end());
    }
    put32(b, 20, static_cast<uint32_t>(b.size()));
    return b;
}

inline std::vector<FakeInstance> numberedInstances(std::size_t count) {
    std::vector<FakeInstance> v;
    for (std::size_t i = 0; i < count; ++i) {
        std::string n = "proc" + std::to_string(i);
        v.push_back({std::u16string(n.begin(), n.end()), static_cast<uint32_t>(1000 + i)});
    }
    return v;
}

} // namespace perftest
