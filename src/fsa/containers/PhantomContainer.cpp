// A container the controller does not hold loaded, described from the
// partitions that carry its number: a level-0 container from its member
// partitions, a level-1 container from the level-0 containers its
// partitions name, a snapshot from the pair bytes, and a multi-role group
// from its related containers.
#include "ContainerCaches.h"
#include "ContainerInfo.h"
#include "IdentityCommands.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::uint32_t kMultiRole = 16;
constexpr std::size_t kMirrorKind = 100;
constexpr std::size_t kMirrorPartner0 = 104; // u16: partner of a level-0 mirror
constexpr std::size_t kMirrorPartner1 = 108; // u16: partner at level 1
constexpr std::size_t kLevel1Index = 80;     // u16: the level-0 container's slot at level 1
constexpr std::size_t kInfoWord = 96;        // copied as the chunk size
constexpr std::size_t kInfoFlag = 128;       // non-zero sets ctFlag31

// The six related slots of the record, in order.
constexpr std::size_t kRelatedBytes[6] = {
    par::kRelated79, par::kRelated90, par::kRelated91, 142, par::kRelated106, 143};
// The role of a container whose own number stands at one of these bytes.
const struct {
    std::size_t byte;
    std::uint32_t role;
} kRoles[] = {{par::kRelated79, 1}, {78, 6},  {par::kRelated90, 2},
              {par::kRelated91, 3}, {142, 4}, {143, 5},
              {par::kRelated106, 7}};

enum class Level { None, Zero, One };

// A level-1 type word as callers see it; what no container type names is 22.
std::uint32_t level1FsaType(std::uint32_t word) {
    return word >= 1 && word <= 4 ? CT_GetFsaCtrType(word) : 22;
}

bool hasLevel1(const Partition& p) {
    return par::u16(p, par::kL1Members) != 0;
}

// Same stamp: written at the same configuration age by the same creator.
bool sameStamp(const Partition& a, const Partition& b) {
    return par::u32(a, par::kAge) == par::u32(b, par::kAge) && par::u32(a, 12) == par::u32(b, 12) &&
           par::u32(a, 16) == par::u32(b, 16);
}

// A later creation: the later year, then the larger packed date word.
bool newer(const Partition& a, const Partition& b) {
    if (sameStamp(a, b))
        return false;
    if (par::u8(a, 7) != par::u8(b, 7))
        return par::u8(a, 7) > par::u8(b, 7);
    return par::u32(a, 8) > par::u32(b, 8);
}

std::uint32_t memberNumber(const FSA_PARTITION& m) {
    std::uint32_t n;
    std::memcpy(&n, &m.device, sizeof n);
    return n;
}
void setMember(FSA_PARTITION& m, const tag_FSA_CONTAINER& c) {
    std::memcpy(&m.device, &c, sizeof c);
}

int describe(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_CONTAINER_INFO* info, unsigned int size,
             std::vector<std::uint32_t>& visited);

class PhantomDescriber {
public:
    PhantomDescriber(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_CONTAINER_INFO* info,
                     unsigned int size, std::vector<std::uint32_t>& visited)
        : m_ctx(ctx), m_n(n), m_info(info), m_size(size), m_room(CT_InfoRoom(size)),
          m_visited(visited) {}

    int run(const PceList& list) {
        m_visited.push_back(m_n);
        defaults();
        const std::vector<const Pce*> carriers = carriersOf(list);
        const Pce* newest = nullptr;
        for (const Pce* e : carriers)
            if (!newest || newer(e->partition, newest->partition))
                newest = e;
        if (!newest) {
            // The defaults stay; the number says that nothing was described.
            m_info->container.containerNumber = kNone;
            return 0;
        }
        for (const Pce* e : carriers)
            if (sameStamp(e->partition, newest->partition))
                m_taken.push_back(e);
        for (const Pce* e : m_taken) {
            relations(e->partition);
            if (m_level != Level::One)
                level0Member(*e);
            if (m_level != Level::Zero)
                level1Member(e->partition);
        }
        multiRole();
        completeMembers();
        correctSize();
        return finalWalk(list);
    }

private:
    void defaults() {
        std::memset(m_info, 0, m_size);
        CT_GetStandardID(m_ctx, &m_info->container, m_n);
        for (auto& r : m_info->related)
            r.containerNumber = kNone;
        m_info->mirrorPartner.containerNumber = kNone;
        m_info->parent.containerNumber = kNone;
        m_info->snapshotSource.containerNumber = kNone;
        m_info->usage = 3;
        m_info->diskNumber = kNone;
        m_info->partitionCount = 0;
    }

