#pragma once

// The exported calls that address a single drive and are routed to the
// cluster partner's adapter when the drive is the partner's, each as a call
// on a handle and the drive's address. Shared by the tests that check every
// such call refuses an address it must not send.

#include "FsaApi.h"
#include "FsaDevices.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fsatest {

struct DriveCall {
    const char* name;
    std::function<FSA_STATUS(void* handle, const FSA_STORAGE_DEVICE& drive)> call;
};

inline std::vector<DriveCall> partnerRoutedDriveCalls() {
    return {
        {"zero",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             std::uint32_t arg[8] = {};
             return FsaStorageDevice(h, &d, FSA_SDO_ZERO, arg);
         }},
        {"verify",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             std::uint32_t arg[8] = {};
             return FsaStorageDevice(h, &d, FSA_SDO_VERIFY, arg);
         }},
        {"blink",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             std::uint32_t arg[8] = {0, 2};
             return FsaStorageDevice(h, &d, FSA_SDO_BLINK, arg);
         }},
        {"dead partitions",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             return FsaStorageDevice(h, &d, FSA_SDO_REMOVE_DEAD_PARTITIONS, nullptr);
         }},
        {"device info",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             FSA_STORAGE_DEVICE_INFO info;
             return FsaGetStorageDeviceInfo(h, 0, &d, &info);
         }},
        {"smart info",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             FSA_SMART_DATA smart;
             return FsaGetSmartDeviceInfo(h, 0, &d, &smart);
         }},
        {"smart walk",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             FSA_SMART_DATA smart;
             return FsaGetSmartDeviceInfo(h, 1, &d, &smart);
         }},
        {"smart set",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             FSA_SMART_DATA smart{};
             return FsaSetSmartDeviceInfo(h, 0, &d, &smart);
         }},
        {"smart clear",
         [](void* h, const FSA_STORAGE_DEVICE& d) { return FsaClearSmartDevice(h, &d); }},
        {"smart update",
         [](void* h, const FSA_STORAGE_DEVICE& d) { return FsaUpdateSmartDevice(h, &d); }},
        {"defects",
         [](void* h, const FSA_STORAGE_DEVICE& d) {
             std::uint32_t count = 0;
             FSA_DISK_DEFECT entries[4];
             return FsaGetDiskDefects(h, &d, 0, &count, entries, 4);
         }},
    };
}

} // namespace fsatest
