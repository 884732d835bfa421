// The cache commands: SET_CACHE_SIZE 135, CACHE_SET 111 (the container's
// settings land in its partitions, bytes 137 read and 136 write), CACHE_STAT
// 112, FLUSH_CACHE 129, TOSS_CACHE 132. JSON: "cache": {"header": {"5": 4096},
// "slots": [{"container": 3, "words": {"2": 5, "5": 1}}]}.
#include "CoreHandlers.h"

#include "configfile/config_node.h"

namespace qorsim {

namespace {

constexpr std::uint32_t kCtOk = 218;
constexpr std::size_t kHeaderBytes = 80;
constexpr std::size_t kSlotBytes = 92;
constexpr std::size_t kL0Number = 52;
constexpr std::size_t kL0Type = 48;
constexpr std::size_t kWriteSetting = 136;
constexpr std::size_t kReadSetting = 137;

void setSizes(CtRequest& c) {
    CacheModel& m = c.adapter.cache;
    c.reply[0] = m.sizeStatus;
    if (m.sizeStatus != kCtOk)
        return;
    m.header[5] = c.param[0];
    m.header[8] = c.param[1];
}

void setContainer(CtRequest& c) {
    CacheModel& m = c.adapter.cache;
    c.reply[0] = m.setStatus;
    if (m.setStatus != 264)
        return;
    const std::uint32_t n = get32(c.in, 0);
    for (auto& p : c.adapter.partitions) {
        if (get32(p.data(), kL0Type) == 0 || get16(p.data(), kL0Number) != n)
            continue;
        p[kReadSetting] = static_cast<std::uint8_t>(get32(c.in, 4));
        p[kWriteSetting] = static_cast<std::uint8_t>(get32(c.in, 8));
    }
}

void statistics(CtRequest& c) {
    const CacheModel& m = c.adapter.cache;
    c.reply[0] = m.statStatus;
    c.data.assign(c.replyCapacity, 0);
    for (std::size_t w = 0; w < m.header.size() && 4 * (w + 1) <= c.data.size(); ++w)
        put32(c.data.data(), 4 * w, m.header[w]);
    for (const auto& [n, slot] : m.slots) {
        const std::size_t at = kHeaderBytes + kSlotBytes * n;
        if (at + kSlotBytes > c.data.size())
            continue;
        for (std::size_t w = 0; w < slot.size(); ++w)
            put32(c.data.data(), at + 4 * w, slot[w]);
    }
}

void flush(CtRequest& c) {
    auto it = c.adapter.cache.slots.find(c.param[0]);
    if (it != c.adapter.cache.slots.end())
        it->second[3] = 0;
    c.reply[0] = kCtOk;
}

void toss(CtRequest& c) {
    auto it = c.adapter.cache.slots.find(c.param[0]);
    c.reply[1] = 0;
    if (it != c.adapter.cache.slots.end()) {
        c.reply[1] = it->second[2];
        it->second[2] = 0;
    }
    c.reply[0] = kCtOk;
}

void load(const standin_config::Node& j, Adapter& a) {
    CacheModel& m = a.cache;
    if (j.contains("header"))
        for (const auto& [key, value] : j.at("header").members())
            m.header[value.keyIndex(m.header.size())] = value.get<std::uint32_t>();
    for (const standin_config::Node& s : j.elements("slots")) {
        CacheSlot slot{};
        if (s.contains("words"))
            for (const auto& [key, value] : s.at("words").members())
                slot[value.keyIndex(slot.size())] = value.get<std::uint32_t>();
        m.slots[s.at("container").get<std::uint32_t>()] = slot;
    }
}

} // namespace

void registerCacheCommands(Simulator& sim) {
    sim.registerContainer(135, setSizes);
    sim.registerContainer(111, setContainer);
    sim.registerContainer(112, statistics);
    sim.registerContainer(129, flush);
    sim.registerContainer(132, toss);
    sim.registerSection("cache", load);
}

} // namespace qorsim
