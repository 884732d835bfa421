#include "PartitionLayout.h"

#include "PartitionFields.h"
#include "Trace.h"

#include <algorithm>
#include <cstring>

namespace {

using Pce = FSA_PARTITION_CACHE_ELEMENT;

Pce freeExtent(std::uint64_t start, std::uint64_t blocks, const SliceFacts& s) {
    Pce e{};
    par::set32(e.partition, par::kStart, static_cast<std::uint32_t>(start));
    par::set32(e.partition, par::kSize, static_cast<std::uint32_t>(blocks));
    par::set32(e.partition, par::kDrive, s.driveId);
    e.state = s.hasMbr ? FSA_PCE_FREE : FSA_PCE_FREE_NO_MBR;
    std::memcpy(e.diskSetInfo, s.diskSetInfo, sizeof e.diskSetInfo);
    e.clusterView = 0xFFFFFFFFu;
    return e;
}

bool mayRepeatStart(const Pce& e) {
    return (par::flags(e.partition) & par::kFlagListedTwice) ||
           par::u8(e.partition, par::kRelated90);
}

bool isUsed(const Pce& e) {
    return e.state == FSA_PCE_IN_MEMORY || e.state == FSA_PCE_ON_DISK ||
           e.state == FSA_PCE_MEMORY_AND_DISK;
}

// One further entry at the start of the entry last laid out. Returns false
// when the caller should restart the whole build.
bool mergeAtSameStart(Pce& laid, const Pce& other, unsigned retry) {
    const std::uint32_t laidSize = par::size(laid.partition);
    const std::uint32_t otherSize = par::size(other.partition);
    if (laidSize != otherSize) {
        UtilPrintDebugFormatted("CT_GetSortedPartitionList: Used overlap larger than space\n");
        UtilPrintDebugFormatted("... StartingSector=%u, SectorCounts=%u and %u\n",
                                par::start(laid.partition), laidSize, otherSize);
        par::set32(laid.partition, par::kSize, std::min(laidSize, otherSize));
        return true;
    }
    if (laid.state == FSA_PCE_IN_MEMORY && other.state == FSA_PCE_ON_DISK) {
        laid.state = FSA_PCE_MEMORY_AND_DISK;
    } else if (laid.state == FSA_PCE_IN_MEMORY && other.state == FSA_PCE_IN_MEMORY) {
        if (retry < 5) {
            UtilPrintDebugFormatted("CT_GetSortedPartitionList: WARNING: Matching in-memory "
                                    "partitions, probably from mirror create.\n");
            return false;
        }
        laid.state = FSA_PCE_MEMORY_AND_DISK;
    }
    return true;
}

// Lays out one disk; false asks for a restart.
bool layOutSlice(std::vector<Pce>& working, std::uint32_t sliceNumber, const SliceFacts& s,
                 std::vector<Pce>& out, unsigned retry) {
    const std::uint64_t end = std::uint64_t(s.dataBlocks) + CT_DATA_START_BLOCK;
    std::uint64_t cursor = CT_DATA_START_BLOCK;
    for (;;) {
        bool any = false;
        bool added = false;
        Pce* lowest = nullptr;
        for (Pce& w : working) {
            if (par::drive(w.partition) != sliceNumber || w.state == FSA_PCE_TAKEN ||
                w.state == FSA_PCE_NO_EXTENT)
                continue;
            any = true;
            const std::uint32_t start = par::start(w.partition);
            if (start != cursor) {
                if (!lowest || start < par::start(lowest->partition))
                    lowest = &w;
                continue;
            }
            if (!added || mayRepeatStart(w) || mayRepeatStart(out.back())) {
                Pce copy = w;
                par::set32(copy.partition, par::kDrive, s.driveId);
                std::memcpy(copy.diskSetInfo, s.diskSetInfo, sizeof copy.diskSetInfo);
                copy.clusterView = 0xFFFFFFFFu;
                if (!s.hasMbr)
                    copy.state = FSA_PCE_USED_NO_MBR;
                out.push_back(copy);
                added = true;
            } else if (!mergeAtSameStart(out.back(), w, retry)) {
                return false;
            }
            w.state = FSA_PCE_TAKEN;
        }
        if (!any)
            break;
        if (!added && lowest) {
            const std::uint64_t next = par::start(lowest->partition);
            if (next < cursor) {
                // Starts inside an extent already laid out: it is not listed.
                UtilPrintDebugFormatted(
                    "CT_GetSortedPartitionList: leastStartingSector=%u, nextFreeSector=%u\n",
                    static_cast<unsigned>(next), static_cast<unsigned>(cursor));
                lowest->state = FSA_PCE_TAKEN;
                continue;
            }
            if (cursor < end) {
                out.push_back(freeExtent(cursor, std::min(next, end) - cursor, s));
                cursor += par::size(out.back().partition);
            } else {
                cursor = next; // past the disk's end: the entry is listed where it claims to be
            }
            continue;
        }
        if (added)
            cursor += par::size(out.back().partition);
    }
    if (cursor < end && (s.hasMbr || cursor != CT_DATA_START_BLOCK))
        out.push_back(freeExtent(cursor, end - cursor, s));
    return true;
}

bool sameDrive(const Pce& a, const Pce& b) {
    return par::drive(a.partition) == par::drive(b.partition);
}

void trimFreeExtents(std::vector<Pce>& list) {
    for (Pce& f : list) {
        if (!PCE_IsFree(f))
            continue;
        const std::uint64_t fStart = par::start(f.partition);
        std::uint64_t overlap = 0;
        for (const Pce& u : list) {
            if (!isUsed(u) || !sameDrive(u, f))
                continue;
            const std::uint64_t uEnd =
                std::uint64_t(par::start(u.partition)) + par::size(u.partition);
            if (par::start(u.partition) <= fStart && uEnd > fStart)
                overlap = std::max(overlap, uEnd - fStart);
        }
        if (overlap && overlap <= par::size(f.partition)) {
            par::set32(f.partition, par::kStart, static_cast<std::uint32_t>(fStart + overlap));
            par::set32(f.partition, par::kSize,
                       static_cast<std::uint32_t>(par::size(f.partition) - overlap));
        }
    }
    list.erase(
        std::remove_if(list.begin(), list.end(),
                       [](const Pce& e) { return PCE_IsFree(e) && par::size(e.partition) == 0; }),
        list.end());
}

void mergeTwins(std::vector<Pce>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].state != FSA_PCE_IN_MEMORY)
            continue;
        const Partition& p = list[i].partition;
        for (std::size_t j = 0; j < list.size(); ++j) {
            const Partition& q = list[j].partition;
            if (list[j].state == FSA_PCE_ON_DISK && par::drive(p) == par::drive(q) &&
                par::start(p) == par::start(q) && par::size(p) == par::size(q) &&
                par::l0Number(p) == par::l0Number(q)) {
                list[i].state = FSA_PCE_MEMORY_AND_DISK;
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(j));
                if (j < i)
                    --i;
                break;
            }
        }
    }
}

} // namespace

LayoutResult CT_LayOutPartitions(std::vector<FSA_PARTITION_CACHE_ELEMENT>& working,
                                 const std::vector<SliceFacts>& slices, unsigned retry) {
    LayoutResult r;
    r.list.reserve(working.size() + 10);
    for (std::uint32_t s = 0; s < slices.size(); ++s) {
        if (slices[s].type != 6)
            continue;
        if (!layOutSlice(working, s, slices[s], r.list, retry)) {
            r.restart = true;
            r.list.clear();
            return r;
        }
    }
    for (Pce& w : working) {
        if (w.state != FSA_PCE_NO_EXTENT)
            continue;
        if (par::l0Type(w.partition) == 8) { // pass-through: the slice becomes its drive
            const std::uint32_t slice = par::drive(w.partition);
            par::set32(w.partition, par::kDrive,
                       slice < slices.size() ? slices[slice].driveId : 0xFFFFFFFFu);
        }
        std::memset(w.diskSetInfo, 0, sizeof w.diskSetInfo);
        w.clusterView = 0xFFFFFFFFu;
        r.list.push_back(w);
    }
    trimFreeExtents(r.list);
    mergeTwins(r.list);
    return r;
}
