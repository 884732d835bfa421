// The container state check: the asked questions of the 64-bit mask in
// their fixed order; the first that holds decides the status.

#include "Aif.h"
#include "ContainerCaches.h"
#include "ContainerRecordFields.h"
#include "Context.h"
#include "CtWrappers.h"
#include "ParamChecks.h"
#include "PckServices.h"
#include "SmallCommands.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr std::uint32_t kUsageNtfs = 7, kUsageFat = 8, kUsageHpfs = 9, kUsageNetware = 11,
                        kUsageUxOpen = 13;

// The container record and partition entries as word arrays.
struct Record {
    cttype ct{};
    std::uint32_t type = 0;
    std::uint32_t word(std::size_t i) const {
        std::uint32_t w = 0;
        std::memcpy(&w, reinterpret_cast<const std::uint8_t*>(&ct) + 4 * i, 4);
        return w;
    }
};

struct Partition {
    std::uint32_t w[CT_PARTITION_BYTES / 4] = {};
    std::uint8_t byte(std::size_t i) const { return reinterpret_cast<const std::uint8_t*>(w)[i]; }
};

// Questions answered from the record alone: {bit, condition, status}.
struct RecordQuestion {
    unsigned bit;
    bool (*holds)(const Record&);
    FSA_STATUS status;
};

const RecordQuestion kRecordQuestions[] = {
    {4, [](const Record& r) { return (r.word(3) >> 28 & 1) != 0 || r.type == 6; },
     FSA_STS_READ_ONLY_CONTAINER},
    {5, [](const Record& r) { return (r.word(3) >> 28 & 1) == 0; }, FSA_STS_READ_WRITE_CONTAINER},
    {28, [](const Record& r) { return (r.word(3) >> 7 & 1) != 0; },
     FSA_STS_RECONFIGURE_HIDDEN_INCOMPLETE},
    {7, [](const Record& r) { return r.type != 1; }, FSA_STS_NEEDS_VOLUME_SET},
    {15, [](const Record& r) { return r.type != 5 && r.type != 6; }, FSA_STS_NOT_A_SNAPSHOT},
    {14, [](const Record& r) { return r.type == 5 || r.type == 6; }, FSA_STS_SNAPSHOT_CONTAINER},
    {20, [](const Record& r) { return r.type == 4; }, FSA_STS_RAID5_SET},
    {24, [](const Record& r) { return r.type == 8; }, FSA_STS_PASSTHRU_SET},
    {30, [](const Record& r) { return (r.word(3) >> 31 & 1) != 0; }, FSA_STS_CONTAINER_LOCKED},
};

bool hasTasks(FSAAPI_CONTEXT* ctx, std::uint32_t container, FSA_TASK_DESCRIPTOR* tasks,
              std::uint32_t* count) {
    *count = AIF_GetTaskListForContainer(ctx, container, tasks, AIF_MAX_TASKS);
    if (*count > AIF_MAX_TASKS)
        *count = AIF_MAX_TASKS;
    return *count != 0;
}

bool readContainer(FSAAPI_CONTEXT* ctx, std::uint32_t n, Record* out) {
    return CT_GetContainer(ctx, n, &out->ct, &out->type) != 0;
}

class Checker {
public:
    Checker(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint64_t mask, int* valid, bool nested)
        : m_ctx(ctx), m_n(n), m_mask(mask), m_valid(valid), m_nested(nested),
          m_services(PCK_Services()) {}

