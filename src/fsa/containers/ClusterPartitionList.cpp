// The cluster partner's partitions joined to the sorted partition list, each
// with its drive as this adapter sees it.
#include "ContainerCaches.h"

#include "FsaApi.h"
#include "FsaMaintenance.h"
#include "HandleTable.h"
#include "PartitionFields.h"
#include "ScsiCommands.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::uint32_t kNoExtent = 4; // PCE state: in memory with start block 0

// The partner's drive id as this adapter numbers the drive;
// par::kDriveNotHere when the drive is not visible here.
std::uint32_t localDrive(FSAAPI_CONTEXT* ctx, FSAAPI_CONTEXT* partner, std::uint32_t driveId) {
    if (driveId == par::kDriveNotHere || !partner)
        return par::kDriveNotHere;
    FSA_STORAGE_DEVICE theirs{}, ours{};
    SCSI_GetStandardID(partner, &theirs, static_cast<int>(driveId));
    if (FsaMapToLocalPerspective(UtilHandleFromValue(ctx->handle), &theirs, &ours) !=
        FSA_STS_SUCCESS)
        return par::kDriveNotHere;
    return static_cast<std::uint32_t>(SCSI_GetInternalID(ctx, &ours));
}

std::int32_t signedDrive(const Pce& e) {
    return static_cast<std::int32_t>(par::drive(e.partition));
}

void setDrive(Pce& e, std::uint32_t driveId) {
    std::memcpy(e.partition.bytes + par::kDrive, &driveId, sizeof driveId);
}

} // namespace

bool CT_ClusterModifySortedPartitionList(FSAAPI_CONTEXT* ctx, PceList& own) {
    if (!ctx->partnerHandle)
        return true;
    void* partnerHandle = UtilHandleFromValue(ctx->partnerHandle);
    unsigned int count = 0;
    FSA_PARTITION_CACHE_ELEMENT* raw = nullptr;
    if (FsaGetSortedPartitionList(partnerHandle, &count, &raw) != FSA_STS_SUCCESS)
        return false;
    const std::unique_ptr<FSA_PARTITION_CACHE_ELEMENT, decltype(&std::free)> owned(raw, &std::free);
    if (!count)
        return true;
    const FsaContextHold partner = UtilGetContextFromHandle(partnerHandle);
    PceList theirs(raw, raw + count);
    for (Pce& e : theirs) {
        e.clusterView = 0;
        setDrive(e, localDrive(ctx, partner, par::drive(e.partition)));
    }
    if (own.empty()) {
        own = std::move(theirs);
        return true;
    }
    PceList merged;
    merged.reserve(own.size() + theirs.size());
    std::size_t i = 0, j = 0;
    while (i < own.size() || j < theirs.size()) {
        bool takeTheirs;
        if (i == own.size())
            takeTheirs = true;
        else if (j == theirs.size())
            takeTheirs = false;
        else if (own[i].state == kNoExtent)
            takeTheirs = true;
        else if (theirs[j].state == kNoExtent)
            takeTheirs = false;
        else
            takeTheirs = signedDrive(theirs[j]) <= signedDrive(own[i]);
        merged.push_back(takeTheirs ? theirs[j++] : own[i++]);
    }
    own = std::move(merged);
    return true;
}