    bool carries(const Partition& p) const {
        if (par::levelPresent(par::l0Type(p)) && par::l0Number(p) == m_n)
            return true;
        if (hasLevel1(p) && par::l1Number(p) == m_n)
            return true;
        const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
        if ((a && a == m_n) || (b && b == m_n))
            return true;
        // Zero at these two names no container.
        const std::uint16_t r104 = par::u16(p, kMirrorPartner0),
                            r108 = par::u16(p, kMirrorPartner1);
        return (r104 && r104 == m_n) || (r108 && r108 == m_n);
    }

    // The usable elements that carry the number, up to an element that
    // stands for a member container rather than an extent on a disk.
    std::vector<const Pce*> carriersOf(const PceList& list) const {
        std::vector<const Pce*> out;
        for (const Pce& e : list) {
            if (!CT_IsUsablePce(m_ctx, list, e, false) || !carries(e.partition))
                continue;
            if (!par::start(e.partition) && par::l0Type(e.partition) != 8)
                break;
            out.push_back(&e);
        }
        return out;
    }

    // 0 or 1 when the partition carries the number at that level, else 2.
    std::uint32_t levelCarrying(const Partition& p) const {
        if (par::levelPresent(par::l0Type(p)) && par::l0Number(p) == m_n)
            return 0;
        return hasLevel1(p) && par::l1Number(p) == m_n ? 1 : 2;
    }
    std::uint32_t uidAt(const Partition& p, std::uint32_t level) const {
        std::uint32_t uid = 0;
        if (CT_GetContainerUIDFromPartition(m_ctx, &p, &uid, level) != FSA_STS_SUCCESS)
            uid = 0;
        return uid;
    }
    tag_FSA_CONTAINER idOf(std::uint32_t number, std::uint32_t uid) const {
        return {number, uid, FsaAdapterSerial(m_ctx)};
    }
    tag_FSA_CONTAINER idByPartition(std::uint32_t number, const Partition& p, int byAge) const {
        std::uint32_t uid = 0;
        CT_FindUidForCtrWithPartition(m_ctx, number, &p, &uid, byAge);
        return idOf(number, uid);
    }

    // Related containers of the group, the container's role in it, and the
    // snapshot pair it may belong to.
    void relations(const Partition& p) {
        const std::uint32_t level = levelCarrying(p);
        for (int i = 0; i < 6; ++i)
            if (const std::uint8_t r = par::u8(p, kRelatedBytes[i]))
                m_info->related[i] = idOf(r, uidAt(p, level));
        for (const auto& r : kRoles)
            if (par::u8(p, r.byte) && par::u8(p, r.byte) == m_n)
                m_info->role = r.role;
        if (par::u32(p, kInfoWord))
            m_info->chunkSize = par::u32(p, kInfoWord);
        if (par::u32(p, kInfoFlag))
            m_info->ctFlag31 = 1;
        const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
        if (a == b || !(a == m_n || b == m_n))
            return;
        m_snapshot = true;
        m_info->type = b == m_n ? 6 : 5;
        m_info->extendedType = m_info->type;
        const std::uint32_t partner = b == m_n ? a : b;
        if (partner)
            m_info->snapshotSource = idByPartition(partner, p, 0);
        if (m_level == Level::None) {
            const tag_FSA_CONTAINER own = idByPartition(m_n, p, 0);
            if (own.uniqueId)
                m_info->container.uniqueId = own.uniqueId;
        }
    }

