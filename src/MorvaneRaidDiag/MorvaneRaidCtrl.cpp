#include "MorvaneRaidCtrl.h"

#include "FsaApi.h"
#include "FsaMaintenance.h"
#include "HostDapi2/Sleeper.h"
#include "WideText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace VarnDiags::MorvaneRaidDiag {

// The program's one replaceable sleeper (the host shell's).
using HostDapi2::sleepSeconds;

const char* const S_DEVICE_DESC = "Morvane SCSI RAID Controller";

namespace {

constexpr unsigned int kInterfaceRevision = 4970;
constexpr FSA_CONNECTION_TYPE kConnection = FSA_CONNECTION_TYPE(3);
constexpr std::size_t kNameBytes = 64;
constexpr std::size_t kLocationBytes = 68;
constexpr unsigned int kResumeSettleSeconds = 3;

bool atLeast(const RevisionRecord& r, unsigned major, unsigned minor) {
    return r.major() > major || (r.major() == major && r.minor() >= minor);
}

} // namespace

MorvaneRaidCtrl::MorvaneRaidCtrl() {
    m_description = const_cast<char*>(S_DEVICE_DESC);
}

MorvaneRaidCtrl::MorvaneRaidCtrl(const char* adapterName) : MorvaneRaidCtrl() {
    m_descriptorText = adapterName ? adapterName : "";
    m_descriptor = m_descriptorText.data();
    if (open(OPEN_QUERY) != DEVICE_OPENED_SUCCESSFULLY)
        return;
    describe();
    m_valid = true;
    close();
}

MorvaneRaidCtrl::~MorvaneRaidCtrl() {
    close();
}

void MorvaneRaidCtrl::describe() {
    char typeText[19] = {};
    narrowText(typeText, m_adapterInfo.adapterTypeText, 18, sizeof typeText);

    char name[kNameBytes] = {};
    std::snprintf(name, sizeof name, "%s RAID Controller", typeText);
    m_nameText = name;
    m_name = m_nameText.data();

    m_busNum = m_adapterInfo.pciBus;
    m_deviceNum = m_adapterInfo.pciDevice;
    m_funcNum = 0;
    char location[kLocationBytes] = {};
    if (m_busNum <= 15) {
        std::snprintf(location, sizeof location, "%s, Bus:%i:Dev%i:Func%i", typeText, m_busNum,
                      m_deviceNum, m_funcNum);
    } else {
        // A bus number the host cannot show: the adapter name stands for the
        // location, and its last character for the bus.
        std::snprintf(location, sizeof location, "%s", m_descriptorText.c_str());
        const char last = m_descriptorText.empty() ? '\0' : m_descriptorText.back();
        m_busNum = (last >= '0' && last <= '9') ? last - '0' : 0;
        m_deviceNum = 0;
    }
    m_locationText = location;
    m_location = m_locationText.data();
    m_type = 1;
}

DeviceEnum::IDevice* MorvaneRaidCtrl::clone(const char* descriptor) {
    return new MorvaneRaidCtrl(descriptor);
}

int MorvaneRaidCtrl::open(AccessMode mode) {
    const FSA_ACCESS access =
        (mode == OPEN_WRITE || mode == OPEN_TEST) ? FSA_ACC_READ_WRITE : FSA_ACC_READ_ONLY;
    void* handle = nullptr;
    if (FsaOpenAdapter2(m_descriptorText.c_str(), nullptr, kInterfaceRevision, access, kConnection,
                        nullptr, nullptr, &handle, nullptr) != FSA_STS_SUCCESS)
        return 1;
    close(); // a device holds one handle at a time
    m_adapterHandle = handle;
    FSA_GENERAL_INFO general;
    FsaGetGeneralInformation(m_adapterHandle, &general);
    m_adapterInfo = adapterInfoFrom(general);
    return DEVICE_OPENED_SUCCESSFULLY;
}

void MorvaneRaidCtrl::close() {
    if (!m_adapterHandle)
        return;
    FsaCloseAdapter(m_adapterHandle);
    m_adapterHandle = nullptr;
}

MorvaneRaidCtrl::IoState MorvaneRaidCtrl::ioState() {
    unsigned int state = FSA_STS_ADAPTER_PAUSED;
    if (FsaPauseResumeIoStatus(m_adapterHandle, &state) != FSA_STS_SUCCESS)
        return IoState::Unknown;
    if (state == FSA_STS_ADAPTER_PAUSED)
        return IoState::Paused;
    return state == FSA_STS_ADAPTER_NOT_PAUSED ? IoState::Running : IoState::Unknown;
}

bool MorvaneRaidCtrl::adapterPaused() {
    return ioState() != IoState::Running;
}

bool MorvaneRaidCtrl::waitForIoState(IoState wanted, unsigned int polls) {
    for (unsigned int poll = 0;; ++poll) {
        const IoState state = ioState();
        if (state == wanted)
            return true;
        if (state == IoState::Unknown || poll >= polls)
            return false;
        sleepSeconds(1);
    }
}

bool MorvaneRaidCtrl::pauseIo(unsigned int seconds) {
    if (seconds == 0) {
        const FSA_STATUS status = FsaPauseResumeIo(m_adapterHandle, 0);
        sleepSeconds(1);
        return status == FSA_STS_SUCCESS;
    }
    if (ioState() == IoState::Paused)
        return true;
    if (FsaPauseResumeIo(m_adapterHandle, seconds) != FSA_STS_SUCCESS)
        return false;
    m_pauseSeconds = std::min(seconds, LONGEST_PAUSE);
    return waitForIoState(IoState::Paused, m_pauseSeconds);
}

bool MorvaneRaidCtrl::resumeIo() {
    const IoState state = ioState();
    if (state == IoState::Running)
        return true;
    if (state == IoState::Unknown || FsaPauseResumeIo(m_adapterHandle, 0) != FSA_STS_SUCCESS)
        return false;
    sleepSeconds(kResumeSettleSeconds);
    return waitForIoState(IoState::Running, m_pauseSeconds);
}

bool MorvaneRaidCtrl::rescanDevices() {
    // A resume of I/O that is not paused makes the controller pause for the
    // longest time, rescan its buses and run again.
    if (!pauseIo(0))
        return false;
    sleepSeconds(1);
    m_pauseSeconds = LONGEST_PAUSE;
    if (!waitForIoState(IoState::Running, LONGEST_PAUSE))
        return false;
    return pauseIo(0);
}

bool MorvaneRaidCtrl::isFirmwareValid() const {
    return atLeast(m_adapterInfo.revisions[FIRMWARE_REVISION], 2, 6);
}
bool MorvaneRaidCtrl::isDLLValid() const {
    return atLeast(m_adapterInfo.revisions[LIBRARY_REVISION], 2, 6);
}
bool MorvaneRaidCtrl::isFilterDriverValid() const {
    return atLeast(m_adapterInfo.revisions[FILTER_DRIVER_REVISION], 1, 1);
}
bool MorvaneRaidCtrl::isDriverValid() const {
    return atLeast(m_adapterInfo.revisions[DRIVER_REVISION], 1, 1);
}

} // namespace VarnDiags::MorvaneRaidDiag
