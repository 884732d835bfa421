#include "FlashTransfer.h"

#include "ScsiCommands.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kFlashDevice = 0x10610299;
constexpr std::uint32_t kFlashSubOperation = 82;

struct FLASH_REQUEST {
    std::uint32_t offset;
    std::uint32_t length;
    std::uint32_t command;
    std::uint8_t data[FLASH_PIECE];
};
static_assert(sizeof(FLASH_REQUEST) == 236, "a flash request is 236 bytes");

FLASH_REQUEST transfer(FSAAPI_CONTEXT* ctx, std::uint32_t command, std::uint32_t offset,
                       std::uint32_t length, const std::uint8_t* data = nullptr) {
    FLASH_REQUEST r{};
    r.offset = offset;
    r.length = length;
    r.command = command;
    if (data)
        std::memcpy(r.data, data, std::min<std::size_t>(length, FLASH_PIECE));
    SCSI_sendfib(ctx, kFlashDevice, kFlashSubOperation, &r, sizeof r, 1);
    return r;
}

} // namespace

controller_id_t flashIdentity(FSAAPI_CONTEXT* ctx) {
    const FLASH_REQUEST r = transfer(ctx, FLASH_IDENTITY, 0, 0);
    return controller_id_t{{r.offset & 0xFFFF, r.offset >> 16, r.length & 0xFFFF, r.length >> 16}};
}

std::size_t flashRead(FSAAPI_CONTEXT* ctx, bool bios, std::uint8_t* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const auto n = static_cast<std::uint32_t>(std::min(FLASH_PIECE, length - done));
        const FLASH_REQUEST r = transfer(ctx, bios ? FLASH_READ_BIOS : FLASH_READ_FIRMWARE,
                                         static_cast<std::uint32_t>(done), n);
        // The reply's length word says how much the region still had.
        const std::size_t got = std::min<std::size_t>(r.length, n);
        std::memcpy(buffer + done, r.data, got);
        done += got;
        if (got < n)
            break;
    }
    return done;
}

std::size_t flashWrite(FSAAPI_CONTEXT* ctx, bool bios, const std::uint8_t* data, std::size_t size) {
    transfer(ctx, bios ? FLASH_START_BIOS : FLASH_START_FIRMWARE, 0,
             static_cast<std::uint32_t>(size));
    std::size_t done = 0;
    while (done < size) {
        const auto n = static_cast<std::uint32_t>(std::min(FLASH_PIECE, size - done));
        const FLASH_REQUEST r =
            transfer(ctx, FLASH_WRITE_PIECE, static_cast<std::uint32_t>(done), n, data + done);
        if (r.length != n)
            break;
        done += n;
    }
    // Completing commits the transfer to flash: an image cut short would
    // replace a working one, so it is left open and the flash keeps its old
    // image (the next start replaces the open transfer).
    if (done == size)
        transfer(ctx, FLASH_COMPLETE, 0, 0);
    return size - done;
}

long flashCompare(FSAAPI_CONTEXT* ctx, bool bios, const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const auto n = static_cast<std::uint32_t>(std::min(FLASH_PIECE, size - done));
        const FLASH_REQUEST r = transfer(ctx, bios ? FLASH_READ_BIOS : FLASH_READ_FIRMWARE,
                                         static_cast<std::uint32_t>(done), n);
        if (r.length != n || std::memcmp(r.data, data + done, n) != 0)
            return static_cast<long>(done);
        done += n;
    }
    return -1;
}
