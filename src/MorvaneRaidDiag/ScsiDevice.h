#pragma once
// One storage device a controller reports: a private copy of the library's
// device record with the adapter handle it came from. Compares field by
// field and starts and lists the controller's tasks on the device.

#include "Task.h"

#include <memory>
#include <vector>

struct FSA_STORAGE_DEVICE_INFO;

namespace VarnDiags::MorvaneRaidDiag {

using TaskVector = std::vector<Task>;

class ScsiDevice {
public:
    struct Location {
        Uint bus;
        Uint target;
        Uint lun;
    };
    // The inquiry facts of the record.
    struct ScsiInfo {
        Uint standardDeviceType;
        Uint deviceSubType;
        Uint removable;
        char vendorID[8];
        char productID[16];
        char productRev[4];
        char vendorSpecific[20];
        Uint subType; // the block count
        Uint bytesPerBlock;
        Uint blinking;
        Uint further[4];
    };
    // The drive's informational-exceptions (SMART) settings.
    struct SmartInfo {
        bool supported;
        bool exceptionsDisabled;
        bool logErrors;
        bool testMode;
        Uint reportingMethod;
        Uint reportCount;
        Uint smartCounter;
        Uint intervalTimer;
    };

    ScsiDevice();
    // Copies the 384-byte record; keeps the handle (not owned).
    ScsiDevice(const void* record, void* adapter);
    ScsiDevice(const ScsiDevice& other);
    ScsiDevice& operator=(const ScsiDevice& other);
    ~ScsiDevice();

    // Logs each step of the comparison to the diagnostic's log.
    bool operator==(const ScsiDevice& other) const;

    Uint getDeviceType() const;
    Uint getDeviceClass() const;
    Uint getDeviceUsage() const;
    Location getDeviceLocation() const;
    bool deviceManagedbyAdapter() const;
    bool deviceOnSharedBus() const;
    bool taskInProgressOnDevice() const;
    ScsiInfo getSCSIinfo() const;

    // Null when the library cannot read the drive's SMART data.
    std::unique_ptr<SmartInfo> getSmartInfo() const;
    // The tasks the controller runs on the device (empty when the list
    // cannot be read).
    TaskVector getTaskVector() const;
    bool startVerifyTask();
    bool startBlinkingTask(Uint count);

private:
    // The record, or an all-zero one for an empty device.
    const FSA_STORAGE_DEVICE_INFO& record() const;

    std::unique_ptr<FSA_STORAGE_DEVICE_INFO> m_record;
    void* m_adapter = nullptr;
};

} // namespace VarnDiags::MorvaneRaidDiag
