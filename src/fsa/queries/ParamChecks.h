#pragma once

// Argument and state checks run before an operation changes the controller:
// each returns a verdict or throws the FSA_STATUS the operation returns.

#include "Frame.h"
#include "FsaStatus.h"
#include "FsaTypes.h"

#include <cstdint>

class FSAAPI_CONTEXT;

// One requested extent of a new container.
struct FSA_STORAGE_DEVICE_SPACE {
    FSA_STORAGE_DEVICE device;
    std::uint64_t offset; // bytes
    std::uint64_t size;   // bytes
};

// Container state mask bits (bit numbers of the 64-bit mask).
constexpr std::uint64_t PCK_BIT(unsigned bit) {
    return std::uint64_t{1} << bit;
}

// 1 when no asked state holds, else the status of the first that holds.
// `valid` is cleared for a hidden or missing container and for a container
// of containers whose member has no partition.
FSA_STATUS PCK_ContainerIsRet(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint64_t mask,
                              int* valid);
bool PCK_ContainerIs(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint64_t mask,
                     FSA_THROW_MODE mode);
bool PCK_ThrowIfContainerIs(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint64_t mask);
// Bit 0: the drive has tasks.
bool PCK_ScsiDeviceIs(FSAAPI_CONTEXT* ctx, int deviceId, std::uint32_t mask, FSA_THROW_MODE mode);
bool PCK_ThrowIfScsiDeviceIs(FSAAPI_CONTEXT* ctx, int deviceId, std::uint32_t mask);
int PCK_ValidateChunkSize(FSAAPI_CONTEXT* ctx, std::uint32_t chunkBytes, std::uint64_t size);
void PCK_ValidateFreeSpace(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE_SPACE* spaces,
                           std::uint32_t count, int allowSmall);
FSA_STATUS PCK_CheckAndRemoveActiveCtrs(FSAAPI_CONTEXT* ctx, int deviceId, int removalAllowed,
                                        int force);
FSA_STATUS PCK_ValidateNoFSTaskIsRunning(FSAAPI_CONTEXT* ctx);
// 213 for the host OS types the library does not run on (2, 7 and 8), else 1.
FSA_STATUS PCK_HostOsStatus(std::uint32_t osType);
// True for a local context on the software simulator (no host driver).
bool PCK_HasNoHostDriver(const FSAAPI_CONTEXT* ctx);
int PCK_ValidateReadonlyBuffer(const void* buffer, std::uint32_t size, FSA_THROW_MODE mode);
int PCK_ValidateAndZeroBuffer(void* buffer, std::uint32_t size, FSA_THROW_MODE mode);
