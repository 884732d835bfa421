#pragma once

// Calls about a container or drive of the cluster partner are made again on
// the partner's handle.

#include "Context.h"

#include <cstdint>
#include <new>

// The handle of the partner adapter that owns the container, or 0 (this one).
std::uint32_t CTR_GET_RELEVANT_HANDLE(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container);

#include <vector>

// A copy of `count` records with each drive's bus number mapped to the
// partner's numbering (`deviceOf(record)` names the record's drive); 461 is
// thrown for a bus the partner cannot see, 91 when the copy cannot be had.
template <class Record, class DeviceOf>
std::vector<Record> FsaCopyForPartner(void* handle, const Record* records, std::uint32_t count,
                                      DeviceOf deviceOf);
std::uint32_t FsaPartnerBusOrThrow(void* handle, std::uint32_t bus);

template <class Record, class DeviceOf>
std::vector<Record> FsaCopyForPartner(void* handle, const Record* records, std::uint32_t count,
                                      DeviceOf deviceOf) {
    std::vector<Record> copy;
    try {
        copy.assign(records, records + count);
    } catch (const std::bad_alloc&) {
        throw FSA_STS_OUT_OF_MEMORY;
    }
    for (Record& r : copy) {
        FSA_STORAGE_DEVICE& d = deviceOf(r);
        d.scsi.bus = static_cast<std::uint8_t>(FsaPartnerBusOrThrow(handle, d.scsi.bus));
    }
    return copy;
}

// Whether the drive's bus is shared with the cluster partner (the cluster's
// shared-bus mask has the bus's bit); true when the mask cannot be read.
bool SCD_BUS_SHARED(FSAAPI_CONTEXT* ctx, const FSA_SCSI_DEVICE* device);
// Whether a drive's own disk-set answer (`driveInfo`, the status of
// FsaGetDriveInfo, with its shared-channel word `shared`) says its bus is
// private: read, or "in no set", and not shared. A bus counts as private
// only when this and the cluster's mask (SCD_BUS_SHARED) both say so: a
// damaged mask reads like a private bus, while the drive's answer names the
// drive, so a damaged one is not taken.
inline bool CT_DriveAnswerSaysPrivate(FSA_STATUS driveInfo, std::uint32_t shared) {
    return (driveInfo == FSA_STS_SUCCESS || driveInfo == FSA_STS_DS_NOT_OWNER_OF_DISK) && !shared;
}
// Whether the container's disks sit on a shared bus (its disk-set
// information's state word is 1).
bool CTR_BUS_SHARED(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container);
