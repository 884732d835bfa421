#include "ScsiDevice.h"

#include "FsaApi.h"
#include "FsaDevices.h"
#include "FsaMaintenance.h"
#include "MorvaneRaidCtrlDiag.h"
#include "System/LogStreams.h"

#include <algorithm>
#include <cstring>

namespace VarnDiags::MorvaneRaidDiag {

namespace {

constexpr Uint kBlinkOperationWord = 7;

const FSA_STORAGE_DEVICE_INFO kEmptyRecord{};

void compareLog(const char* text) {
    System::logLine(pCtrlLogFile, text);
}

} // namespace

ScsiDevice::ScsiDevice() = default;

ScsiDevice::ScsiDevice(const void* record, void* adapter)
    : m_record(std::make_unique<FSA_STORAGE_DEVICE_INFO>()), m_adapter(adapter) {
    std::memcpy(m_record.get(), record, sizeof *m_record);
}

ScsiDevice::ScsiDevice(const ScsiDevice& other)
    : m_record(other.m_record ? std::make_unique<FSA_STORAGE_DEVICE_INFO>(*other.m_record)
                              : nullptr),
      m_adapter(other.m_adapter) {}

ScsiDevice& ScsiDevice::operator=(const ScsiDevice& other) {
    if (this != &other) {
        m_record =
            other.m_record ? std::make_unique<FSA_STORAGE_DEVICE_INFO>(*other.m_record) : nullptr;
        m_adapter = other.m_adapter;
    }
    return *this;
}

ScsiDevice::~ScsiDevice() = default;

const FSA_STORAGE_DEVICE_INFO& ScsiDevice::record() const {
    return m_record ? *m_record : kEmptyRecord;
}

bool ScsiDevice::operator==(const ScsiDevice& other) const {
    compareLog("ScsiDevice::operator==().");
    if (this == &other) {
        compareLog("ScsiDevice::operator==(): equal - same object");
        return true;
    }
    const FSA_STORAGE_DEVICE_INFO& a = record();
    const FSA_STORAGE_DEVICE_INFO& b = other.record();
    const auto differ = [](bool unequal, const char* line) {
        if (unequal)
            compareLog(line);
        return unequal;
    };
    if (differ(a.sdClass != b.sdClass, "ScsiDevice::operator==(): Unequal sdClass") ||
        differ(a.deviceLocation.kind != b.deviceLocation.kind,
               "ScsiDevice::operator==(): Unequal deviceLocation.type") ||
        differ(a.deviceLocation.scsi.bus != b.deviceLocation.scsi.bus,
               "ScsiDevice::operator==(): Unequal busNumber") ||
        differ(a.deviceLocation.scsi.target != b.deviceLocation.scsi.target,
               "ScsiDevice::operator==(): Unequal scsi id") ||
        differ(a.deviceLocation.scsi.lun != b.deviceLocation.scsi.lun,
               "ScsiDevice::operator==(): Unequal lun") ||
        differ(a.deviceLocation.scsi.adapterSerial != b.deviceLocation.scsi.adapterSerial,
               "ScsiDevice::operator==(): Unequal adapterSerialNumber"))
        return false;
    if (a.sdClass == FSA_SDC_NON_STORAGE || a.sdClass == FSA_SDC_UNKNOWN) {
        compareLog("ScsiDevice::operator==(): Equal - Device type is NON_STORAGE or UNKNOWN");
        return true;
    }
    if (differ(a.scsiStandardDeviceType != b.scsiStandardDeviceType,
               "ScsiDevice::operator==(): Unequal scsiStandardDeviceType") ||
        differ(a.subType != b.subType, "ScsiDevice::operator==(): Unequal deviceSubType") ||
        differ(a.blockCount != b.blockCount, "ScsiDevice::operator==(): Unequal subType") ||
        differ(a.bytesPerBlock != b.bytesPerBlock,
               "ScsiDevice::operator==(): Unequal bytesPerBlock") ||
        differ(std::memcmp(a.vendorID, b.vendorID, sizeof a.vendorID) != 0,
               "ScsiDevice::operator==(): Unequal vendorID") ||
        differ(std::memcmp(a.productID, b.productID, sizeof a.productID) != 0,
               "ScsiDevice::operator==(): Unequal productID") ||
        differ(std::memcmp(a.productRev, b.productRev, sizeof a.productRev) != 0,
               "ScsiDevice::operator==(): Unequal productRev"))
        return false;
    compareLog("ScsiDevice::operator==() done.");
    return true;
}

Uint ScsiDevice::getDeviceType() const {
    return record().deviceLocation.kind;
}
Uint ScsiDevice::getDeviceClass() const {
    return record().sdClass;
}
Uint ScsiDevice::getDeviceUsage() const {
    return record().initState;
}
ScsiDevice::Location ScsiDevice::getDeviceLocation() const {
    const FSA_SCSI_DEVICE& s = record().deviceLocation.scsi;
    return {s.bus, s.target, s.lun};
}
bool ScsiDevice::deviceManagedbyAdapter() const {
    return record().failoverCount != 0;
}
bool ScsiDevice::deviceOnSharedBus() const {
    return record().diskSetInfo.words[FSA_DSI_STATE] == FSA_DSS_HELD;
}
bool ScsiDevice::taskInProgressOnDevice() const {
    return record().busy != 0;
}

ScsiDevice::ScsiInfo ScsiDevice::getSCSIinfo() const {
    const FSA_STORAGE_DEVICE_INFO& r = record();
    ScsiInfo info{r.scsiStandardDeviceType,
                  r.subType,
                  r.removable,
                  {},
                  {},
                  {},
                  {},
                  r.blockCount,
                  r.bytesPerBlock,
                  r.blinking,
                  {r.transferMode, r.transferRate, r.sliceValue2, r.sliceValue1}};
    std::memcpy(info.vendorID, r.vendorID, sizeof info.vendorID);
    std::memcpy(info.productID, r.productID, sizeof info.productID);
    std::memcpy(info.productRev, r.productRev, sizeof info.productRev);
    std::memcpy(info.vendorSpecific, r.vendorSpecific, sizeof info.vendorSpecific);
    return info;
}

std::unique_ptr<ScsiDevice::SmartInfo> ScsiDevice::getSmartInfo() const {
    FSA_SMART_DATA smart{};
    if (FsaGetSmartDeviceInfo(m_adapter, 0, &record().deviceLocation, &smart) != FSA_STS_SUCCESS)
        return nullptr;
    return std::make_unique<SmartInfo>(
        SmartInfo{smart.smartSupported != 0, smart.dexcpt != 0, smart.logErr != 0, smart.test != 0,
                  smart.mrie, smart.reportCount, smart.smartCounter, smart.intervalTimer});
}

TaskVector ScsiDevice::getTaskVector() const {
    TaskVector tasks;
    const FSA_STORAGE_DEVICE* device = &record().deviceLocation;
    unsigned int count = 0;
    if (FsaGetTaskList(m_adapter, device, nullptr, nullptr, &count, 0) != FSA_STS_SUCCESS ||
        count == 0)
        return tasks;
    std::vector<FSA_TASK_DESCRIPTOR> list(count, FSA_TASK_DESCRIPTOR{});
    const FSA_STATUS status =
        FsaGetTaskList(m_adapter, device, nullptr, list.data(), &count,
                       static_cast<unsigned int>(list.size() * sizeof(FSA_TASK_DESCRIPTOR)));
    // Tasks started in between may not have fitted; the list holds the rest.
    if (status != FSA_STS_SUCCESS && status != FSA_STS_BUFFER_TOO_SMALL)
        return tasks;
    list.resize(std::min<std::size_t>(list.size(), count));
    // A task that ended since the list was read is no longer on the device.
    for (const FSA_TASK_DESCRIPTOR& d : list) {
        FSA_TASK_INFO info{};
        if (FsaGetTaskDetails(m_adapter, d.taskId, &info) == FSA_STS_SUCCESS)
            tasks.emplace_back(d.taskId, m_adapter);
    }
    return tasks;
}

bool ScsiDevice::startVerifyTask() {
    return FsaStorageDevice(m_adapter, &record().deviceLocation, FSA_SDO_VERIFY, nullptr) ==
           FSA_STS_SUCCESS;
}

bool ScsiDevice::startBlinkingTask(Uint count) {
    std::uint32_t parameters[2] = {kBlinkOperationWord, count};
    return FsaStorageDevice(m_adapter, &record().deviceLocation, FSA_SDO_BLINK, parameters) ==
           FSA_STS_SUCCESS;
}

} // namespace VarnDiags::MorvaneRaidDiag
