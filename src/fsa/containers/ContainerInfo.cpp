#include "ContainerInfo.h"

#include "ContainerCaches.h"
#include "ContainerOperations.h"
#include "ContainerRecordFields.h"
#include "CtChannel.h"
#include "Frame.h"
#include "FsaApi.h"
#include "IdentityCommands.h"
#include "OsLayer.h"
#include "ParamChecks.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"
#include "Trace.h"

#include <cstring>

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// What describing one container number came to. Only a container without a
// record (Absent) may still be described from its partitions.
enum class Outcome { Described, Skip, NotReported, Absent };

// Controller type -> FSA_CONTAINER_TYPE, snapshot and multi-role kinds
// included.
std::uint32_t fsaType(std::uint32_t ctrType) {
    if (ctrType == 5 || ctrType == 6)
        return ctrType;
    return ctrType == 7 ? 16 : CT_GetFsaCtrType(ctrType);
}

void noContainer(tag_FSA_CONTAINER& c) {
    c = {kNone, 0, 0};
}

// Parent from the snapshot and reference bytes of a member partition.
// A zero byte names no container.
void parentFrom(FSAAPI_CONTEXT* ctx, const Partition& p, std::uint32_t n,
                FSA_CONTAINER_INFO* info) {
    const std::uint8_t a = par::u8(p, par::kSnapA), b = par::u8(p, par::kSnapB);
    if (b && n == par::u8(p, par::kRef59))
        CT_GetStandardID(ctx, &info->parent, b);
    else if (a && n == par::u8(p, par::kRef58))
        CT_GetStandardID(ctx, &info->parent, a);
}

// The drive id of the disk that holds `slice`.
std::uint32_t driveOfSlice(FSAAPI_CONTEXT* ctx, std::uint32_t slice) {
    std::uint32_t size = 0, b = 0, c = 0, drive = 0;
    CT_GetSliceInfo(ctx, slice, &size, &b, &c, &drive, nullptr, nullptr);
    return drive;
}

bool readMember(FSAAPI_CONTEXT* ctx, std::uint32_t entry, Partition* p) {
    if (!entry)
        return false;
    CT_GetPartitionInMemory(ctx, entry, p);
    return true;
}

class Describer {
public:
    Describer(FSAAPI_CONTEXT* ctx, std::uint32_t n, FSA_CONTAINER_INFO* info, unsigned int size)
        : m_ctx(ctx), m_n(n), m_info(info), m_size(size) {}

    // FSA_STATUS in `status` when Described.
    Outcome run(FSA_STATUS* status) {
        *status = FSA_STS_SUCCESS;
        fillDefaults();
        if (!CT_GetContainer(m_ctx, m_n, &m_record, &m_ctrType))
            return Outcome::Absent;
        const std::uint32_t flags = m_record.words[2];
        m_info->ctFlag28 = flags >> 28 & 1;
        m_info->ctFlag31 = flags >> 31 & 1;
        m_info->size = (std::uint64_t(m_record.words[1]) << 32 | m_record.words[0]) * 512;
        if (m_ctrType != 8)
            m_info->ctFlag7 = flags >> 7 & 1;
        m_info->type = fsaType(m_ctrType);
        if (m_info->type == 22) {
            UtilPrintDebugFormatted("FsaGetContainerInfo: Container Type is UNKNOWN!!\n");
            throw FSA_STS_CONTAINER_STRUCTURES_INVALID;
        }
        if (m_ctrType >= 3 && m_ctrType <= 6)
            m_info->chunkSize = CT_RecordWord(m_record, ctr::kChunkBlocks) * 512;
        const std::uint32_t count = m_record.memberCount;
        if (count > 128)
            throw FSA_STS_PARTITION_ENTRY_FAILED; // a record the controller cannot hold
        if (m_ctrType == 7)
            return describeMultiRole(status);
        if (m_ctrType == 4)
            m_info->notFlag6 = firstFlagWordBit6Clear();
        if (m_ctrType == 5 || m_ctrType == 6)
            return describeSnapshot(status);
        if (m_ctrType == 2 && !mirrorStateFromMember())
            return Outcome::Skip;
        commonWords();
        m_info->partitionCount = count;
        if (m_size < 472 + 28 * (count ? count : 1))
            throw FSA_STS_BUFFER_TOO_SMALL;
        if (!describeMembers(count))
            return Outcome::Skip;
        if (m_ctrType == 1 && count == 1 && m_firstFlagBit8) {
            // One member that is half of a mirror: shown as a mirror missing
            // its second side.
            m_info->type = 1;
            m_info->mirrorState = 5;
        }
        m_info->extendedType = GetExtendedType(m_ctx, m_n, m_ctrType, &m_record);
        if ((m_info->mirrorState == 4 && m_info->mirrorSide == 1) || !CT_CheckConflicts(m_ctx, m_n))
            return Outcome::NotReported;
        hostFacts();
        return Outcome::Described;
    }

private:
    void fillDefaults() {
        std::memset(m_info, 0, m_size);
        CT_GetStandardID(m_ctx, &m_info->container, m_n);
        for (auto& r : m_info->related)
            noContainer(r);
        noContainer(m_info->mirrorPartner);
        noContainer(m_info->parent);
        noContainer(m_info->snapshotSource);
        m_info->usage = 3;
    }

