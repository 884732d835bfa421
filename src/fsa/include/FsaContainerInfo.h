#pragma once

// The container information record and the partition enumeration record.

#include "FsaMaintenance.h"
#include "FsaTypes.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 4)

// One member of a container: a partition on a drive (kind 0), a missing
// member (kind 1) or a member container (its id in the same 12 bytes).
struct FSA_PARTITION {
    FSA_STORAGE_DEVICE device;
    std::uint64_t offset; // bytes
    std::uint64_t size;   // bytes
};
static_assert(sizeof(FSA_PARTITION) == 28, "a container member is 28 bytes");

struct FSA_CONTAINER_INFO {
    tag_FSA_CONTAINER container;
    char name[16];
    std::uint32_t type;
    std::uint32_t extendedType;
    std::uint32_t mirrorState;
    std::uint32_t usage;
    std::uint32_t reserved;
    std::uint32_t ctFlag28;
    std::uint32_t ctFlag31;
    std::uint8_t driveLetter;
    std::uint8_t pad[3];
    std::uint32_t diskNumber;
    std::uint32_t hasDrivePartitions;
    std::uint64_t size;
    std::uint32_t mirrorDelay;
    std::uint32_t creatorWord;
    std::uint32_t serialWord;
    std::uint8_t createdMonth;
    std::uint8_t createdDay;
    std::uint16_t createdYear;
    std::uint8_t createdHour;
    std::uint8_t createdMinute;
    std::uint8_t createdSecond;
    std::uint8_t createdExtra;
    std::uint32_t chunkSize;
    std::uint32_t role;
    tag_FSA_CONTAINER related[6];
    std::uint32_t mirrorSide;
    tag_FSA_CONTAINER mirrorPartner;
    std::uint32_t hasTasks;
    tag_FSA_CONTAINER parent;
    std::uint32_t creationWord1;
    std::uint64_t maxFsExtension;
    std::uint32_t memberId;
    tag_FSA_CONTAINER snapshotSource;
    std::uint32_t membersMissing;
    std::uint32_t isBootDevice;
    std::uint32_t fsExtensionInfo;
    std::uint32_t fsNotFullContainer;
    std::uint32_t notFlag6;
    std::uint32_t ctFlag7;
    std::uint32_t partitionCount;
    FSA_DISK_SET_INFO diskSetInfo;
    std::uint32_t isSystemDevice;
    char specialFile[52];
    FSA_PARTITION partitions[1]; // partitionCount entries
};

struct FSA_PARTITION_INFO {
    FSA_STORAGE_DEVICE device;
    std::uint64_t offset;
    std::uint64_t size;
    std::uint32_t state;
    std::uint32_t level0Type;
    tag_FSA_CONTAINER level0;
    std::uint32_t level1Type;
    tag_FSA_CONTAINER level1;
    std::uint32_t hasWord32;
    std::uint32_t hasMemberIndex;
};

#pragma pack(pop)

static_assert(offsetof(FSA_CONTAINER_INFO, size) == 68, "packed as the controller library lays it");
static_assert(offsetof(FSA_CONTAINER_INFO, createdMonth) == 88, "creation stamp at 88");
static_assert(offsetof(FSA_CONTAINER_INFO, partitions) == 472, "the fixed part is 472 bytes");
static_assert(sizeof(FSA_CONTAINER_INFO) == 500, "fixed part and one member");

// A record with every member the controller allows.
constexpr unsigned int FSA_CONTAINER_INFO_MAX_BYTES = 4084;
constexpr unsigned int FSA_CONTAINER_INFO_BYTES(unsigned int members) {
    return 472 + 28 * (members ? members : 1);
}

extern "C" {
FSA_STATUS FsaGetContainerInfo(void* handle, int next, const tag_FSA_CONTAINER* container,
                               FSA_CONTAINER_INFO* info, unsigned int size);
FSA_STATUS FsaGetFsaPartitionInfo(void* handle, int next, const FSA_PARTITION* partition,
                                  FSA_PARTITION_INFO* info);
}
