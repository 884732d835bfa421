#pragma once
// One Fibre Channel HBA as a PCI device of the framework. It is named by its
// node WWN text; `open` finds the adapter with that WWN through the SDM
// library and keeps the library's handle and a copy of its node record
// until `close`.

#include <optional>
#include <string>

#include "PCIDevices/IPCIDevice.h"
#include "PCIFiberDiag/HbaDescriptor.h"
#include "PCIFiberDiag/SdmBinding.h"
#include "PCIFiberDiag/SdmRecords.h"

namespace VarnDiags::PCIFiberDiag {

// Results of the port checks.
enum PortCheckResult : int {
    NVRAM_CHECK_FAILED = 9,
    STATE_CHECK_FAILED = 10,
    ALL_PORTS_PASSED = 11,
};

// Results of `open` besides 0 (opened).
enum HbaOpenResult : int {
    HBA_OPEN_FAILED = -1, // no WWN text, no library, or no adapter with this WWN
    HBA_ALREADY_OPEN = 1,
    HBA_NODE_RECORD_ERROR = 2,
    HBA_PORT_RECORD_ERROR = 3,
    HBA_CHIP_RECORD_ERROR = 4,
};

class QLogicHBA : public PCIDevices::IPCIDevice {
public:
    static constexpr const char* DEVICE_NAME = "QLogic PCI Fiber Channel Adapter";

    // The first port that failed a check: its number, the SD code and its text.
    struct PortFailure {
        int port = 0;
        int code = 0;
        std::string text;
    };

    QLogicHBA();
    // Rebuilt from a descriptor; a descriptor that does not parse gives an
    // invalid device without a WWN, which does not open.
    explicit QLogicHBA(const char* descriptor);
    QLogicHBA(const char* name, const char* wwnText, const char* description, unsigned short bus,
              unsigned short deviceNumber, int function, int ports, unsigned short typeCode);
    ~QLogicHBA() override;

    IDevice* clone(const char* descriptor) override;
    int open(AccessMode mode) override;
    void close() override;

    int runNVRAMTest();
    int runHbaStateTest();
    int runHbaCheckSumTest() { return ALL_PORTS_PASSED; }
    void abortDeviceOperation() {}

    int getNumberofPorts() const { return m_ports; }
    // Readers of the node record, valid after `open`.
    std::string getFirmwareVersion() const;
    std::string getDriverVersion() const;
    std::string getHBASerialNumber() const;
    // The node WWN text; null when the device has none.
    const char* getDeviceOSFileDescriptor() const;
    bool isOpen() const { return m_handle != -1; }
    const std::optional<PortFailure>& lastPortFailure() const { return m_lastPortFailure; }

private:
    using PortCheck = int (*SdmEntryPoints::*)(int handle, int port);

    void adopt(const HbaIdentity& identity);
    int runPortChecks(PortCheck check, int failure, const char* what);
    int closeAndReturn(int handle, int result, const char* message);

    HbaIdentity m_identity;
    // Texts the IDevice fields point into.
    std::string m_descriptorText;
    std::string m_locationText;
    int m_ports = 0;
    int m_handle = -1;
    std::optional<NodeRecord> m_nodeRecord;
    std::optional<PortFailure> m_lastPortFailure;
};

} // namespace VarnDiags::PCIFiberDiag
