// Destroying a container: a loaded one frees its member partitions; one the
// controller knows only from the partitions left on the disks has every
// entry that still names it zeroed, in memory and on the disks.
#include "CoreHandlers.h"

namespace qorsim {

namespace {

constexpr std::uint32_t kDestroyDone = 59;
constexpr std::uint32_t kBadContainer = 57; // CT_UNLOAD_BAD_CONTAINER
constexpr std::uint32_t kByUid = 2;         // word 2: word 0 is a unique id

bool levelPresent(std::uint32_t type) {
    return type >= 1 && type <= 14;
}

// Whether the entry names the container at any of its levels.
template <class Matches> bool names(const PartitionEntry& p, Matches matches) {
    if (!get32(p.data(), 32))
        return false; // unused entry
    if (levelPresent(get32(p.data(), 48)) && matches(partitionContainer(p.data(), 0)))
        return true;
    if (levelPresent(get32(p.data(), 68)) && matches(partitionContainer(p.data(), 1)))
        return true;
    return matches(partitionContainer(p.data(), 2));
}

template <class Matches> std::uint32_t destroyLeftover(Adapter& a, Matches matches) {
    bool zeroed = false;
    auto zero = [&](PartitionEntry& p) {
        if (names(p, matches)) {
            p.fill(0);
            zeroed = true;
        }
    };
    for (PartitionEntry& p : a.partitions)
        zero(p);
    for (Slice& s : a.slices)
        for (PartitionEntry& p : s.diskOnly)
            zero(p);
    if (!zeroed)
        return kBadContainer;
    ++a.configAge;
    return kDestroyDone;
}

} // namespace

void registerContainerDestroy(Simulator& sim) {
    sim.registerContainer(17, [](CtRequest& c) { // DESTROY_CONTAINER
        Adapter& a = c.adapter;
        const std::uint32_t key = c.param[0];
        const bool byUid = c.param[2] == kByUid;
        auto matches = [&](std::uint32_t n) {
            return byUid ? containerUid(a, n) == key : n == key;
        };
        auto it = a.containers.begin();
        while (it != a.containers.end() && !matches(it->first))
            ++it;
        if (it == a.containers.end()) {
            c.reply[0] = destroyLeftover(a, matches);
            return;
        }
        destroyGroups(a, it->first);
        ++a.configAge;
        c.reply[0] = kDestroyDone;
    });
}

} // namespace qorsim
