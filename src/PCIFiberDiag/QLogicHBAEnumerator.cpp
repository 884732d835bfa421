#include "PCIFiberDiag/QLogicHBAEnumerator.h"

#include <ios>
#include <sstream>

#include "PCIFiberDiag/QLogicHBA.h"
#include "PCIFiberDiag/SdmBinding.h"
#include "PCIFiberDiag/SdmRecords.h"
#include "System/LogStreams.h"

namespace VarnDiags::PCIFiberDiag {

using System::logLine;

namespace {

std::string hex(unsigned value) {
    std::ostringstream text;
    text << std::hex << value;
    return text.str();
}

// What one adapter's three records say.
struct AdapterRecords {
    NodeRecord node{};
    PortRecord port{};
    ChipRecord chip{};
};

// Reads the node, port (port 0) and chip records in this order; false,
// with the failure logged, at the first that fails.
bool readRecords(const SdmEntryPoints& sdm, int handle, AdapterRecords& records) {
    if (sdm.SDGetHbaDeviceNodeProperty(handle, records.node.data()) != 0) {
        logLine(pLogFile0, "QLogicHBAEnumerator::getDeviceVector()::HBANODE_STATUS_ERROR - error "
                           "retreiving device node properties.");
        return false;
    }
    if (sdm.SDGetHbaDevicePortProperty(handle, 0, records.port.data()) != 0) {
        logLine(pLogFile0, "QLogicHBAEnumerator::getDeviceVector()::HBAPORT_STATUS_ERROR - error "
                           "retreiving port properties.");
        return false;
    }
    if (sdm.SDGetHbaDeviceChipProperty(handle, records.chip.data()) != 0) {
        logLine(pLogFile0, "QLogicHBAEnumerator::getDeviceVector()::HBACHIPSET_STATUS_ERROR- error "
                           "retreiving Board properties.");
        return false;
    }
    return true;
}

} // namespace

bool QLogicHBAEnumerator::initDLL() {
    return bindSdmLibrary(&m_hLibrary);
}

std::vector<DeviceEnum::VirtualDevice>* QLogicHBAEnumerator::getDeviceVector() {
    logLine(pLogFile0, "In method QLogicHBAEnumerator::getDeviceVector()");
    auto* devices = new std::vector<DeviceEnum::VirtualDevice>;
    if (initDLL())
        return devices;
    logLine(pLogFile0, "QLogicHBAEnumerator::getDeviceVector()initialized DLL ");
    const SdmEntryPoints& sdm = *sdmEntryPoints();

    int handle = -1;
    for (int index = 0; sdm.SDOpenDevice(index, &handle) == 0; ++index) {
        AdapterRecords records;
        if (!readRecords(sdm, handle, records)) {
            sdm.SDCloseDevice(handle);
            return devices;
        }
        const unsigned bus = recordWord(records.chip, CHIP_BUS_NUMBER);
        const unsigned pciId = recordWord(records.chip, CHIP_PCI_ID);
        const unsigned typeCode = recordWord(records.chip, CHIP_ADAPTER_TYPE);
        const unsigned ports = recordWord(records.node, NODE_NUMBER_OF_PORTS);
        const std::string wwn = nodeWwnText(records.node);
        const std::string description = nodeDescription(records.node);
        logLine(pLogFile0, "\tPciID:", hex(pciId));
        logLine(pLogFile0, "\tBusNo:", hex(bus));
        logLine(pLogFile0, "\tDeviceNo:", hex(recordWord(records.chip, CHIP_DEVICE_NUMBER)));
        logLine(pLogFile0, "\tsubSystemID:", hex(recordWord(records.chip, CHIP_SUBSYSTEM_ID)));
        logLine(pLogFile0, "\tDeviceName:", QLogicHBA::DEVICE_NAME);
        logLine(pLogFile0, "\tDevice Descriptor:", wwn);
        logLine(pLogFile0, "\tDevice Description:", description);
        logLine(pLogFile0, "\tNumber of Ports:", hex(ports));
        sdm.SDCloseDevice(handle);

        if (description.find("2312") == std::string::npos) {
            logLine(pLogFile0, "getDeviceVector() - filtering devices that are not  QLA2312.");
            continue;
        }
        devices->emplace_back(
            new QLogicHBA(QLogicHBA::DEVICE_NAME, wwn.c_str(), description.c_str(),
                          static_cast<unsigned short>(bus), static_cast<unsigned short>(pciId), 0,
                          static_cast<int>(ports), static_cast<unsigned short>(typeCode)));
        logLine(pLogFile0, "Added ", wwn, " controller to enumerated controller vector.");
    }
    return devices;
}

} // namespace VarnDiags::PCIFiberDiag
