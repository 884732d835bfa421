#include "SortedPartitionList.h"

#include "CtWrappers.h"
#include "DiskSetRecords.h"
#include "FsaStatus.h"
#include "OsPort.h"
#include "PartitionFields.h"
#include "PartitionLayout.h"

#include <cstring>

namespace {

constexpr std::uint32_t kMbrSignature = 0x00021956;

// Partition records as zeroed elements; the controller's count is bounded
// before anything is allocated for it.
PceList asElements(const std::vector<Partition>& records) {
    PceList out(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        out[i].partition = records[i];
    return out;
}

std::vector<Partition> recordBuffer(std::uint32_t n) {
    if (n > CT_MAX_PARTITION_ENTRIES)
        throw FSA_STS_PARTITION_ENTRY_FAILED;
    return std::vector<Partition>(n);
}

constexpr long long kNoMbr = -1;
constexpr long long kMbrUnread = -2;

// Reads the slice's MBR; the number of on-disk entries it announces,
// kNoMbr when the disk does not carry the controller's MBR, kMbrUnread when
// the controller could not read it.
long long onDiskEntryCount(FSAAPI_CONTEXT* ctx, std::uint32_t slice) {
    std::uint32_t mbr[6] = {};
    if (!CT_ReadMBR(ctx, slice, mbr))
        return kMbrUnread;
    if (mbr[0] != kMbrSignature)
        return kNoMbr;
    return mbr[1];
}

} // namespace

PceList CT_GetPCEsForPartitionsInMemory(FSAAPI_CONTEXT* ctx, std::uint32_t n) {
    std::vector<Partition> records = recordBuffer(n);
    if (n)
        CT_GetPartitionsInMemory(ctx, records.data(), n * CT_PARTITION_BYTES);
    return asElements(records);
}

PceList CT_GetPCEsForDiskPartitions(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t n) {
    std::vector<Partition> records = recordBuffer(n);
    if (n)
        CT_GetDiskPartitions(ctx, slice, records.data(), n);
    return asElements(records);
}

bool CT_ReadDriveDiskSetInfo(FSAAPI_CONTEXT* ctx, std::uint32_t driveId, std::uint8_t* out152,
                             DS_RECORD* answer) {
    // A drive whose disk set cannot be read counts as in none; the caller
    // learns that the answer is not the drive's.
    FSA_DISK_SET_INFO info{};
    *answer = DS_RECORD{};
    bool read = true;
    try {
        const FSA_STATUS s = DS_GetDriveInfo(ctx, driveId, &info, nullptr, answer);
        if (s != FSA_STS_SUCCESS) {
            read = s == FSA_STS_DS_NOT_OWNER_OF_DISK; // the drive is in no set
            info = FSA_DISK_SET_INFO{};
        }
    } catch (FSA_STATUS) {
        info = FSA_DISK_SET_INFO{};
        read = false;
    }
    std::memcpy(out152, &info, 152);
    return read;
}

PceList CT_GetSortedPartitionList(FSAAPI_CONTEXT* ctx, unsigned int retry,
                                  std::vector<DriveReading>* drives) {
    for (;;) {
        if (drives)
            drives->clear();
        const std::uint32_t age = CT_GetConfigAge(ctx);
        const std::uint32_t tableSize = CT_GetPartitionTableSize(ctx);
        PceList memory = CT_GetPCEsForPartitionsInMemory(ctx, tableSize);
        PceList working;
        for (std::uint32_t i = 1; i < memory.size(); ++i) {
            FSA_PARTITION_CACHE_ELEMENT& e = memory[i];
            if (!par::serial(e.partition))
                continue;
            e.state = par::start(e.partition) ? FSA_PCE_IN_MEMORY : FSA_PCE_NO_EXTENT;
            par::set32(e.partition, par::kEntry, i);
            working.push_back(e);
        }

        const std::uint32_t sliceCount = CT_GetSliceCount(ctx);
        if (sliceCount > CT_MAX_PARTITION_ENTRIES)
            throw FSA_STS_PARTITION_ENTRY_FAILED;
        std::vector<SliceFacts> slices(sliceCount);
        for (std::uint32_t s = 0; s < sliceCount; ++s) {
            const long long onDisk = onDiskEntryCount(ctx, s);
            SliceFacts& f = slices[s];
            f.hasMbr = onDisk >= 0;
            if (f.hasMbr) {
                for (auto& e :
                     CT_GetPCEsForDiskPartitions(ctx, s, static_cast<std::uint32_t>(onDisk))) {
                    if (!par::serial(e.partition) || par::u32(e.partition, par::kAge) > age ||
                        !par::size(e.partition))
                        continue;
                    e.state = FSA_PCE_ON_DISK;
                    par::set32(e.partition, par::kDrive, s);
                    par::set32(e.partition, par::kSlice, s);
                    working.push_back(e);
                }
            }
            std::uint32_t b = 0, c = 0;
            CT_GetSliceInfo(ctx, s, &f.dataBlocks, &b, &c, &f.driveId, nullptr, &f.type);
            // No disk has no size, no drive and no kind: a zeroed answer.
            if (f.dataBlocks == 0 && f.driveId == 0 && f.type == 0) {
                if (drives)
                    drives->push_back(DriveReading{0, false});
                continue;
            }
            if (f.type != 6)
                continue;
            DS_RECORD answer;
            const bool setRead = CT_ReadDriveDiskSetInfo(ctx, f.driveId, f.diskSetInfo, &answer);
            if (drives) {
                DriveReading& d = drives->emplace_back();
                d.driveId = f.driveId;
                d.mbrRead = onDisk != kMbrUnread;
                d.setRead = setRead;
                std::memcpy(d.diskSetInfo, f.diskSetInfo, sizeof d.diskSetInfo);
                d.setAnswer = answer;
            }
        }

        LayoutResult r = CT_LayOutPartitions(working, slices, retry);
        if (!r.restart)
            return std::move(r.list);
        fsa::sleepMs(200);
        ++retry;
    }
}
