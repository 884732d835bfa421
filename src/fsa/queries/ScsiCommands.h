#pragma once

// SCSI sub-operations carried in a container FIB, and the mapping between
// public drive and container records and the controller's internal ids.

#include "Context.h"

#include <cstdint>

constexpr std::uint32_t SCSI_DATA_MAX = 456;
constexpr std::uint32_t SCSI_BUS_INFO = 9;
constexpr FSA_STATUS SCSI_DRIVE_NOT_FOUND = FSA_STS_DEVICE_NOT_FOUND;

// A request with the adapter's own SCSI method.
FSA_STATUS SCSI_sendfib(FSAAPI_CONTEXT* ctx, int deviceId, std::uint32_t subOperation, void* data,
                        int length, int throwOnError);
// A request with the method its caller names (battery registers use their
// own); the context is never changed for it, so that concurrent requests of
// the blink workers keep theirs.
FSA_STATUS SCSI_sendfibMethod(FSAAPI_CONTEXT* ctx, std::uint32_t method, int deviceId,
                              std::uint32_t subOperation, void* data, int length, int throwOnError);
// -1 for an address that names no drive here; the fixed field ranges are
// checked before the bus information is asked.
int SCSI_GetInternalID(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device);
// Whether the address fits the internal id at all: a SCSI drive on bus
// 0-63, target 0-15, lun 0-7. Sends nothing.
bool SCSI_AddressEncodable(const FSA_STORAGE_DEVICE* device);
// The internal id of a drive the caller is about to address; throws 12
// (drive not found) instead of handing on -1.
int SCSI_DriveId(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device);
// SCSI_DriveId for every drive of a request, before any of them is
// addressed; `deviceOf(i)` gives drive i.
template <class DeviceOf>
void SCSI_RequireDriveIds(FSAAPI_CONTEXT* ctx, std::uint32_t count, DeviceOf deviceOf) {
    for (std::uint32_t i = 0; i < count; ++i)
        SCSI_DriveId(ctx, &deviceOf(i));
}
void SCSI_GetStandardID(FSAAPI_CONTEXT* ctx, FSA_STORAGE_DEVICE* out, int id);
// True when the controller reports the slice as a DOS partition.
bool SCSI_hasDosPartition(FSAAPI_CONTEXT* ctx, int slice);
// Drive tasks: a refused verify gives 518; other failures are returned.
FSA_STATUS SCSI_StartVerify(FSAAPI_CONTEXT* ctx, int id, int repair);
FSA_STATUS SCSI_StartZero(FSAAPI_CONTEXT* ctx, int id);
// The container record of a controller-internal container id.
void FsaContainerFromInternalId(FSAAPI_CONTEXT* ctx, std::uint32_t id, tag_FSA_CONTAINER* out);
// The adapter's own serial number (low half of its owner id).
std::uint32_t FsaAdapterSerial(const FSAAPI_CONTEXT* ctx);