    FSA_STATUS run() {
        *m_valid = 1;
        const FSA_GENERAL_INFO& info = m_ctx->info;
        if (m_n > info.highestContainerNumber)
            return FSA_STS_CONTAINER_NOT_VALID;
        if (asked(10) && m_n >= info.firstHiddenContainer)
            return invalid(FSA_STS_CONTAINER_NUMBER_TOO_HIGH);
        if (const FSA_STATUS s = hostChecks(); s != FSA_STS_SUCCESS)
            return s;
        if (asked(6) || asked(18)) {
            FSA_TASK_DESCRIPTOR tasks[AIF_MAX_TASKS];
            std::uint32_t count = 0;
            if (hasTasks(m_ctx, m_n, tasks, &count)) {
                if (asked(6))
                    return FSA_STS_TASK_IN_PROGRESS;
                for (std::uint32_t i = 0; i < count; ++i)
                    if (tasks[i].taskType == 3)
                        return FSA_STS_CLEAR_TASK_RUNNING;
            }
        }
        if (asked(17) || asked(29)) {
            const std::uint32_t usage = CT_GetContainerUsage(m_ctx, m_n);
            if (asked(17) && (usage == kUsageNtfs || usage == kUsageFat || usage == kUsageHpfs ||
                              usage == kUsageNetware || usage == kUsageUxOpen))
                return FSA_STS_CONTAINER_IN_USE_ON_HOST;
            if (asked(29) && usage == kUsageNetware)
                return FSA_STS_MEMBER_IN_USE;
        }
        Record rec;
        if (!readContainer(m_ctx, m_n, &rec))
            return invalid(FSA_STS_CONTAINER_NOT_FOUND);
        if (asked(8))
            return FSA_STS_CONTAINER_CONFIGURED;
        if (asked(11) && rec.ct.memberCount == info.maxContainerMembers)
            return FSA_STS_CONTAINER_FULL;
        for (const RecordQuestion& q : kRecordQuestions)
            if (asked(q.bit) && q.holds(rec))
                return q.status;
        if (asked(36) && CT_GetContainerUsage(m_ctx, m_n) == kUsageUxOpen)
            return FSA_STS_MEMBER_OPEN;
        if (rec.type == 5 || rec.type == 6)
            return m_nested ? FSA_STS_SUCCESS : snapshotPair(rec);
        if (rec.type == 7)
            return FSA_STS_SUCCESS;
        return memberChecks(rec);
    }

private:
    bool asked(unsigned bit) const { return (m_mask >> bit & 1) != 0; }

    FSA_STATUS invalid(FSA_STATUS status) {
        *m_valid = 0;
        return status;
    }

    FSA_STATUS hostChecks() {
        if (asked(23)) {
            int ft = 0;
            if (const FSA_STATUS s = m_services.ftDiskOnContainer(m_ctx, m_n, &ft);
                s != FSA_STS_SUCCESS)
                return s;
            if (ft)
                return FSA_STS_FAULT_TOLERANT_DISK;
        }
        if (asked(32) || asked(33) || asked(34) || asked(35)) {
            PckDynamicDisk d;
            if (const FSA_STATUS s = m_services.dynamicDiskOnContainer(m_ctx, m_n, &d);
                s != FSA_STS_SUCCESS)
                return s;
            if (asked(32) && d.isDynamic)
                return FSA_STS_DYNAMIC_DISK;
            if (asked(33) && d.hasFileSystem)
                return FSA_STS_DYNAMIC_DISK_PARTITIONS;
            if (asked(34) && d.spansContainers)
                return FSA_STS_DYNAMIC_DISK_FILESYSTEMS;
            if (asked(35) && d.partitionCount > 1)
                return FSA_STS_DYNAMIC_DISK_VOLUME;
        }
        const bool local = m_ctx->connectionType == FSA_CONNECTION_LOCAL;
        if (asked(25) &&
            ((local && m_ctx->info.osType == 1) || (!local && m_ctx->info.osType2 == 1)))
            return hostVolumeCheck();
        return FSA_STS_SUCCESS;
    }

    FSA_STATUS hostVolumeCheck() {
        constexpr std::uint32_t kEntryWords = 12;
        std::unique_ptr<std::uint32_t[]> buf(new (std::nothrow)
                                                 std::uint32_t[PCK_HOST_VOLUME_BYTES / 4]);
        if (!buf)
            return FSA_STS_OUT_OF_MEMORY;
        if (const FSA_STATUS s =
                m_services.hostVolumes(m_ctx, m_n, buf.get(), PCK_HOST_VOLUME_BYTES);
            s != FSA_STS_SUCCESS)
            return s;
        // The count is the host's: only entries inside the buffer are read.
        const std::uint32_t room = (PCK_HOST_VOLUME_BYTES / 4 - 1) / kEntryWords;
        const std::uint32_t count = buf[0] < room ? buf[0] : room;
        for (std::uint32_t i = 0; i < count; ++i)
            if (buf[1 + i * kEntryWords + 10] == 2)
                return FSA_STS_NTFS_CONTAINER;
        return FSA_STS_SUCCESS;
    }

    // A snapshot or its source: the two related containers decide.
    FSA_STATUS snapshotPair(const Record& rec) {
        if (asked(2))
            return FSA_STS_NEEDS_SINGLE_LEVEL;
        std::uint32_t first = rec.word(ctr::kHiddenBacking), second = rec.word(ctr::kSnapshotA);
        if (m_n == rec.word(ctr::kSnapshot))
            std::swap(first, second);
        const std::uint64_t firstMask =
            m_mask & (PCK_BIT(6) | PCK_BIT(9) | PCK_BIT(12) | PCK_BIT(13) | PCK_BIT(18));
        // A snapshot and its source name each other: the related containers
        // are checked without following their own pair again.
        int scratch = 1;
        const FSA_STATUS s = Checker(m_ctx, first, firstMask, &scratch, true).run();
        if (s != FSA_STS_SUCCESS)
            return s;
        return Checker(m_ctx, second, m_mask & (PCK_BIT(6) | PCK_BIT(18)), &scratch, true).run();
    }

