#pragma once
// The machine's memory as a testable device: the memory facts of its
// descriptor (total size, modules and their names), the pre-test checks
// answered by the data manager, and the pattern test.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "PatternTestEngine.h"
#include "SystemDevice.h"

namespace VarnDiags::MemoryDevices {

class MemoryDevice : public SystemDevices::SystemDevice {
public:
    static constexpr unsigned int DEVICE_TYPE = 99;
    static constexpr unsigned long MAX_TESTED_KB = 2097151;
    static constexpr unsigned long DEBUG_TESTED_KB = 20000;

    // Results of the pre-test checks.
    enum Check {
        CHECK_OK = 0,
        SWAP_TOO_SMALL = 2,
        ECC_LOGGING_DISABLED = 5,
        FAILOVER_ACTIVE = 6,
        NO_ANSWER = 7, // the data manager cannot tell
        NONCRITICAL_MODULE_FAULT = 8,
        CRITICAL_MODULE_FAULT = 9,
    };

    // From enumeration: the memory parameter list of the system device.
    explicit MemoryDevice(const std::string& parameterList);
    // From a descriptor (the memory parameter list), as clone() gets it.
    explicit MemoryDevice(const char* descriptor);
    // The empty device.
    MemoryDevice();
    ~MemoryDevice() override;

    IDevice* clone(const char* descriptor) override;

    // 0 started, 1 the driver thread could not be started (or a test ran).
    int startMemoryPatternTest();
    void abortMemoryPatternTest();
    int getProgress() { return m_engine->getProgress(); }
    int getStatus() const { return m_engine->getStatus(); }

    int getNumDimms() const { return static_cast<int>(m_dimmNames.size()); }
    // "" for an index outside the modules.
    const char* getDimmName(int index) const;
    const char* getDimmNameFailed() const { return m_dimmNameFailed.c_str(); }
    unsigned long getTestedMemoryKB() const { return m_totalPhysMem; }
    int getNumProcessors() const { return m_numProcessors; }

    int validSwapSpace();
    int eccLogState();
    int failOverState();
    // modes: one slot per module (count of them); filled from the data
    // manager. 0 all clean, 7, 8 or 9.
    int dimmsStatusOk(int* modes, std::size_t count);

private:
    void initFromParameterList(const char* text);
    void setEmptyTexts();

    unsigned long m_totalPhysMem = 0;
    int m_numProcessors = 1;
    std::vector<std::string> m_dimmNames;
    std::string m_dimmNameFailed;
    bool m_debug = false;
    std::unique_ptr<PatternTestEngine> m_engine;
};

} // namespace VarnDiags::MemoryDevices
