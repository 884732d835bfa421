// FsaGetDiskDefects: a drive's primary or grown defect list, in pieces of
// at most 15 entries.

#include "DeviceAccess.h"
#include "Frame.h"
#include "HandleTable.h"
#include "ScsiCommands.h"

#include <cstring>

namespace {

constexpr std::uint32_t kPiece = 15;
constexpr std::uint32_t kPieceBlock = 140;
constexpr std::uint32_t kDescriptorsAt = 20;

std::uint32_t bigEndian(const std::uint8_t* at, unsigned bytes) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < bytes; ++i)
        v = v << 8 | at[i];
    return v;
}

FSA_STATUS readList(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device, std::uint32_t list,
                    std::uint32_t* count, FSA_DISK_DEFECT* entries, std::uint32_t capacity) {
    const int id = SCSI_DriveId(ctx, device);
    std::uint32_t counts[3] = {};
    SCSI_sendfib(ctx, id, SCSI_OP_DEFECT_COUNTS, counts, sizeof counts, 1);
    if (list > 1)
        return FSA_STS_BAD_OPERATION;
    const std::uint32_t total = counts[list];
    const std::uint32_t letter = list == 0 ? 'p' : 'g';
    *count = total;
    if (!entries)
        return FSA_STS_SUCCESS;
    std::uint32_t written = 0;
    for (std::uint32_t start = 0; start < total;) {
        const std::uint32_t n = total - start < 16 ? total - start : kPiece;
        std::uint32_t block[kPieceBlock / 4] = {letter, counts[2], total, start, n};
        SCSI_sendfib(ctx, id, SCSI_OP_DEFECT_LIST, block, sizeof block, 1);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(block);
        for (std::uint32_t i = 0; i < n; ++i) {
            if (written == capacity)
                return FSA_STS_BUFFER_TOO_SMALL;
            const std::uint8_t* d = bytes + kDescriptorsAt + 8 * i;
            entries[written++] = {bigEndian(d, 3), d[3], bigEndian(d + 4, 4)};
        }
        start += n;
    }
    return FSA_STS_SUCCESS;
}

} // namespace

extern "C" FSA_STATUS FsaGetDiskDefects(void* handle, const FSA_STORAGE_DEVICE* device,
                                        std::uint32_t list, std::uint32_t* count,
                                        FSA_DISK_DEFECT* entries, std::uint32_t capacity) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        if (!device || !count)
            return FSA_STS_BAD_ARGUMENTS;
        FSA_STORAGE_DEVICE mapped;
        if (const std::uint32_t other = ScsiAdapterHandle(ctx, device, &mapped))
            return FsaGetDiskDefects(UtilHandleFromValue(other), &mapped, list, count, entries,
                                     capacity);
        return readList(ctx, device, list, count, entries, capacity);
    });
}
