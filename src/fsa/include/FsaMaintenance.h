#pragma once

// The controller library's maintenance exports: disk sets and the cluster
// mapping, NVRAM and battery, flash images, pause and resume of the
// adapter's I/O, adapter maintenance, diagnostic text dumps and the host
// operating-system tests.

#include "FsaTypes.h"

#include <cstdint>

// A disk set's key: its number and the owner id of the adapter that made it.
struct FSA_DISK_SET {
    std::uint64_t number;
    std::uint64_t creator;
    std::uint8_t opaque[16]; // neither read nor written by the library
};
static_assert(sizeof(FSA_DISK_SET) == 32, "a disk-set key is 32 bytes");

struct FSA_DISK_SET_INFO {
    std::uint32_t words[38];
};
static_assert(sizeof(FSA_DISK_SET_INFO) == 152, "the disk-set information is 152 bytes");

// Word positions of FSA_DISK_SET_INFO.
enum : std::uint32_t {
    FSA_DSI_KEY = 0,
    FSA_DSI_LABEL = 8,
    FSA_DSI_OWNER = 16,
    FSA_DSI_MEMBERS = 18,
    FSA_DSI_SPARE_POOL = 19,
    FSA_DSI_RELATION = 20,
    FSA_DSI_HOST_MANAGED = 21,
    FSA_DSI_STATE = 22,
    FSA_DSI_CREATED = 23,
};

// Values of the state word: which channels reach the set's drives, and so
// whether a node holds it. The set information fills the word for held sets
// only and leaves 0 for the others; the drive information fills it for every
// drive in a set.
enum FSA_DISK_SET_STATE : std::uint32_t {
    FSA_DSS_NO_SET = 0, // not filled: a drive in no disk set, or a set not held
    FSA_DSS_HELD = 1,   // on shared channels, held by a node of the cluster
    FSA_DSS_UNHELD = 2, // on private channels, held by no node
    FSA_DSS_MIXED = 3,  // on shared and private channels: changes are refused
};

struct FSA_DISKSET_CREATE_ARGS {
    std::uint32_t sparePool;
    std::uint32_t initDrives;
    std::uint32_t onPartner;
    std::uint32_t resultFlags;
    std::uint32_t memberCount;
    FSA_STORAGE_DEVICE members[64];
    char label[32];
};
struct FSA_DISKSET_ADD_ARGS {
    std::uint32_t initDrives;
    std::uint32_t resultFlags;
    std::uint32_t memberCount;
    FSA_STORAGE_DEVICE members[64];
};
struct FSA_DISKSET_DELETE_ARGS {
    std::uint32_t unconditional;
    std::uint32_t initDrives;
};
struct FSA_DISKSET_REMOVE_ARGS {
    std::uint32_t resultFlags;
    std::uint32_t unconditional;
    std::uint32_t initDrives;
    std::uint32_t memberCount;
    FSA_STORAGE_DEVICE members[64];
};
struct FSA_DISKSET_OWNERSHIP_ARGS {
    std::uint32_t unused;
    std::uint32_t unconditional;
    std::uint32_t onPartner;
};
struct FSA_DISKSET_CHANGE_LABEL_ARGS {
    std::uint32_t unconditional;
    char label[32];
};
struct FSA_DISKSET_CHANGE_SPARE_POOL_ARGS {
    std::uint32_t unconditional;
    std::uint32_t sparePool;
};
struct FSA_DISKSET_CHANGE_OS_MANAGED_ARGS {
    std::uint32_t hostManaged;
};
struct FSA_DISKSET_ONLINE_OFFLINE_ARGS {
    std::uint32_t unconditional;
};
static_assert(sizeof(FSA_DISKSET_CREATE_ARGS) == 820, "create arguments: label at byte 788");

union FSA_DISK_SET_ARGS {
    FSA_DISKSET_CREATE_ARGS create;
    FSA_DISKSET_ADD_ARGS add;
    FSA_DISKSET_DELETE_ARGS remove_set;
    FSA_DISKSET_REMOVE_ARGS remove;
    FSA_DISKSET_OWNERSHIP_ARGS ownership;
    FSA_DISKSET_CHANGE_LABEL_ARGS label;
    FSA_DISKSET_CHANGE_SPARE_POOL_ARGS sparePool;
    FSA_DISKSET_CHANGE_OS_MANAGED_ARGS hostManaged;
    FSA_DISKSET_ONLINE_OFFLINE_ARGS onlineOffline;
};

