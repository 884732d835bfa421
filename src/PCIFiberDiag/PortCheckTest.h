#pragma once
// The two tests of the HBA diagnostic. Both run one check over every port
// of the adapter and differ only in the check and the words they log and
// report, which a table holds.

#include <atomic>

#include "Diag/IFunctionalTest.h"
#include "PCIFiberDiag/QLogicHBA.h"

namespace VarnDiags::PCIFiberDiag {

// Event codes of the tests' results.
enum PortTestCode : unsigned int {
    TEST_COMPLETED_SUCCESSFULLY = 0,
    INVALID_DEVICE_REFERENCE = 3,
    NVRAM_TEST_FAILED = 150,
    HBASTATE_TEST_FAILED = 151,
};

struct PortCheckKind {
    const char* runLine;      // the first log line of a run
    const char* resultPrefix; // starts the result line
    const char* failedWord;   // the code word of a failure
    PortTestCode failedCode;
    int (QLogicHBA::*check)();
};

class PortCheckTest : public Diag::IFunctionalTest {
public:
    Diag::DiagnosticResult* run(DeviceEnum::IDevice* device,
                                const Diag::DiagnosticSettings& settings) override;
    // The SDM call under way is not interrupted.
    void abortTest() override;

protected:
    PortCheckTest(std::ofstream& log, System::EventQueue& queue, const PortCheckKind& kind);

private:
    Diag::DiagnosticResult* checkPorts(QLogicHBA& device);

    const PortCheckKind& m_kind;
    std::atomic<QLogicHBA*> m_device{nullptr};
};

class NVRAMTest : public PortCheckTest {
public:
    NVRAMTest(std::ofstream& log, System::EventQueue& queue);
};

class HbaStateTest : public PortCheckTest {
public:
    HbaStateTest(std::ofstream& log, System::EventQueue& queue);
};

} // namespace VarnDiags::PCIFiberDiag