    void level0Member(const Pce& e) {
        const Partition& p = e.partition;
        if (!par::levelPresent(par::l0Type(p)) || par::l0Number(p) != m_n ||
            !par::u16(p, par::kL0Members))
            return;
        if (m_level == Level::None) {
            m_level = Level::Zero;
            m_info->container.uniqueId = uidAt(p, 0);
            std::memcpy(&m_info->diskSetInfo, e.diskSetInfo, sizeof e.diskSetInfo);
            if (!m_snapshot)
                m_info->type = m_info->extendedType = CT_GetFsaCtrType(par::l0Type(p));
        }
        claimMembers(par::u16(p, par::kL0Members));
        const std::uint64_t bytes = std::uint64_t(par::size(p)) * 512;
        const std::uint32_t index = par::u16(p, par::kMemberIndex);
        if (index < m_info->partitionCount) {
            FSA_PARTITION& m = m_info->partitions[index];
            SCSI_GetStandardID(m_ctx, &m.device, static_cast<int>(par::drive(p)));
            m.offset = std::uint64_t(par::start(p)) * 512;
            m.size = bytes;
            m_memberBytes = bytes;
            m_info->size += bytes;
            m_info->hasDrivePartitions = 1;
        }
        // The container this one is a member of: its snapshot, else its
        // level-1 container.
        const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
        std::uint32_t partner = kNone;
        if (b && par::u8(p, par::kRef59) == m_n)
            partner = b;
        else if (a && par::u8(p, par::kRef58) == m_n)
            partner = a;
        else if (hasLevel1(p))
            partner = par::l1Number(p);
        if (partner != kNone)
            m_info->parent = idByPartition(partner, p, 1);
        CT_MoveCreationInfo(&p, m_info);
    }

    void level1Member(const Partition& p) {
        if (!hasLevel1(p) || par::l1Number(p) != m_n)
            return;
        if (m_level == Level::None) {
            m_level = Level::One;
            m_info->container.uniqueId = uidAt(p, 1);
            if (!m_snapshot)
                m_info->type = m_info->extendedType = level1FsaType(par::l1Type(p));
        }
        claimMembers(par::u16(p, par::kL1Members));
        m_contribution.resize(m_info->partitionCount);
        const std::uint32_t index = par::u16(p, kLevel1Index);
        const std::uint32_t l0Type = par::l0Type(p);
        if (index < m_info->partitionCount) {
            // Held as number + 1 while collecting: 0 marks a slot not seen.
            setMember(m_info->partitions[index], idOf(par::l0Number(p) + 1u, uidAt(p, 0)));
            // The first member of a mirror or RAID-5 adds no room of its own.
            if (par::u16(p, par::kMemberIndex) || (l0Type != 2 && l0Type != 4)) {
                const std::uint64_t bytes = std::uint64_t(par::size(p)) * 512;
                m_info->size += bytes;
                m_contribution[index] += bytes;
                m_memberBytes = std::max(m_memberBytes, m_contribution[index]);
            }
        }
        if (l0Type == 2) {
            m_info->mirrorState = CT_MirrorState(par::u32(p, kMirrorKind));
            if (const std::uint16_t partner = par::u16(p, kMirrorPartner1))
                m_info->mirrorPartner = idByPartition(partner, p, 1);
        }
        CT_MoveCreationInfo(&p, m_info);
    }

    void claimMembers(std::uint32_t count) {
        if (m_info->partitionCount)
            return;
        if (count > m_room)
            throw FSA_STS_BUFFER_TOO_SMALL;
        m_info->partitionCount = count;
    }

    // A partition that names the container at byte 79 while byte 91 names
    // its own container: a multi-role group, as large as that container.
    void multiRole() {
        for (const Pce* e : m_taken) {
            const Partition& p = e->partition;
            const std::uint8_t role = par::u8(p, par::kRelated91);
            if (par::u8(p, par::kRelated79) != m_n || role == m_n)
                continue;
            if (role != par::l0Number(p) && !(hasLevel1(p) && role == par::l1Number(p)))
                continue;
            m_level = Level::None;
            m_info->type = m_info->extendedType = kMultiRole;
            m_info->hasDrivePartitions = 0;
            std::uint32_t count = 0;
            for (const tag_FSA_CONTAINER& r : m_info->related) {
                if (r.containerNumber == kNone)
                    continue;
                if (count >= m_room)
                    throw FSA_STS_BUFFER_TOO_SMALL;
                m_info->partitions[count] = FSA_PARTITION{};
                setMember(m_info->partitions[count++], r);
            }
            m_info->partitionCount = count;
            m_info->size = sizeOf(role);
            return;
        }
    }

