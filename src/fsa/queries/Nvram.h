#pragma once

// The file-system command (FIB 300). Failures of the send are thrown.

#include "Context.h"

#include <cstddef>
#include <cstdint>

void FS_SendReceiveFib(FSAAPI_CONTEXT* ctx, const void* request, std::size_t requestLength,
                       void* reply, std::size_t replyLength);
// Tells the battery's gauge the date of a new battery: 1, or 535.
FSA_STATUS NVRAM_NewBattery(FSAAPI_CONTEXT* ctx, std::uint16_t value);