    std::uint32_t firstFlagWordBit6Clear() {
        Partition p;
        return readMember(m_ctx, m_record.members[0], &p) && !(par::u32(p, 84) & 0x40) ? 1 : 0;
    }

    // Mirror state from the member partition; false when the mirror is not
    // settled enough to be reported.
    bool mirrorStateFromMember() {
        Partition p;
        const std::uint32_t entry = m_record.members[0] ? m_record.members[0] : m_record.members[1];
        if (!readMember(m_ctx, entry, &p))
            return true;
        m_info->mirrorState = CT_MirrorState(par::u32(p, 100));
        if (m_info->mirrorState == 2 || m_info->mirrorState == 3) {
            const std::uint32_t own = par::l0Number(p), other = par::u16(p, 104);
            if (m_n == own) {
                m_info->mirrorSide = 0;
                CT_GetStandardID(m_ctx, &m_info->mirrorPartner, other);
            } else if (m_n == other) {
                m_info->mirrorSide = 1;
                CT_GetStandardID(m_ctx, &m_info->mirrorPartner, own);
            } else {
                m_info->mirrorState = 0;
            }
        }
        return m_info->mirrorState != 0;
    }

    void commonWords() {
        CT_GetContainerDelay(m_ctx, m_n, &m_info->mirrorDelay);
        m_info->usage = faos_CtrGetUsage(m_ctx, m_n);
        m_info->hasTasks = PCK_ContainerIs(m_ctx, m_n, PCK_BIT(6), FSA_RETURN_ON_FAILURE) ? 1 : 0;
        if (m_info->ctFlag7 || !m_record.members[0])
            return;
        Partition p;
        if (!readMember(m_ctx, m_record.members[0], &p))
            return;
        m_firstFlagBit8 = (par::u32(p, 84) & 0x100) != 0;
        if (!par::u8(p, par::kRelated90) && !par::u8(p, par::kRelated91) &&
            !par::u8(p, par::kRelated106))
            return;
        m_info->hasTasks = 1;
        const std::size_t bytes[6] = {
            par::kRelated79, par::kRelated90, par::kRelated91, 142, par::kRelated106, 143};
        for (int i = 0; i < 6; ++i)
            if (par::u8(p, bytes[i]))
                CT_GetStandardID(m_ctx, &m_info->related[i], par::u8(p, bytes[i]));
        if (!par::u8(p, par::kRelated90))
            return;
        const std::uint16_t own = par::l0Number(p);
        const struct {
            std::size_t byte;
            std::uint32_t role;
        } roles[] = {
            {par::kRelated90, 2}, {par::kRelated91, 3}, {142, 4}, {143, 5}, {par::kRelated106, 7}};
        for (const auto& r : roles)
            if (own == par::u8(p, r.byte))
                m_info->role = r.role;
    }

