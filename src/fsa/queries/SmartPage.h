#pragma once

// The informational-exceptions control mode page (0x1C) of a drive as the
// SMART exports read and write it, and the SMART-change event.

#include "Context.h"
#include "FsaDevices.h"

#include <cstdint>

constexpr std::uint32_t SMART_PAGE_BLOCK = 140;
constexpr std::uint32_t SMART_PAGE_AT = 9; // the page's bytes in the block

// Fills `smart` for drive `id` (next 0: the device data are asked once with
// failures thrown first); see FsaGetSmartDeviceInfo.
FSA_STATUS SMART_Read(FSAAPI_CONTEXT* ctx, int id, int next, FSA_SMART_DATA* smart);
// MODE SENSE of the page into a 140-byte block (page control 0 current, 1 changeable).
FSA_STATUS SMART_SensePage(FSAAPI_CONTEXT* ctx, int id, unsigned pageControl, std::uint8_t* block,
                           int throwOnError);
void SMART_SendChangeEvent(FSAAPI_CONTEXT* ctx, int id);
