// Creating containers: the new container's partitions join the in-memory
// table (and so the disks' tables); writing a disk's MBR gives it an empty
// partition table.
#include "CoreHandlers.h"

#include <cstring>

namespace qorsim {

namespace {

struct Member {
    std::uint32_t slice, offset, size;
};

// Members of the simple kinds: 1 volume, 2 mirror, 3 stripe, 4 RAID-5.
bool readMembers(const std::uint8_t* r, std::vector<Member>& out, std::uint32_t& ctrType) {
    const std::uint32_t kind = get32(r, 0);
    auto pairs = [&](std::size_t at, std::uint32_t count, std::uint32_t size) {
        for (std::uint32_t i = 0; i < count && at + 8 * i + 8 <= 432; ++i)
            out.push_back({get32(r, at + 8 * i), get32(r, at + 8 * i + 4), size});
    };
    switch (kind) {
    case 1:
        for (std::uint32_t i = 0; i < get32(r, 28) && 36 + 12 * i + 12 <= 432; ++i)
            out.push_back({get32(r, 36 + 12 * i), get32(r, 40 + 12 * i), get32(r, 44 + 12 * i)});
        ctrType = 1;
        return true;
    case 2:
        pairs(32, 2, get32(r, 8));
        ctrType = 2;
        return true;
    case 3: {
        const std::uint32_t n = get32(r, 32);
        pairs(40, n, n ? get32(r, 8) / n : 0);
        ctrType = 3;
        return true;
    }
    case 4: {
        const std::uint32_t n = get32(r, 36);
        pairs(40, n, n > 1 ? get32(r, 8) / (n - 1) : 0);
        ctrType = 4;
        return true;
    }
    default:
        return false;
    }
}

std::uint32_t serialOf(const Adapter& a) {
    return a.miscStatus[4] ? a.miscStatus[4] : 1;
}

} // namespace

void registerContainerCreation(Simulator& sim) {
    sim.registerContainer(179, [](CtRequest& c) { // CREATE_CONTAINER
        std::vector<Member> members;
        std::uint32_t type = 0;
        const std::uint32_t n = get32(c.in, 4);
        if (!readMembers(c.in, members, type) || members.empty() || c.adapter.containers.count(n)) {
            c.reply[0] = 281; // CT_NO_SPACE
            return;
        }
        ContainerRecord record;
        record.type = type;
        if (c.adapter.partitions.empty())
            c.adapter.partitions.emplace_back(); // entry 0 is never used
        for (std::size_t i = 0; i < members.size(); ++i) {
            PartitionEntry e{};
            put32(e.data(), 20, c.adapter.configAge);
            put32(e.data(), 24, members[i].offset);
            put32(e.data(), 28, members[i].size);
            put32(e.data(), 32, serialOf(c.adapter));
            put32(e.data(), 40, members[i].slice);
            put32(e.data(), 48, type);
            e[52] = static_cast<std::uint8_t>(n);
            e[53] = static_cast<std::uint8_t>(n >> 8);
            e[56] = static_cast<std::uint8_t>(members.size());
            e[60] = static_cast<std::uint8_t>(i);
            put32(e.data(), 112, 1); // configured
            record.members.push_back(static_cast<std::uint32_t>(c.adapter.partitions.size()));
            c.adapter.partitions.push_back(e);
        }
        c.adapter.containers[n] = record;
        ++c.adapter.configAge;
        static const std::uint32_t created[] = {0, 131, 293, 112, 115};
        c.reply[0] = created[type];
    });
    sim.registerContainer(6, [](CtRequest& c) { // WRITE_MBR: the disk's table starts empty
        if (c.param[0] >= c.adapter.slices.size()) {
            c.reply[0] = 140; // CT_WMBR_FAILED
            return;
        }
        Slice& s = c.adapter.slices[c.param[0]];
        s.hasMbr = true;
        s.diskOnly.clear();
        c.reply[0] = 139; // CT_WMBR_DONE
    });
}

} // namespace qorsim
