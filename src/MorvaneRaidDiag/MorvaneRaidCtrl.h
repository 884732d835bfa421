#pragma once
// One RAID controller, reached through the controller library by its
// adapter name, which is also the device's descriptor.

#include "AdapterInfo.h"
#include "PCIDevices/IPCIDevice.h"
#include "ScsiDevice.h"

#include <string>
#include <vector>

struct _tagFSA_CHANNEL_ENUM_INFO;

namespace VarnDiags::MorvaneRaidDiag {

extern const char* const S_DEVICE_DESC;

// One SCSI channel: the third, fourth, fifth and ninth words of the
// library's channel record.
struct BusInfo {
    unsigned int highestTarget;
    unsigned int kind;
    unsigned int reserved;
    unsigned int state;
};
using BusInfoVector = std::vector<BusInfo>;

// Appends the channel to the BusInfoVector `buses`; a null record adds
// nothing.
void ChannelEnumCallback(unsigned int, const _tagFSA_CHANNEL_ENUM_INFO* channel, void* buses);

// Writes one piece of the controller's diagnostic dump, unchanged, to the
// stdio stream `stream`.
void DiagDumpCallback(const char* text, void* stream);

class MorvaneRaidCtrl : public PCIDevices::IPCIDevice {
public:
    // An empty device, only for clone().
    MorvaneRaidCtrl();
    // Opens the adapter read-only, reads its facts and closes it again; the
    // device is valid when that worked.
    explicit MorvaneRaidCtrl(const char* adapterName);
    ~MorvaneRaidCtrl() override;

    IDevice* clone(const char* descriptor) override;
    // DEVICE_OPENED_SUCCESSFULLY (0) or 1.
    int open(AccessMode mode) override;
    void close() override;

    ADAPTER_INFO getAdapterInfo() const { return m_adapterInfo; }

    // Whether the library reports this handle's I/O paused (true when it
    // cannot tell).
    bool adapterPaused();
    // seconds > 0: pauses the controller's I/O for that long and waits, at
    // most that long, until the library reports it paused. 0: resumes.
    bool pauseIo(unsigned int seconds);
    // Resumes paused I/O, lets it settle and waits, at most the pause time
    // of the last pauseIo (else the longest pause), until it runs.
    bool resumeIo();
    // Makes the controller rescan its buses and waits, bounded, until its
    // I/O runs again.
    bool rescanDevices();

    // The controller's storage devices of the container-compatible class,
    // in the controller's order.
    std::vector<ScsiDevice> getDeviceVector();
    // One entry per SCSI channel (whatever the channels query answered).
    BusInfoVector getBusInfoVector();

    // Resets one SCSI bus of the controller.
    bool resetBus(int bus);

    // NVRAM state 0..4 (disabled, enabled, error, battery, unknown), or
    // NVRAM_QUERY_FAILED.
    unsigned int getNVRAMstate();
    // Battery state 0..3 (none, needs reconditioning, low, OK), or
    // BATTERY_QUERY_FAILED.
    unsigned int getNVRAMbatteryState();

    // Writes the controller's diagnostic text dump into the file, which it
    // replaces whole; false when the file cannot be written or the dump
    // failed.
    bool dumpDiagnosticLog(const char* fileName);

    bool isFirmwareValid() const;
    bool isFilterDriverValid() const;
    bool isDLLValid() const;
    bool isDriverValid() const;

    static constexpr int DEVICE_OPENED_SUCCESSFULLY = 0;
    static constexpr unsigned int LONGEST_PAUSE = 150;
    enum : unsigned int { NVRAM_ERROR = 2, NVRAM_QUERY_FAILED = 5 };
    enum : unsigned int {
        BATTERY_NEEDS_RECONDITIONING = 1,
        BATTERY_LOW = 2,
        BATTERY_QUERY_FAILED = 4,
    };

private:
    enum class IoState { Paused, Running, Unknown };
    IoState ioState();
    // Polls once a second, at most `polls` times, until the state is `wanted`.
    bool waitForIoState(IoState wanted, unsigned int polls);
    void describe();

    std::string m_descriptorText;
    std::string m_nameText;
    std::string m_locationText;
    ADAPTER_INFO m_adapterInfo{};
    void* m_adapterHandle = nullptr;
    unsigned int m_pauseSeconds = LONGEST_PAUSE;
};

} // namespace VarnDiags::MorvaneRaidDiag
