#include "PCIFiberDiag/QLogicHBA.h"

#include <cstdio>

#include "System/LogStreams.h"

namespace VarnDiags::PCIFiberDiag {

using System::logLine;

QLogicHBA::QLogicHBA() {
    adopt(HbaIdentity{});
    m_valid = false;
}

QLogicHBA::QLogicHBA(const char* descriptor) : QLogicHBA() {
    HbaIdentity identity;
    if (parseHbaDescriptor(descriptor, identity)) {
        adopt(identity);
        m_valid = true;
    }
}

QLogicHBA::QLogicHBA(const char* name, const char* wwnText, const char* description,
                     unsigned short bus, unsigned short deviceNumber, int function, int ports,
                     unsigned short typeCode)
    : m_ports(ports) {
    HbaIdentity identity;
    identity.bus = bus;
    identity.deviceNumber = deviceNumber;
    identity.typeCode = typeCode;
    identity.wwnText = wwnText != nullptr ? wwnText : "";
    identity.name = name != nullptr ? name : "";
    identity.description = description != nullptr ? description : "";
    adopt(identity);
    m_funcNum = function;
    m_valid = true;
}

QLogicHBA::~QLogicHBA() {
    close();
}

void QLogicHBA::adopt(const HbaIdentity& identity) {
    m_identity = identity;
    m_busNum = identity.bus;
    m_deviceNum = identity.deviceNumber;
    m_funcNum = 0;
    m_type = identity.typeCode;
    char location[96];
    std::snprintf(location, sizeof location, "PCI Bus %i:Device Number %i:Type %i", identity.bus,
                  identity.deviceNumber, identity.typeCode);
    m_locationText = location;
    m_descriptorText = writeHbaDescriptor(identity);
    m_name = m_identity.name.data();
    m_description = m_identity.description.data();
    m_location = m_locationText.data();
    m_descriptor = m_descriptorText.data();
}

DeviceEnum::IDevice* QLogicHBA::clone(const char* descriptor) {
    return new QLogicHBA(descriptor);
}

const char* QLogicHBA::getDeviceOSFileDescriptor() const {
    return m_identity.wwnText.empty() ? nullptr : m_identity.wwnText.c_str();
}

int QLogicHBA::closeAndReturn(int handle, int result, const char* message) {
    logLine(pLogFile0, message);
    sdmEntryPoints()->SDCloseDevice(handle);
    return result;
}

int QLogicHBA::open(AccessMode) {
    if (m_identity.wwnText.empty()) {
        logLine(pLogFile0,
                "WinQLogicHBATalker::OpenDevice() could not open. DeviceOSFileDescriptor is null.");
        return HBA_OPEN_FAILED;
    }
    logLine(pLogFile0, "WinQLogicHBATalker::OpenDevice() trying to open device ",
            m_identity.wwnText);
    if (m_handle != -1) {
        logLine(pLogFile0, "WinQLogicHBATalker::OpenDevice() This open is REDUNDANT");
        return HBA_ALREADY_OPEN;
    }
    if (sdmEntryPoints() == nullptr && bindSdmLibrary(nullptr))
        return HBA_OPEN_FAILED;
    const SdmEntryPoints& sdm = *sdmEntryPoints();

    int handle = -1;
    for (int index = 0; sdm.SDOpenDevice(index, &handle) == 0; ++index) {
        PortRecord port{};
        ChipRecord chip{};
        NodeRecord node{};
        if (sdm.SDGetHbaDevicePortProperty(handle, 0, port.data()) != 0)
            return closeAndReturn(handle, HBA_PORT_RECORD_ERROR,
                                  "SDGetHbaDevicePortProperty() returned error - error retreiving "
                                  "port properties.");
        if (sdm.SDGetHbaDeviceChipProperty(handle, chip.data()) != 0)
            return closeAndReturn(handle, HBA_CHIP_RECORD_ERROR,
                                  "SDGetHbaDeviceChipProperty() returned error - error retreiving "
                                  "Board properties.");
        if (sdm.SDGetHbaDeviceNodeProperty(handle, node.data()) != 0)
            return closeAndReturn(handle, HBA_NODE_RECORD_ERROR,
                                  "SDGetHbaDeviceNodeProperty() returned error - error retreiving "
                                  "device node properties.");
        if (nodeWwnText(node) == m_identity.wwnText) {
            m_handle = handle;
            m_nodeRecord = node;
            // A device rebuilt from its descriptor learns its ports here.
            m_ports = recordWord(node, NODE_NUMBER_OF_PORTS);
            return 0;
        }
        sdm.SDCloseDevice(handle);
    }
    logLine(pLogFile0, "WinQLogicHBATalker::OpenDevice() no adapter has the node WWN ",
            m_identity.wwnText);
    return HBA_OPEN_FAILED;
}

void QLogicHBA::close() {
    if (m_identity.wwnText.empty())
        logLine(pLogFile0, "QLogicHBA::close() - closing device. DeviceOSFileDescriptor not set");
    else
        logLine(pLogFile0, "QLogicHBA::close() - closing device ", m_identity.wwnText);
    if (m_handle != -1) {
        sdmEntryPoints()->SDCloseDevice(m_handle);
        m_handle = -1;
    }
}

int QLogicHBA::runPortChecks(PortCheck check, int failure, const char* what) {
    m_lastPortFailure.reset();
    const SdmEntryPoints* sdm = sdmEntryPoints();
    if (m_handle == -1 || sdm == nullptr) {
        logLine(pLogFile0, "QLogicHBA::", what, "() - device not open");
        return failure;
    }
    for (int port = 0; port < m_ports; ++port) {
        const int code = (sdm->*check)(m_handle, port);
        if (code == 0)
            continue;
        const char* text = sdm->SDGetErrorString(code);
        m_lastPortFailure = PortFailure{port, code, text != nullptr ? text : ""};
        logLine(pLogFile0, "QLogicHBA::", what, "() - port ", port,
                " failed: ", m_lastPortFailure->text);
        return failure;
    }
    return ALL_PORTS_PASSED;
}

int QLogicHBA::runNVRAMTest() {
    return runPortChecks(&SdmEntryPoints::SDVerifyHbaNVRam, NVRAM_CHECK_FAILED, "runNVRAMTest");
}

int QLogicHBA::runHbaStateTest() {
    return runPortChecks(&SdmEntryPoints::SDVerifyHbaState, STATE_CHECK_FAILED, "runHbaStateTest");
}

std::string QLogicHBA::getFirmwareVersion() const {
    return m_nodeRecord ? recordText(*m_nodeRecord, NODE_FIRMWARE_VERSION) : "";
}

std::string QLogicHBA::getDriverVersion() const {
    return m_nodeRecord ? recordText(*m_nodeRecord, NODE_DRIVER_VERSION) : "";
}

std::string QLogicHBA::getHBASerialNumber() const {
    return m_nodeRecord ? recordText(*m_nodeRecord, NODE_SERIAL_NUMBER, NODE_SERIAL_NUMBER_MAX)
                        : "";
}

} // namespace VarnDiags::PCIFiberDiag
