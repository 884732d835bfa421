// Container operations that renumber, clear or retire a container:
// MOVE_CONTAINER 21 (the record and its partitions take the new number),
// ZERO_CONTAINER_SPACE 59 (answered as done, or started for the whole
// container), LOCK_DRAIN 133, OFFLINE 134, MAKE_READ_ONLY 51 and
// MAKE_READ_WRITE 52 (marked on the record), UNLOCK_CONTAINER 49 (lifts a
// lock-drain), and the
// scrubs (61, 67, and 141, 142 that only check).
#include "CoreHandlers.h"

namespace qorsim {

namespace {

constexpr std::size_t kL0Type = 48;
constexpr std::size_t kL0Number = 52;

void move(CtRequest& c) {
    const std::uint32_t from = c.param[0], to = c.param[1];
    auto& containers = c.adapter.containers;
    auto it = containers.find(from);
    if (it == containers.end()) {
        c.reply[0] = 60; // CT_MOVE_NO_CONTAINER
        return;
    }
    if (containers.count(to) || to > 0xFFFF) {
        c.reply[0] = 63; // CT_MOVE_BAD_DESTINATION
        return;
    }
    containers[to] = it->second;
    containers.erase(from);
    for (auto& p : c.adapter.partitions)
        if (get32(p.data(), kL0Type) && get16(p.data(), kL0Number) == from)
            put16(p.data(), kL0Number, static_cast<std::uint16_t>(to));
    ++c.adapter.configAge;
    c.reply[0] = 64; // CT_MOVE_DONE
}

void zero(CtRequest& c) {
    if (!c.adapter.containers.count(c.param[0])) {
        c.reply[0] = 154; // CT_ZERO_BAD_CONTAINER
        return;
    }
    c.reply[0] = c.param[1] == 0xFFFFFFFF ? 159 : 153; // started, or done at once
}

// Lock-drain, offline and the write protection set a mark on the record;
// an unknown container fails with `unknown`.
CtHandler mark(bool ContainerRecord::*flag, bool value, std::uint32_t done, std::uint32_t unknown) {
    return [flag, value, done, unknown](CtRequest& c) {
        auto it = c.adapter.containers.find(c.param[0]);
        if (it == c.adapter.containers.end()) {
            c.reply[0] = unknown;
            return;
        }
        it->second.*flag = value;
        c.reply[0] = done;
    };
}

// A drained container takes I/O again; one that is not locked, or is
// offline already, is refused.
void unlock(CtRequest& c) {
    auto it = c.adapter.containers.find(c.param[0]);
    if (it == c.adapter.containers.end()) {
        c.reply[0] = 12; // CT_NO_CONTAINER
        return;
    }
    if (!it->second.drained || it->second.offline) {
        c.reply[0] = 2; // CT_CONTAINER_NOT_LOCKED
        return;
    }
    it->second.drained = false;
    c.reply[0] = 13; // CT_UNLOCK_OK
}

// SCRUB, SCRUB2 and their checking forms: started on a loaded container.
void scrub(CtRequest& c) {
    c.reply[0] = c.adapter.containers.count(c.param[0]) ? 163 : 168; // started, bad container
}

} // namespace

void registerOperationCommands(Simulator& sim) {
    sim.registerContainer(21, move);
    sim.registerContainer(59, zero);
    constexpr std::uint32_t kUnloadBadContainer = 57;
    sim.registerContainer(133, mark(&ContainerRecord::drained, true, 308, kUnloadBadContainer));
    sim.registerContainer(134, mark(&ContainerRecord::offline, true, 309, kUnloadBadContainer));
    sim.registerContainer(49, unlock);
    // MAKE_READ_ONLY, MAKE_READ_WRITE: CT_PROTECTION_CHANGE_DONE or _FAILED.
    sim.registerContainer(51, mark(&ContainerRecord::readOnly, true, 141, 142));
    sim.registerContainer(52, mark(&ContainerRecord::readOnly, false, 141, 142));
    for (std::uint32_t command : {61u, 67u, 141u, 142u})
        sim.registerContainer(command, scrub);
}

} // namespace qorsim
