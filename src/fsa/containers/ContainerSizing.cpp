// Partition sizing and partition counts.
#include "ContainerCaches.h"
#include "CtChannel.h"
#include "FsaContainerOps.h"
#include "OpsFrame.h"
#include "PartitionFields.h"

namespace {

constexpr std::uint64_t kPartitionStep = 0x10000;

// The container's present partitions: those of its level-1 container when it
// has any, else those at level 0.
std::uint32_t presentPartitions(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER& c) {
    CT_InvalidateCache(ctx);
    return CT_WithCache(ctx, [&](const PceList& cache) {
        std::uint32_t level0 = 0, level1 = 0;
        for (const Pce& e : cache) {
            const Partition& p = e.partition;
            if (par::serial(p) != c.adapterSerial || PCE_IsFree(e))
                continue;
            if (par::l0Number(p) == c.containerNumber && par::l0Type(p))
                ++level0;
            else if (par::l1Number(p) == c.containerNumber && par::l1Type(p))
                ++level1;
        }
        return level1 ? level1 : level0;
    });
}

std::uint32_t divisorFor(std::uint32_t type, std::uint32_t partitions) {
    switch (type) {
    case 4: // RAID-5: one partition's worth holds parity
        return partitions > 1 ? partitions - 1 : 0;
    case 1:
    case 13: // mirrors keep every block twice
        return partitions > 1 ? partitions / 2 : 0;
    default:
        return partitions;
    }
}

} // namespace

extern "C" {

FSA_STATUS FsaGetPartitionSize(void* handle, std::uint64_t* partitionSize,
                               const tag_FSA_CONTAINER* container, std::uint32_t type, int add,
                               unsigned int count, std::uint64_t capacity) {
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!partitionSize || !container)
            return FSA_STS_BAD_ARGUMENTS;
        const std::uint32_t present = presentPartitions(ctx, *container);
        const std::uint32_t partitions = add ? count + present : (count ? count : present);
        const std::uint32_t divisor = divisorFor(type, partitions);
        if (!divisor)
            return FSA_STS_BAD_CONFIGURATION;
        const std::uint64_t size = (capacity + divisor - 1) / divisor;
        // Always up to the next 64 KB step, even from an exact multiple.
        *partitionSize = size + kPartitionStep - size % kPartitionStep;
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaFindMaxNumberOfPartitionsPerDisk(void* handle, unsigned int* out) {
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!out)
            return FSA_STS_BAD_ARGUMENTS;
        *out = CT_GetMaxNumberOfCtrPartitions(ctx);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaFindNumberOfCtrPartitionsonDisk(void* handle, const FSA_SCSI_DEVICE* device,
                                              unsigned int* out) {
    return FsaOpsCall(handle, kReadGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!device || !out)
            return FSA_STS_BAD_ARGUMENTS;
        *out = CT_GetNumberOfPartitionsAlreadyOnDevice(ctx, device);
        return FSA_STS_SUCCESS;
    });
}
}
