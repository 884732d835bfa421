#pragma once

// Reading a drive through the SCSI sub-operations: the device-data record,
// the capacity, the drive addressed by a query with a `next` flag, and the
// routing of a drive that belongs to the cluster partner.

#include "Context.h"
#include "FsaDevices.h"

#include <cstdint>
#include <cstring>

constexpr std::uint32_t SCSI_OP_FIND_DRIVE = 1;
constexpr std::uint32_t SCSI_OP_DEVICE_DATA = 5;
constexpr std::uint32_t SCSI_OP_CAPACITY = 6;
constexpr std::uint32_t SCSI_OP_MODE_SENSE = 17;
constexpr std::uint32_t SCSI_OP_MODE_SELECT = 18;
constexpr std::uint32_t SCSI_OP_START_TASK = 48;
constexpr std::uint32_t SCSI_OP_DEFECT_COUNTS = 65;
constexpr std::uint32_t SCSI_OP_DEFECT_LIST = 66;
constexpr std::uint32_t SCSI_OP_SMART_COUNTER = 67;
constexpr std::uint32_t SCSI_OP_SMART_CLEAR = 68;
constexpr std::uint32_t SCSI_OP_SMART_UPDATE = 70;

// The 108-byte device-data reply (inquiry-style, little-endian words).
struct SCSI_DEVICE_DATA {
    std::uint8_t b[108];

    std::uint32_t type() const { return b[36] & 31; }
    bool ready() const { return (b[80] >> 1 & 1) != 0; }
    bool removable() const { return (b[44] >> 7 & 1) != 0; }
    bool wide() const { return (b[105] & 1) != 0; }
    std::uint8_t word(std::size_t at) const { return b[at]; } // low byte of a word
    // Bytes 8-13 of the further identification name enclosure processors.
    bool names(const char* six) const { return std::memcmp(b + 68, six, 6) == 0; }
};

struct SCSI_CAPACITY_DATA {
    std::uint32_t blocks;
    std::uint32_t bytesPerBlock;
    std::uint32_t spare;
};

FSA_STATUS SCSI_GetDeviceData(FSAAPI_CONTEXT* ctx, int id, SCSI_DEVICE_DATA* out, int throwOnError);
FSA_STATUS SCSI_GetCapacity(FSAAPI_CONTEXT* ctx, int id, SCSI_CAPACITY_DATA* out);
// The drive a query describes: with next 0 the given one (7 without one),
// else the one after it or the first (10 when there is none); 12 when the
// given address names no drive here.
FSA_STATUS FsaResolveDrive(FSAAPI_CONTEXT* ctx, int next, const FSA_STORAGE_DEVICE* device,
                           int* id);
// The address of drive `id`'s record as the device data tell it.
FSA_STORAGE_DEVICE FsaDeviceFromData(const SCSI_DEVICE_DATA& data);

// The handle of the adapter-table entry the drive belongs to when that is
// not this adapter, with the drive's address as that adapter sees it; else 0.
// Throws the mapping's failure (433 for a bus the cluster does not map).
std::uint32_t ScsiAdapterHandle(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device,
                                FSA_STORAGE_DEVICE* mapped);
// A partner's answer in local numbering: the partner's bus of `device`
// becomes the local bus when the cluster maps it.
void FsaPartnerBusToLocal(FSAAPI_CONTEXT* ctx, FSA_STORAGE_DEVICE* device);
// The serial of the adapter-table entry holding `handle`, or 0.
std::uint32_t FindAdapterHandleWithHandle(FSAAPI_CONTEXT* ctx, std::uint32_t handle);
