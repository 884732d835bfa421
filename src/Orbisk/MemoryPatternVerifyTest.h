#pragma once
// The memory diagnostic's one test: decides from the data manager's facts
// whether the memory may be tested, runs the pattern test, and reports the
// result and one event per fault bit of each module.

#include <atomic>
#include <cstddef>

#include "Diag/IFunctionalTest.h"
#include "MemoryDevice.h"

namespace VarnDiags::Orbisk {

class MemoryPatternVerifyTest : public Diag::IFunctionalTest {
public:
    MemoryPatternVerifyTest(std::ofstream& log, System::EventQueue& queue);

    Diag::DiagnosticResult* run(DeviceEnum::IDevice* device,
                                const Diag::DiagnosticSettings& settings) override;
    void abortTest() override;

private:
    Diag::DiagnosticResult* testMode();
    Diag::DiagnosticResult* normalOperation(MemoryDevices::MemoryDevice& device);
    Diag::DiagnosticResult* patternTest(MemoryDevices::MemoryDevice& device);
    Diag::DiagnosticResult* moduleResult(MemoryDevices::MemoryDevice& device);
    // Reads the module modes and sends the module events: on any answer but 0
    // when eventsOnAnyFault, else only on a module fault (8 or 9).
    int checkModules(MemoryDevices::MemoryDevice& device, bool eventsOnAnyFault);
    void logEvents(MemoryDevices::MemoryDevice& device, const int* modes, std::size_t count);
    void sendEvent(MemoryDevices::MemoryDevice& device, unsigned int code, int module);

    std::atomic<MemoryDevices::MemoryDevice*> m_pMemoryDevice{nullptr};
    std::atomic<bool> m_abort{false};
};

} // namespace VarnDiags::Orbisk
