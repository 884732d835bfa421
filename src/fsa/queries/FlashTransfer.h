#pragma once

// Flash memory transfers through SCSI sub-operation 82. Failures are thrown.

#include "Context.h"

#include <cstddef>
#include <cstdint>

constexpr std::size_t FLASH_PIECE = 224;

enum FlashCommand : std::uint32_t {
    FLASH_IDENTITY = 17,
    FLASH_WRITE_PIECE = 0x12033,
    FLASH_START_FIRMWARE = 0x1205A,
    FLASH_START_BIOS = 0x1206D,
    FLASH_COMPLETE = 0x12066,
    FLASH_READ_FIRMWARE = 0x12078,
    FLASH_READ_BIOS = 0x120C8,
};

struct controller_id_t {
    std::uint32_t words[4];
};

controller_id_t flashIdentity(FSAAPI_CONTEXT* ctx);
// Reads up to `length` bytes of the BIOS or firmware region; bytes read.
std::size_t flashRead(FSAAPI_CONTEXT* ctx, bool bios, std::uint8_t* buffer, std::size_t length);
// Start, pieces and, when the controller took every piece whole, the
// completion; the bytes the controller did not take.
std::size_t flashWrite(FSAAPI_CONTEXT* ctx, bool bios, const std::uint8_t* data, std::size_t size);
// Reads the region back; the offset of the first differing piece, or -1.
long flashCompare(FSAAPI_CONTEXT* ctx, bool bios, const std::uint8_t* data, std::size_t size);
