#pragma once

// SCSI sub-operations carried in a container FIB, and the mapping between
// public drive and container records and the controller's internal ids.

#include "Context.h"

#include <cstdint>

constexpr std::uint32_t SCSI_DATA_MAX = 456;
constexpr std::uint32_t SCSI_BUS_INFO = 9;

FSA_STATUS SCSI_sendfib(FSAAPI_CONTEXT* ctx, int deviceId, std::uint32_t subOperation, void* data,
                        int length, int throwOnError);
int SCSI_GetInternalID(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device);
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