    FSA_STATUS memberChecks(const Record& rec) {
        bool sawMember = false, flagged = false, readAny = false, remembered = false;
        Partition last;
        Record kept;
        const std::uint32_t count = rec.ct.memberCount < 128 ? rec.ct.memberCount : 128;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t entry = rec.ct.members[i];
            if (entry == 0)
                continue;
            CT_GetPartitionInMemory(m_ctx, entry, last.w);
            readAny = true;
            if (last.w[6] != 0 || last.w[12] == 8) { // a plain partition
                if (sawMember)
                    return FSA_STS_CONTAINER_NOT_FOUND;
                if (!asked(27))
                    break;
                if (last.w[16] != 0)
                    flagged = true;
                continue;
            }
            sawMember = true;
            Record member;
            if (!readContainer(m_ctx, last.w[10], &member))
                continue;
            if (asked(6)) {
                FSA_TASK_DESCRIPTOR tasks[AIF_MAX_TASKS];
                std::uint32_t n = 0;
                if (hasTasks(m_ctx, last.w[10], tasks, &n))
                    return FSA_STS_TASK_IN_PROGRESS;
            }
            if (!remembered || kept.type == 2 || kept.type == 4) {
                kept = member;
                remembered = true;
            }
        }
        if (asked(2) && sawMember)
            return FSA_STS_NEEDS_SINGLE_LEVEL;
        if (asked(1) && !sawMember)
            return FSA_STS_NEEDS_MULTILEVEL;
        if (asked(27) && !flagged)
            return FSA_STS_NO_DEAD_PARTITIONS;
        if (asked(3) && !sawMember && readAny && last.w[19] != 0)
            return FSA_STS_MEMBER_OF_MULTILEVEL;

        std::uint32_t refType = rec.type;
        Partition ref = last;
        if (sawMember) {
            if (!firstMemberPartition(remembered ? &kept : nullptr, &ref))
                return invalid(FSA_STS_NO_PARTITION_IN_CONTAINER);
            refType = kept.type;
        }
        if (asked(9) && refType == 2 && (ref.w[25] == 3 || ref.w[25] == 4) && ref.w[26] == m_n)
            return FSA_STS_BROKEN_MIRROR_SLAVE;
        if (asked(12) && refType != 2)
            return FSA_STS_NEEDS_MIRROR_SET;
        if (asked(13) && refType != 2 && refType != 4)
            return FSA_STS_NEEDS_REDUNDANT;
        if (asked(19) && (ref.byte(54) != 0 || ref.byte(55) != 0))
            return FSA_STS_CONTAINER_IN_SNAPSHOT;
        if (asked(31)) {
            std::uint32_t ds[38] = {};
            CT_GetCtrDiskSetInfo(m_ctx, m_n, reinterpret_cast<std::uint8_t*>(ds));
            if (ds[22] == 1 && (ds[0] != 0 || ds[1] != 0))
                return FSA_STS_ON_SHARED_CHANNEL;
        }
        return FSA_STS_SUCCESS;
    }

    bool firstMemberPartition(const Record* member, Partition* out) {
        if (!member)
            return false;
        const std::uint32_t count = member->ct.memberCount < 128 ? member->ct.memberCount : 128;
        for (std::uint32_t i = 0; i < count; ++i)
            if (member->ct.members[i] != 0) {
                CT_GetPartitionInMemory(m_ctx, member->ct.members[i], out->w);
                return true;
            }
        return false;
    }

    FSAAPI_CONTEXT* m_ctx;
    std::uint32_t m_n;
    std::uint64_t m_mask;
    int* m_valid;
    bool m_nested;
    PckServices m_services;
};

} // namespace

FSA_STATUS PCK_ContainerIsRet(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint64_t mask,
                              int* valid) {
    return Checker(ctx, container, mask, valid, false).run();
}

bool PCK_ContainerIs(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint64_t mask,
                     FSA_THROW_MODE mode) {
    int valid = 1;
    const FSA_STATUS s = PCK_ContainerIsRet(ctx, container, mask, &valid);
    if (s == FSA_STS_SUCCESS)
        return false;
    FSA_THROW(mode, s);
    return valid == 1;
}

bool PCK_ThrowIfContainerIs(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint64_t mask) {
    return PCK_ContainerIs(ctx, container, mask, FSA_THROW_ON_FAILURE);
}
