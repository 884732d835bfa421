// Container unique ids: by number and by one of the container's partitions.
#include "CoreHandlers.h"

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
            n = p[59] != p[58] ? p[59] : p[54];
            break;
        }
        c.reply[1] = uidOf(c.adapter, n);
        c.reply[0] = kCtOk;
    });
}

} // namespace qorsim
