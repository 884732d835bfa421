// Container unique ids (by number and by one of the container's
// partitions), labels and mirror delays.
#include "CoreHandlers.h"

#include <algorithm>
#include <cstring>

namespace qorsim {

namespace {

constexpr std::uint32_t kCtOk = 218;
constexpr std::uint32_t kNoContainer = 12;

std::uint32_t uidOf(const Adapter& a, std::uint32_t n) {
    return containerUid(a, n);
}

} // namespace

std::uint32_t containerUid(const Adapter& a, std::uint32_t n) {
    auto it = a.containers.find(n);
    if (it != a.containers.end() && it->second.uid)
        return it->second.uid;
    return 0x5A000000u | (a.index << 16) | (n & 0xFFFF);
}

std::uint32_t partitionContainer(const std::uint8_t* p, std::uint32_t level) {
    const std::uint32_t l0 = static_cast<std::uint32_t>(p[52] | p[53] << 8);
    const std::uint32_t l1 = static_cast<std::uint32_t>(p[72] | p[73] << 8);
    const std::uint32_t l1Type = get32(p, 68);
    const bool hasLevel1 = l1Type >= 1 && l1Type <= 14;
    if (level == 0)
        return l0;
    if (level == 1)
        return l1;
    // The snapshot the partition's own container belongs to: byte 58 names
    // the member of the first of the pair, byte 59 that of the second.
    auto own = [&](std::uint8_t v) { return v == l0 || (hasLevel1 && v == l1); };
    if (p[54] != p[55]) {
        if (p[54] && own(p[58]))
            return p[54];
        if (p[55] && own(p[59]))
            return p[55];
    }
    if (p[59] != p[58])
        return p[59];
    return hasLevel1 ? l1 : l0; // no third level: the top-most container
}

void registerContainerIdentity(Simulator& sim) {
    sim.registerContainer(165, [](CtRequest& c) { // CID_TO_32BITS_UID
        if (!c.adapter.containers.count(c.param[0])) {
            c.reply[0] = kNoContainer;
            return;
        }
        c.reply[1] = uidOf(c.adapter, c.param[0]);
        c.reply[0] = kCtOk;
    });
    sim.registerContainer(131, [](CtRequest& c) { // WRITE_NAME
        auto it = c.adapter.containers.find(c.param[0]);
        if (it != c.adapter.containers.end())
            std::memcpy(it->second.label.data(), c.in, 16);
        c.reply[0] = it != c.adapter.containers.end() ? kCtOk : 196;
    });
    sim.registerContainer(130, [](CtRequest& c) { // READ_NAME
        auto it = c.adapter.containers.find(c.param[0]);
        c.data.assign(16, 0);
        if (it != c.adapter.containers.end())
            std::memcpy(c.data.data(), it->second.label.data(), 16);
        c.reply[0] = it != c.adapter.containers.end() ? kCtOk : 196;
    });
    sim.registerContainer(25, [](CtRequest& c) { // MIRROR_DELAY
        auto it = c.adapter.containers.find(c.param[0]);
        if (it != c.adapter.containers.end())
            it->second.delay = c.param[1];
        c.reply[0] = it != c.adapter.containers.end() ? 0 : 1;
    });
    sim.registerContainer(58, [](CtRequest& c) { // GET_DELAY
        auto it = c.adapter.containers.find(c.param[0]);
        c.reply[1] = it != c.adapter.containers.end() ? it->second.delay : 0;
        c.reply[0] = 152; // CT_GET_DELAY
    });
    sim.registerContainer(167, [](CtRequest& c) { // PAR_TO_32BITS_UID: level in word 0
        c.reply[1] = uidOf(c.adapter, partitionContainer(c.in, std::min(c.param[0], 2u)));
        c.reply[0] = kCtOk;
    });
}

} // namespace qorsim
