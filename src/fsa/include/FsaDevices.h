#pragma once

// Drives and channels: drive information, SMART settings, channel
// enumeration, drive operations and defect lists.

#include "FsaMaintenance.h"
#include "FsaTypes.h"

#include <cstdint>

enum FSA_STORAGE_DEVICE_CLASS : std::uint32_t {
    FSA_SDC_CONTAINER_COMPATIBLE = 0,
    FSA_SDC_NON_STORAGE = 2,
    FSA_SDC_UNKNOWN = 3,
};

struct FSA_STORAGE_DEVICE_INFO {
    FSA_STORAGE_DEVICE deviceLocation;
    std::uint32_t sdClass;
    std::uint32_t initState;
    std::uint32_t busy;
    std::uint32_t failoverCount;
    std::uint32_t ready;
    std::uint32_t scsiStandardDeviceType;
    std::uint32_t subType;
    std::uint32_t removable;
    char vendorID[8];
    char productID[16];
    char productRev[4];
    char vendorSpecific[20];
    std::uint32_t blockCount;
    std::uint32_t bytesPerBlock;
    std::uint32_t blinking;
    std::uint32_t transferMode;
    std::uint32_t transferRate;
    std::uint32_t sliceValue2;
    std::uint32_t sliceValue1;
    std::uint32_t spare[27];
    FSA_DISK_SET_INFO diskSetInfo;
    std::uint32_t inDiskSet;
};
static_assert(sizeof(FSA_STORAGE_DEVICE_INFO) == 384, "callers allocate 384 bytes");

struct FSA_SMART_DATA {
    std::uint32_t smartSupported;
    FSA_STORAGE_DEVICE device;
    std::uint32_t mrie;
    std::uint32_t dexcpt;
    std::uint32_t logErr;
    std::uint32_t perf;
    std::uint32_t reportCount;
    std::uint32_t smartCounter;
    std::uint32_t intervalTimer;
    std::uint32_t test;
    std::uint32_t mrieChangeable;
    std::uint32_t dexcptChangeable;
    std::uint32_t logErrChangeable;
    std::uint32_t perfChangeable;
    std::uint32_t reportCountChangeable;
    std::uint32_t intervalTimerChangeable;
    std::uint32_t testChangeable;
};
static_assert(sizeof(FSA_SMART_DATA) == 19 * 4, "the SMART record is 19 words");

struct _tagFSA_CHANNEL_ENUM_INFO {
    std::uint32_t channel;
    std::int32_t channelByte;
    std::uint32_t highestTarget;
    std::uint32_t kind;
    std::uint32_t zero;
    std::uint32_t shared;
    std::uint8_t clusterMap[8];
    std::uint32_t state;
};

typedef void (*FSA_CHANNEL_ENUM_CALLBACK)(std::uint32_t channelCount,
                                          const _tagFSA_CHANNEL_ENUM_INFO* info, void* user);

// One entry of a drive's defect list.
struct FSA_DISK_DEFECT {
    std::uint32_t cylinder; // 24 bits
    std::uint32_t head;     // 8 bits
    std::uint32_t sector;
};

enum FSA_STORAGE_DEVICE_OPERATION : std::uint32_t {
    FSA_SDO_VERIFY = 0,
    FSA_SDO_VERIFY_REPAIR = 1,
    FSA_SDO_ZERO_UNLESS_DOS = 2,
    FSA_SDO_ZERO_UNLESS_MBR = 3,
    FSA_SDO_ZERO = 4,
    FSA_SDO_ZERO_FORCE = 5,
    FSA_SDO_REMOVE_DEAD_PARTITIONS = 6,
    FSA_SDO_BLINK = 7,
    FSA_SDO_RESERVED = 8,
};

extern "C" {

FSA_STATUS FsaGetStorageDeviceInfo(void* handle, int next, const FSA_STORAGE_DEVICE* device,
                                   FSA_STORAGE_DEVICE_INFO* info);
FSA_STATUS FsaGetSmartDeviceInfo(void* handle, int next, const FSA_STORAGE_DEVICE* device,
                                 FSA_SMART_DATA* smart);
FSA_STATUS FsaEnumChannels(void* handle, void* user, FSA_CHANNEL_ENUM_CALLBACK callback);
FSA_STATUS FsaStorageDevice(void* handle, const FSA_STORAGE_DEVICE* device, std::uint32_t operation,
                            std::uint32_t* argument);
FSA_STATUS FsaSetSmartDeviceInfo(void* handle, int next, const FSA_STORAGE_DEVICE* device,
                                 FSA_SMART_DATA* smart);
FSA_STATUS FsaClearSmartDevice(void* handle, const FSA_STORAGE_DEVICE* device);
FSA_STATUS FsaUpdateSmartDevice(void* handle, const FSA_STORAGE_DEVICE* device);
FSA_STATUS FsaGetDiskDefects(void* handle, const FSA_STORAGE_DEVICE* device, std::uint32_t list,
                             std::uint32_t* count, FSA_DISK_DEFECT* entries,
                             std::uint32_t capacity);
}
