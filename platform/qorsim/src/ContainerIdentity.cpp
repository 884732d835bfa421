// Container unique ids (by number and by one of the container's
// partitions), labels and mirror delays.
#include "CoreHandlers.h"

#include <cstring>

namespace qorsim {

namespace {

constexpr std::uint32_t kCtOk = 218;
constexpr std::uint32_t kNoContainer = 12;

// A loaded container's id, else one derived from the number (a container
// known only from its partitions keeps a stable id too).
std::uint32_t uidOf(const Adapter& a, std::uint32_t n) {
    auto it = a.containers.find(n);
    if (it != a.containers.end() && it->second.uid)
        return it->second.uid;
    return 0x5A000000u | (a.index << 16) | (n & 0xFFFF);
}

} // namespace

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
        const std::uint8_t* p = c.in;
        std::uint32_t n = 0;
        switch (c.param[0]) {
        case 0:
            n = static_cast<std::uint32_t>(p[52] | p[53] << 8);
            break;
        case 1:
            n = static_cast<std::uint32_t>(p[72] | p[73] << 8);
            break;
        default:
            // A snapshot reference when the partition has one, else the
            // top-most container it belongs to.
            if (p[59] != p[58])
                n = p[59];
            else if (p[54])
                n = p[54];
            else
                n = get32(p, 68) ? get16(p, 72) : get16(p, 52);
            break;
        }
        c.reply[1] = uidOf(c.adapter, n);
        c.reply[0] = kCtOk;
    });
}

} // namespace qorsim