    bool describeMembers(std::uint32_t count) {
        bool firstContainer = true, firstDrive = true;
        for (std::uint32_t i = 0; i < count; ++i) {
            FSA_PARTITION& out = m_info->partitions[i];
            Partition p;
            if (!readMember(m_ctx, m_record.members[i], &p) || par::drive(p) == kNone) {
                out.device.kind = 1;
                if (m_ctrType == 4 && count > 1)
                    out.size = m_info->size / (count - 1);
                else if (m_ctrType == 2 || m_ctrType == 7)
                    out.size = m_info->size;
                m_info->membersMissing = 1;
                continue;
            }
            if (!par::start(p) && par::l0Type(p) != 8) {
                tag_FSA_CONTAINER member;
                CT_GetStandardID(m_ctx, &member, par::l0Number(p));
                std::memcpy(&out.device, &member, sizeof member);
                if (firstContainer && !memberContainer(p, par::l0Number(p)))
                    return false;
                firstContainer = false;
            } else {
                if (firstDrive) {
                    m_info->hasDrivePartitions = 1;
                    m_info->memberId = par::u16(p, 62);
                    firstDrive = false;
                }
                if ((m_ctrType == 2 || m_ctrType == 4) && par::u32(p, 84))
                    m_info->membersMissing = 1;
                parentFrom(m_ctx, p, m_n, m_info);
                SCSI_GetStandardID(m_ctx, &out.device,
                                   static_cast<int>(driveOfSlice(m_ctx, par::drive(p))));
                out.offset = std::uint64_t(par::start(p)) * 512;
                out.size = std::uint64_t(par::size(p)) * 512;
            }
            CT_MoveCreationInfo(&p, m_info);
        }
        return true;
    }

    // The first member container: parent and mirror side from its partition.
    bool memberContainer(const Partition& p, std::uint32_t member) {
        m_info->memberId = par::u16(p, 62);
        parentFrom(m_ctx, p, m_n, m_info);
        cttype record;
        std::uint32_t type = 0;
        if (!CT_GetContainer(m_ctx, member, &record, &type) || type != 2 ||
            !(m_info->mirrorState == 0 || m_info->mirrorState == 4))
            return true;
        Partition q;
        if (!readMember(m_ctx, record.members[0], &q))
            return true;
        m_info->mirrorState = CT_MirrorState(par::u32(q, 100));
        if (m_info->mirrorState != 2 && m_info->mirrorState != 3)
            return true;
        const std::uint32_t level1 = par::l1Number(q), other = par::u16(q, 108);
        if (m_n == level1) {
            m_info->mirrorSide = 0;
            CT_GetStandardID(m_ctx, &m_info->mirrorPartner, other);
        } else if (m_n == other) {
            m_info->mirrorSide = 1;
            CT_GetStandardID(m_ctx, &m_info->mirrorPartner, level1);
        } else {
            return false;
        }
        return true;
    }

    Outcome describeSnapshot(FSA_STATUS*) {
        commonWords();
        const bool target = m_ctrType == 6;
        CT_GetStandardID(m_ctx, &m_info->snapshotSource,
                         CT_RecordWord(m_record, target ? ctr::kSnapshot : ctr::kVisibleBacking));
        m_info->partitionCount = 1;
        tag_FSA_CONTAINER first;
        CT_GetStandardID(m_ctx, &first,
                         CT_RecordWord(m_record, target ? ctr::kHiddenBacking : ctr::kSnapshotA));
        std::memcpy(&m_info->partitions[0].device, &first, sizeof first);
        m_info->usage =
            target && ctr::byte(m_record, ctr::kHostHeldByte) ? 6 : faos_CtrGetUsage(m_ctx, m_n);
        m_info->extendedType = GetExtendedType(m_ctx, m_n, m_ctrType, &m_record);
        hostFacts();
        return Outcome::Described;
    }