enum _FSA_DISKSET_OPERATION_ : std::uint32_t {
    FSA_DSO_CREATE = 0,
    FSA_DSO_DELETE = 1,
    FSA_DSO_ADD = 2,
    FSA_DSO_REMOVE = 3,
    FSA_DSO_TAKE = 5,
    FSA_DSO_FORCE = 6,
    FSA_DSO_RELEASE = 7,
    FSA_DSO_LABEL = 8,
    FSA_DSO_SPARE_POOL = 9,
    FSA_DSO_ATTACH_WITH_CONTAINERS = 10,
    FSA_DSO_DETACH_WITH_CONTAINERS = 11,
    FSA_DSO_HOST_MANAGED = 12,
    FSA_DSO_ATTACH = 13,
    FSA_DSO_DETACH = 14,
};

typedef FSA_STATUS (*FSA_DISK_SET_CALLBACK)(FSA_STATUS status, void* user, FSA_DISK_SET_INFO* info);
typedef FSA_STATUS (*FSA_DISK_SET_MEMBER_CALLBACK)(FSA_STATUS status, void* user,
                                                   FSA_STORAGE_DEVICE* device);

struct FSA_NVRAM_INFO {
    std::uint32_t nvramState;   // 0-4
    std::uint32_t batteryState; // 0-3
    std::uint32_t word108;
    std::uint32_t word107;
    std::uint32_t newBattery; // low 16 bits: operation 3
};

enum FSA_NVRAM_OPERATION : std::uint32_t {
    FSA_NVRAM_READ_STATUS = 0,
    FSA_NVRAM_RELEASE_ORPHANS = 1,
    FSA_NVRAM_RECONDITION = 2,
    FSA_NVRAM_NEW_BATTERY = 3,
};

// One local bus of the cluster's bus mapping: the low byte of word 0 is the
// partner's number for the bus (0xFF: unmapped).
struct FSA_BUS_MAP_ENTRY {
    std::uint32_t words[2];
};

// Host file-system parameters; opaque to the library on this host.
struct FSA_FILE_SYSTEM_PARAMETERS;

// A piece of diagnostic text; valid only during the call.
typedef void (*FSA_TEXT_CALLBACK)(const char* text, void* user);

