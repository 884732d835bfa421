#pragma once

// Records and enumerations of the controller library's exported interface.

#include "FsaStatus.h"
#include "FsaWideChar.h"

#include <cstdint>

enum FSA_ACCESS : std::uint32_t {
    FSA_ACC_READ_ONLY = 0,
    FSA_ACC_READ_WRITE = 1,
    FSA_ACC_LL_READ_ONLY = 2,
    FSA_ACC_LL_READ_WRITE = 3,
    FSA_ACC_SNAPSHOT = 4,
    FSA_ACC_LL_SNAPSHOT = 5,
    FSA_ACC_UTILITY = 6,
    FSA_ACC_UNKNOWN = 7,
    FSA_RZC_CLUSTER_MANAGER = 8,
    FSA_RZC_LL_CLUSTER_MANAGER = 9,
};

enum FSA_CONNECTION_TYPE : std::uint32_t {
    FSA_CONNECTION_LOCAL = 0,
    FSA_CONNECTION_REMOTE = 1,
};

enum FSA_ADAPTER_AVAIL_TYPE : std::uint32_t {
    FSA_AVL_UNKNOWN = 1,
    FSA_AVL_READ_ONLY = 2,
    FSA_AVL_READ_WRITE = 3,
};

typedef std::uint32_t FSA_ADAPTER_TYPE;

// The controller's command block: 32-byte header, 480 bytes of payload.
struct _FIB {
    std::uint32_t XferState;
    std::uint16_t Command;
    std::uint8_t StructType;
    std::uint8_t Flags;
    std::uint16_t Size;
    std::uint16_t SenderSize;
    std::uint32_t SenderFibAddress;
    std::uint32_t ReceiverFibAddress;
    std::uint32_t SenderData;
    std::uint32_t DriverWords[2];
    std::uint8_t data[480];
};
static_assert(sizeof(_FIB) == 512, "a FIB is 512 bytes");

struct FSA_REVISION {
    std::uint8_t dash;
    std::uint8_t type;
    std::uint8_t minor;
    std::uint8_t major;
    std::uint32_t buildNumber;
};

struct FSA_GENERAL_INFO {
    FA_WCHAR spareName[52];
    FA_WCHAR hostName[52];
    FA_WCHAR adapterName[16];
    FSA_REVISION libraryVersion;
    FSA_REVISION spareRevision[2];
    FSA_REVISION fileSysDriverVersion;
    FSA_REVISION miniportDriverVersion;
    FSA_REVISION firmwareVersion;
    FSA_REVISION monitorVersion;
    FSA_REVISION hardwareVersion;
    std::uint32_t adapterType;
    std::uint32_t processorType;
    std::uint32_t processorClock;
    std::uint32_t totalMemory;
    std::uint32_t executionMemory;
    std::uint32_t bufferMemory;
    std::uint32_t channelCount;
    std::uint32_t maxTargetId;
    std::uint32_t maxContainerMembers;
    std::uint32_t memberLimitA;
    std::uint32_t memberLimitB;
    std::uint32_t memberLimitC;
    std::uint32_t minKindMemberLimit;
    std::uint32_t minKindMemberLimit2;
    std::uint32_t miscFlag0;
    std::uint32_t miscFlag1;
    std::uint32_t minChunkSize;
    std::uint32_t chunkGranularity;
    std::uint32_t maxChunkSize;
    std::uint32_t paramWord5Bytes;
    std::uint32_t minContainerSize;
    std::uint32_t highestContainerNumber;
    std::uint32_t firstHiddenContainer;
    std::uint32_t reservedZero;
    std::uint32_t constant30;
    std::uint32_t ownerIdLow;
    std::uint32_t ownerIdHigh;
    std::uint32_t osType;
    std::uint32_t osType2;
    std::uint16_t pciBus;
    std::uint16_t pciSlot;
    std::uint32_t hasOce;
    std::uint32_t spareWord;
    std::uint32_t oemFlavor;
    FA_WCHAR adapterTypeText[18];
    FSA_REVISION biosVersion;
    std::uint32_t clustering;
    std::uint32_t clusterMask;
    std::uint32_t accessMode;
    std::uint32_t battery;
    std::uint32_t adapterOptions;
    std::uint32_t spareTail[17];
};
static_assert(sizeof(FSA_GENERAL_INFO) == 211 * 4, "the general information is 211 words");

struct _tagFSA_ADAPTER_ENUM_INFO {
    FA_WCHAR reserved[52];
    FA_WCHAR hostName[52];
    FA_WCHAR deviceName[17];
    FA_WCHAR adapterTypeText[18];
    FSA_ADAPTER_TYPE adapterType;
    FSA_ADAPTER_AVAIL_TYPE availability;
    std::uint32_t clusterCapable;
    std::uint32_t infoWords[2];
    std::uint32_t reservedTail[14];
};
static_assert(sizeof(_tagFSA_ADAPTER_ENUM_INFO) == 632, "the enumeration record is 632 bytes");

struct FSA_SCSI_DEVICE {
    std::uint8_t bus;
    std::uint8_t target;
    std::uint8_t lun;
    std::uint8_t spare;
    std::uint32_t adapterSerial;
};

struct FSA_STORAGE_DEVICE {
    std::uint32_t kind; // 0: SCSI drive
    FSA_SCSI_DEVICE scsi;
};
static_assert(sizeof(FSA_STORAGE_DEVICE) == 12, "a storage-device address is 12 bytes");

struct tag_FSA_CONTAINER {
    std::uint32_t containerNumber;
    std::uint32_t uniqueId;
    std::uint32_t adapterSerial;
};
static_assert(sizeof(tag_FSA_CONTAINER) == 12, "a container id is 12 bytes");

struct FSA_EVENT_DETAILS {
    std::uint32_t words[80];
};

struct FSA_TASK_DESCRIPTOR {
    std::uint32_t taskId;
    std::uint32_t taskType;
    FSA_STORAGE_DEVICE device;
    tag_FSA_CONTAINER container;
    std::uint32_t adapterSerial;
};
static_assert(sizeof(FSA_TASK_DESCRIPTOR) == 36, "a task descriptor is 36 bytes");

struct FSA_TASK_INFO {
    FSA_TASK_DESCRIPTOR descriptor;
    std::uint32_t state;    // 0 running, 1 suspended, 2 finished, 3 failed, 4 aborted, 5 unknown
    std::uint32_t progress; // thousandths
    std::uint32_t reportWords[2];
    std::uint32_t adapterSerial;
};
static_assert(sizeof(FSA_TASK_INFO) == 56, "a task record is 56 bytes");

// Host and adapter names of FsaGetNodeInfo.
struct FSA_NODE_INFO {
    FA_WCHAR hostName[259];
    FA_WCHAR adapterName[259];
};

typedef FSA_STATUS (*FSA_ADAPTER_ENUM_CALLBACK)(FSA_STATUS code, _tagFSA_ADAPTER_ENUM_INFO* info,
                                                void* user);
// Returns non-zero to stay registered for the event bit.
typedef int (*FSA_GENERAL_CALLBACK)(void* handle, std::uint32_t eventBit,
                                    FSA_EVENT_DETAILS* details, void* user);
// Kind 1 progress, 99 the task ended.
typedef void (*FSA_TASK_CALLBACK)(std::uint32_t kind, FSA_TASK_INFO* info, void* user);
typedef FSA_STATUS (*FSA_PASSWORD_CALLBACK)(char* user, char* password, void* arg);
typedef FSA_STATUS (*FSA_PASSWORD_CALLBACK_W)(FA_WCHAR* user, FA_WCHAR* password, void* arg);