    Outcome describeMultiRole(FSA_STATUS*) {
        m_info->role = 1;
        m_info->usage = faos_CtrGetUsage(m_ctx, m_n);
        CT_GetContainerDelay(m_ctx, m_n, &m_info->mirrorDelay);
        m_info->hasTasks = 1;
        m_info->related[0] = m_info->container;
        std::uint32_t count = 0;
        for (int i = 0; i < 5; ++i) {
            const std::uint32_t w = CT_RecordWord(m_record, ctr::kRelatedLast - i);
            if (!w)
                continue;
            CT_GetStandardID(m_ctx, &m_info->related[5 - i], w);
            if (count < CT_InfoRoom(m_size)) {
                std::memcpy(&m_info->partitions[count].device, &m_info->related[5 - i],
                            sizeof(tag_FSA_CONTAINER));
                ++count;
            } else {
                throw FSA_STS_BUFFER_TOO_SMALL;
            }
        }
        m_info->partitionCount = count;
        m_info->extendedType = GetExtendedType(m_ctx, m_n, m_ctrType, &m_record);
        hostFacts();
        return Outcome::Described;
    }

    // The host layer of this platform: no letter, no disk, unlimited extension.
    void hostFacts() {
        char name[16] = {};
        if (CT_GetName(m_ctx, m_n, name) == FSA_STS_SUCCESS)
            std::memcpy(m_info->name, name, sizeof name);
        else
            m_info->name[0] = m_info->name[1] = 0;
        CT_GetCtrDiskSetInfo(m_ctx, m_n, reinterpret_cast<std::uint8_t*>(&m_info->diskSetInfo));
        m_info->driveLetter = 0;
        m_info->diskNumber = kNone;
        const bool hidden = (m_info->mirrorSide == 1 && m_info->mirrorState == 3) ||
                            PCK_ContainerIs(m_ctx, m_n, PCK_BIT(18), FSA_RETURN_ON_FAILURE);
        if (hidden) {
            m_info->usage = 0;
            m_info->maxFsExtension = 0;
            return;
        }
        m_info->maxFsExtension = ~std::uint64_t{0};
    }

    FSAAPI_CONTEXT* m_ctx;
    std::uint32_t m_n;
    FSA_CONTAINER_INFO* m_info;
    unsigned int m_size;
    cttype m_record{};
    std::uint32_t m_ctrType = 0;
    bool m_firstFlagBit8 = false;
};

// Extended type of a container of containers: all members one type.
std::uint32_t membersType(FSAAPI_CONTEXT* ctx, const cttype* record, bool* haveStart) {
    std::uint32_t common = 0;
    *haveStart = false;
    for (std::uint32_t i = 0; i < record->memberCount && i < 128; ++i) {
        Partition p;
        if (!readMember(ctx, record->members[i], &p))
            return 0;
        if (i == 0 && par::u32(p, par::kStart)) {
            *haveStart = true;
            return 0;
        }
        cttype member;
        std::uint32_t type = 0;
        if (!CT_GetContainer(ctx, par::l0Number(p), &member, &type))
            return i == 0 ? kNone : 0;
        if (i && type != common)
            return 0;
        common = type;
    }
    return common;
}

} // namespace

std::uint32_t CT_MirrorState(std::uint32_t mirrorKind) {
    switch (mirrorKind) {
    case 1:
        return 4;
    case 2:
        return 1;
    case 3:
        return 3;
    case 4:
        return 2;
    default:
        return 0;
    }
}

std::uint32_t CT_RecordWord(const cttype& record, std::size_t index) {
    std::uint32_t v = 0;
    std::memcpy(&v, reinterpret_cast<const std::uint8_t*>(&record) + 4 * index, sizeof v);
    return v;
}

