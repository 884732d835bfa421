#pragma once

// The remote transport's drive operations: this platform has no remote
// transport, so each answers with its fixed status.

#include "Context.h"

#include <cstdint>

FSA_STATUS NetworkGetStorageDeviceInfo(FSAAPI_CONTEXT* ctx);                   // 514
FSA_STATUS NetworkBlinkDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* d, // 514
                             std::uint32_t count);
FSA_STATUS NetworkStorageDevice(FSAAPI_CONTEXT* ctx);      // 66
FSA_STATUS NetworkSetSmartDeviceInfo(FSAAPI_CONTEXT* ctx); // 66
FSA_STATUS NetworkClearSmartDevice(FSAAPI_CONTEXT* ctx);   // 66