extern "C" {

// Disk-set records and cluster mapping.
std::uint64_t FsaGetOwnerId(void* handle);
// The owner id of entry `index` of the adapter's table (0 the adapter itself,
// then its cluster partner); 0 when there is no such entry.
std::uint64_t FsaGetOwnerIdEx(void* handle, unsigned int index);
FSA_STATUS FsaGetDiskSetInfo(void* handle, FSA_DISK_SET* set, FSA_DISK_SET_INFO* info);
FSA_STATUS FsaGetDriveInfo(void* handle, std::uint32_t driveId, FSA_DISK_SET_INFO* info,
                           std::uint32_t* sharedChannel);
FSA_STATUS FsaGetClusterInfo(void* handle, char* name, std::uint8_t* field,
                             std::uint64_t* clusterId, std::uint32_t* sharedMask,
                             std::uint32_t* count, FSA_BUS_MAP_ENTRY* entries);
std::int32_t FsaMapToPartnerBus(void* handle, std::uint32_t bus);
std::int32_t FsaMapPartnerToLocalBus(void* handle, std::uint32_t partnerBus);
FSA_STATUS FsaMapToPartnersPerspective(void* handle, const FSA_STORAGE_DEVICE* in,
                                       FSA_STORAGE_DEVICE* out);
FSA_STATUS FsaMapToLocalPerspective(void* handle, const FSA_STORAGE_DEVICE* in,
                                    FSA_STORAGE_DEVICE* out);

// Disk-set operations and enumeration.
FSA_STATUS FsaDiskSet(void* handle, FSA_DISK_SET* set, std::uint32_t operation,
                      FSA_DISK_SET_ARGS* args);
FSA_STATUS FsaArbitrate(void* handle, FSA_DISK_SET* set);
FSA_STATUS FsaRelease(void* handle, FSA_DISK_SET* set);
FSA_STATUS FsaKeepClaimAlive(void* handle, FSA_DISK_SET* set);
FSA_STATUS FsaEnumDiskSets(void* handle, FSA_DISK_SET* set, FSA_DISK_SET_CALLBACK callback,
                           void* user);
FSA_STATUS FsaEnumDiskSetMembers(void* handle, FSA_DISK_SET* set,
                                 FSA_DISK_SET_MEMBER_CALLBACK callback, void* user);
FSA_STATUS FsaFindDiskSet(void* handle, FSA_DISK_SET* set);
FSA_STATUS FsaDiskSetRescan(void* handle, std::uint32_t what);
FSA_STATUS FsaGetNextDiskSetName(void* handle, std::uint32_t* size, char* name);
FSA_STATUS FsaCheckDupDiskSetName(void* handle, const char* label);
FSA_STATUS FsaSetDiskSetParameters(void* handle, FSA_DISK_SET* set, const char* label,
                                   std::uint32_t flags);
// Brings the set to the wanted owner (word 16: 0 this node, 1 the partner,
// 2 nobody), attributes, label and attachment (word 20).
FSA_STATUS FsaDiskSetSetAttributes(void* handle, FSA_DISK_SET* set, FSA_DISK_SET_INFO* wanted,
                                   int unconditional);
// The adapter that holds the set, opened for cluster management.
FSA_STATUS FsaGetAdapterNamebyDiskSet(FSA_DISK_SET* set, void** handle, char* name);
FSA_STATUS FsaSendAifDSStartEvent(void* handle);
FSA_STATUS FsaSendAifDSFinishEvent(void* handle);
// Tells every local adapter the host's name: 1 when all took it.
int FsaSendHostInfoToAdapters();

// The file system of a container.
FSA_STATUS FsaRemoveFileSystem(void* handle, const tag_FSA_CONTAINER* container);
FSA_STATUS FsaUpdateFileSystem(void* handle, const tag_FSA_CONTAINER* container,
                               const FSA_FILE_SYSTEM_PARAMETERS* params);

// NVRAM and battery.
FSA_STATUS FsaNvram(void* handle, FSA_NVRAM_OPERATION op, FSA_NVRAM_INFO* info);
FSA_STATUS FsaNvramEx(void* handle, std::uint32_t index, FSA_NVRAM_OPERATION op,
                      FSA_NVRAM_INFO* info);

// Flash images.
FSA_STATUS FsaReadFlashToFile(void* handle, const char* basePath, int overwrite);
FSA_STATUS FsaCreateUFIfromFile(const char* basePath, std::uint8_t* out);
FSA_STATUS FsaUpdateFlashImages(std::uint8_t* image, std::uint32_t flags, void* handle);

// Adapter maintenance.
FSA_STATUS FsaResetScsiBus(void* handle, std::uint32_t bus);
FSA_STATUS FsaResetScsiBusEx(void* handle, std::uint32_t index, std::uint32_t bus);
FSA_STATUS FsaDiagnostic(void* handle, std::uint32_t operation, int* argument,
                         FSA_TEXT_CALLBACK callback, void* user);
FSA_STATUS FsaDiagnosticEx(void* handle, std::uint32_t index, std::uint32_t operation,
                           int* argument, FSA_TEXT_CALLBACK callback, void* user);
// Named boot parameters: 0 set, 1 get, 4 clear all.
FSA_STATUS FsaAdapterParameters(void* handle, std::uint32_t operation, const char* name,
                                std::uint32_t* value);
// 1 sets the serial number, 2 resets it; both words come back.
FSA_STATUS FsaControllerSerialNumber(void* handle, std::uint32_t operation, std::uint32_t* word0,
                                     std::uint32_t* word1);
FSA_STATUS FsaSetPanicOnTakeABreak(void* handle, std::uint32_t mode);

// Seconds 1..150 pause the I/O of the adapter (and of its cluster partner)
// for that long; 0 resumes it. Needs read-write access.
FSA_STATUS FsaPauseResumeIo(void* handle, unsigned int seconds);
// *state := 129 while the handle's I/O is paused, else 299; never asks the
// controller and takes no lock.
FSA_STATUS FsaPauseResumeIoStatus(void* handle, unsigned int* state);
// The same for entry `index` of the adapter table.
FSA_STATUS FsaPauseResumeIoStatusEx(void* handle, unsigned int index, unsigned int* state);

// Stores the application's user-interface callback with the adapter and
// with every further entry of its adapter table.
FSA_STATUS FsaSetUiThreadCallBack(void* handle, void* callback, void* callbackArg,
                                  unsigned int extraWord);

// Tells the host that a container grew (its new blocks are to be used).
FSA_STATUS FsaExposeNewPhysicalSpace(void* handle, const tag_FSA_CONTAINER* container);
// 213 for host OS types the library does not run on (2, 7, 8), else 1.
FSA_STATUS FsaValidHostOs();

int FsaIsUnixOS(unsigned int osType);
int FsaIsNTOS(unsigned int osType);
unsigned int FsaGetOSType();
}