void CT_MoveCreationInfo(const Partition* p, FSA_CONTAINER_INFO* info) {
    const std::uint32_t stamp = par::u32(*p, 8);
    info->creatorWord = par::u32(*p, 12);
    info->serialWord = par::u32(*p, 16);
    info->createdMonth = stamp & 0xF;
    info->createdDay = stamp >> 4 & 0x1F;
    info->createdYear = static_cast<std::uint16_t>(par::u8(*p, 7) + 1900);
    info->createdHour = stamp >> 10 & 0x3F;
    info->createdMinute = stamp >> 16 & 0x3F;
    info->createdSecond = stamp >> 22 & 0x3F;
    info->createdExtra = par::u8(*p, 6);
    info->creationWord1 = par::u32(*p, 4);
}

std::uint32_t GetExtendedType(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t ctrType,
                              const cttype* record) {
    (void)n;
    switch (ctrType) {
    case 2:
        return 1;
    case 4:
        return 4;
    case 7:
        return 16;
    case 8:
        return 21;
    case 9:
        return 9;
    case 10:
        return 13;
    case 11:
        return 14;
    case 12:
        return 15;
    case 13:
        return 11;
    case 5:
    case 6: {
        cttype source;
        std::uint32_t type = 0;
        const std::uint32_t named =
            CT_RecordWord(*record, ctrType == 5 ? ctr::kSnapshotA : ctr::kHiddenBacking);
        return CT_GetContainer(ctx, named, &source, &type)
                   ? GetExtendedType(ctx, named, type, &source)
                   : 6;
    }
    case 1:
    case 3: {
        bool haveStart = false;
        const std::uint32_t t = membersType(ctx, record, &haveStart);
        if (haveStart || t == kNone)
            return ctrType == 1 ? 3 : 2;
        if (ctrType == 1) {
            switch (t) {
            case 1:
                return 20;
            case 2:
                return 15;
            case 3:
                return 17;
            case 4:
                return 19;
            case 13:
                return 18;
            default:
                return 22;
            }
        }
        switch (t) {
        case 2:
            return 13;
        case 3:
            return 14;
        case 4:
            return 26;
        default:
            return 22;
        }
    }
    default:
        return 22;
    }
}

FSA_STATUS FsaGetMostContainerInfo(FSAAPI_CONTEXT* ctx, int next,
                                   const tag_FSA_CONTAINER* container, FSA_CONTAINER_INFO* info,
                                   unsigned int size) {
    if (size < 500)
        return FSA_STS_BUFFER_TOO_SMALL;
    if (ctx->connectionType != FSA_CONNECTION_LOCAL)
        return FSA_STS_NOT_AVAILABLE_ON_OS;
    if (!container && !next)
        return FSA_STS_BAD_ARGUMENTS;
    if (!next) {
        FSA_STATUS status;
        const Outcome o = Describer(ctx, container->containerNumber, info, size).run(&status);
        if (o == Outcome::Described)
            return status;
        if (o == Outcome::Absent &&
            CT_GetPhantomContainer(ctx, container->containerNumber, info, size))
            return FSA_STS_SUCCESS;
        return FSA_STS_CONTAINER_NOT_FOUND;
    }
    std::uint32_t a = 0, b = 0;
    const std::uint32_t limit = CT_GetContainerCount(ctx, &a, &b);
    for (std::uint32_t n = container ? container->containerNumber + 1 : 0; n < limit; ++n) {
        FSA_STATUS status;
        const Outcome o = Describer(ctx, n, info, size).run(&status);
        if (o == Outcome::Described)
            return status;
        if (o == Outcome::Absent && !CT_CheckConflicts(ctx, n) &&
            CT_GetPhantomContainer(ctx, n, info, size))
            return FSA_STS_SUCCESS;
    }
    return FSA_STS_TOO_MANY_CONTAINERS;
}

extern "C" FSA_STATUS FsaGetContainerInfo(void* handle, int next,
                                          const tag_FSA_CONTAINER* container,
                                          FSA_CONTAINER_INFO* info, unsigned int size) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        if (!info)
            return FSA_STS_BAD_ARGUMENTS;
        const FSA_STATUS s = FsaGetMostContainerInfo(ctx, next, container, info, size);
        if (s == FSA_STS_SUCCESS)
            faos_ContainerSpecialFile(ctx, info->specialFile, 0, info->container.containerNumber);
        return s;
    });
}
