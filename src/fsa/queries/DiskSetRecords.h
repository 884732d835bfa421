#pragma once

// Disk-set records of the cluster command channel and their library forms.

#include "Context.h"
#include "FsaMaintenance.h"
#include "OsLayer.h"

#include <cstdint>

// The controller's disk-set record: the information reply (command 11) and,
// by their first bytes, the modification (120 bytes), member (128) and
// drive-information (140) records.
struct DS_RECORD {
    std::uint64_t number;
    std::uint64_t creator;
    char label[32];
    std::uint32_t generation;
    std::uint32_t flags;
    std::uint64_t owner;
    std::uint64_t stamp;
    std::uint32_t attributes;
    std::uint32_t spare[10];
    std::uint32_t memberCount;
    std::uint32_t driveId;
    std::uint32_t one;
    std::uint32_t byDevT;
    std::uint32_t sharedChannel;
    std::uint8_t tail[248];
};
static_assert(sizeof(DS_RECORD) == 384, "the disk-set information is 384 bytes");

constexpr std::size_t DS_MODIFY_BYTES = 120;
constexpr std::size_t DS_MEMBER_BYTES = 128;
constexpr std::size_t DS_DRIVE_BYTES = 140;

enum : std::uint32_t {
    DS_FLAG_HELD = 4,
    DS_FLAG_NO_SET = 8,
    DS_FLAG_MIXED = 16,
    DS_FLAG_ATTACHED = 32,
    DS_ATTR_SPARE_POOL = 1,
    DS_ATTR_HOST_MANAGED = 2,
};

// The state word of a set's information, from the record's flags.
inline FSA_DISK_SET_STATE DS_StateOf(const DS_RECORD& r) {
    return (r.flags & DS_FLAG_HELD)     ? FSA_DSS_HELD
           : (r.flags & DS_FLAG_NO_SET) ? FSA_DSS_UNHELD
                                        : FSA_DSS_MIXED;
}

void DS_EncodeDiskSetNumber(const FAOS_TIME_INFO& t, _OEM_FLAVOR flavour, std::uint8_t out[8]);
// A new number from the local time; sleeps a second so the next one differs.
std::uint64_t GenerateDiskSetNumber();
// Eight u16: year, month, day, hour, minute, second, 0, 0.
void ConvertDiskSetCreationTimeStampToFsaTime(std::uint64_t stamp, std::uint16_t out[8]);

std::uint64_t DS_OwnerId(const FSAAPI_CONTEXT* ctx);
std::uint64_t DS_PartnerOwnerId(const FSAAPI_CONTEXT* ctx);

// Command 11 for the key; the record as the controller returns it (6 when
// it names another set).
FSA_STATUS DS_ReadDiskSet(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, DS_RECORD* out);
// The same for the operations on a set: a set that cannot be read is
// reported as missing (425), an answer naming another set as the damaged
// answer it is (6).
FSA_STATUS DS_ReadSetForOperation(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, DS_RECORD* out);
FSA_STATUS DS_GetDiskSetInfo(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, FSA_DISK_SET_INFO* info);
// Command 12: 426 for a drive in no set; 6 for an answer that names another
// drive or neither a set nor "in no set". `answer` (when given) receives the
// record of a drive in a set as the controller gave it, else zeros.
FSA_STATUS DS_GetDriveInfo(FSAAPI_CONTEXT* ctx, std::uint32_t driveId, FSA_DISK_SET_INFO* info,
                           std::uint32_t* sharedChannel, DS_RECORD* answer = nullptr);
// Whether a drive's answer says of its set what the set's own record says:
// key, label, generation, flags, owner, creation stamp, attributes and
// member count. One that differs is a stale or damaged answer.
bool DS_DriveAnswerAgrees(const DS_RECORD& drive, const DS_RECORD& set);
// A modification record for the key with the given owner (commands 4, 8-10,
// 16-18).
DS_RECORD DS_ModifyRecord(const FSA_DISK_SET* set, std::uint64_t owner);

inline std::uint64_t DS_InfoOwner(const FSA_DISK_SET_INFO& info) {
    return static_cast<std::uint64_t>(info.words[FSA_DSI_OWNER + 1]) << 32 |
           info.words[FSA_DSI_OWNER];
}