    // The nested description's size; a container met before adds nothing.
    std::uint64_t sizeOf(std::uint32_t number) {
        for (std::uint32_t seen : m_visited)
            if (seen == number)
                return 0;
        std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                                   std::uint8_t[FSA_CONTAINER_INFO_MAX_BYTES]);
        if (!buffer)
            throw FSA_STS_OUT_OF_MEMORY;
        auto* nested = reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.get());
        return describe(m_ctx, number, nested, FSA_CONTAINER_INFO_MAX_BYTES, m_visited)
                   ? nested->size
                   : 0;
    }

    void completeMembers() {
        const std::uint32_t type = m_info->type;
        const bool grows = type == 2 || type == 4;
        for (std::uint32_t i = 0; i < m_info->partitionCount; ++i) {
            FSA_PARTITION& m = m_info->partitions[i];
            if (m_level == Level::Zero && !m.offset) {
                m = FSA_PARTITION{};
                m.device.kind = 1; // missing member
                m_info->membersMissing = 1;
                if (grows || type == 1)
                    m.size = m_memberBytes;
                if (grows)
                    m_info->size += m_memberBytes;
            } else if (m_level == Level::One) {
                tag_FSA_CONTAINER c;
                std::memcpy(&c, &m.device, sizeof c);
                if (c.containerNumber) {
                    --c.containerNumber;
                } else {
                    c = idOf(kNone, 0);
                    m_info->membersMissing = 1;
                    if (grows)
                        m_info->size += m_memberBytes;
                }
                setMember(m, c);
            }
        }
    }

    void correctSize() {
        if (m_level == Level::None)
            return;
        const std::uint64_t size = m_info->size;
        if (m_info->type == 4)
            m_info->size = size - std::min(size, m_memberBytes);
        else if (m_info->type == 1)
            m_info->size = m_memberBytes;
    }

    int finalWalk(const PceList& list) {
        const std::uint32_t parent = m_info->parent.containerNumber;
        for (const Pce& e : list) {
            if (PCE_IsFree(e))
                continue;
            const Partition& p = e.partition;
            if (m_level == Level::One && hasLevel1(p) && par::l1Number(p) != m_n) {
                // That level-0 container belongs to another level-1 container now.
                for (std::uint32_t i = 0; i < m_info->partitionCount; ++i)
                    if (memberNumber(m_info->partitions[i]) == par::l0Number(p))
                        setMember(m_info->partitions[i], idOf(kNone, 0));
            } else if (m_level == Level::Zero && parent != kNone &&
                       par::levelPresent(par::l0Type(p)) && par::l0Number(p) == parent) {
                std::memset(m_info, 0, m_size);
                return 0;
            }
        }
        return 1;
    }

    FSAAPI_CONTEXT* m_ctx;
    std::uint32_t m_n;
    FSA_CONTAINER_INFO* m_info;
    unsigned int m_size;
    std::uint32_t m_room;
    std::vector<std::uint32_t>& m_visited;
    std::vector<const Pce*> m_taken; // the carriers with the newest stamp
    Level m_level = Level::None;
    bool m_snapshot = false;
    std::uint64_t m_memberBytes = 0;
    std::vector<std::uint64_t> m_contribution; // bytes per level-1 slot
};

int describe(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_CONTAINER_INFO* info, unsigned int size,
             std::vector<std::uint32_t>& visited) {
    return CT_WithCache(ctx, [&](const PceList& list) {
        return PhantomDescriber(ctx, n, info, size, visited).run(list);
    });
}

} // namespace

int CT_GetPhantomContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_CONTAINER_INFO* info,
                           unsigned int size) {
    std::vector<std::uint32_t> visited;
    return describe(ctx, n, info, size, visited);
}
