#include "PCIFiberDiag/PortCheckTest.h"

#include <memory>

#include "PCIFiberDiag/UpdateProgress.h"
#include "System/LogStreams.h"

namespace VarnDiags::PCIFiberDiag {

using Diag::DiagnosticEvent;
using Diag::DiagnosticResult;
using Diag::DiagnosticStatus;
using System::logLine;

namespace {

const PortCheckKind NVRAM_CHECK = {"PCIFiberDiag::NVRAMTest::run()",
                                   "PCIFiberDiag::NVRAMTest::pResult: ", "NVRAM_TEST_FAILED",
                                   NVRAM_TEST_FAILED, &QLogicHBA::runNVRAMTest};

const PortCheckKind STATE_CHECK = {
    "korfiber::HbaStateTest::run()",
    "QLogicFiberDiag::HBAStateTest::pResult: ", "HBASTATE_TEST_FAILED", HBASTATE_TEST_FAILED,
    &QLogicHBA::runHbaStateTest};

// One per cent every 2 seconds while the ports are checked.
constexpr unsigned TICK_INCREMENT = 1;
constexpr unsigned TICK_SECONDS = 2;

} // namespace

PortCheckTest::PortCheckTest(std::ofstream& log, System::EventQueue& queue,
                             const PortCheckKind& kind)
    : IFunctionalTest(log, queue), m_kind(kind) {}

NVRAMTest::NVRAMTest(std::ofstream& log, System::EventQueue& queue)
    : PortCheckTest(log, queue, NVRAM_CHECK) {}

HbaStateTest::HbaStateTest(std::ofstream& log, System::EventQueue& queue)
    : PortCheckTest(log, queue, STATE_CHECK) {}

DiagnosticResult* PortCheckTest::checkPorts(QLogicHBA& device) {
    int outcome = 0;
    {
        std::unique_ptr<Diag::ProgressTicker> ticker =
            Diag::UpdateProgress::StartUpdate(&m_status, TICK_INCREMENT, TICK_SECONDS);
        outcome = (device.*m_kind.check)();
    } // the ticker has stopped before the final progress is written
    if (outcome == ALL_PORTS_PASSED) {
        logLine(&m_log, m_kind.resultPrefix,
                "PASSED TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT");
        return new DiagnosticResult(DiagnosticResult::PASSED, TEST_COMPLETED_SUCCESSFULLY,
                                    DiagnosticEvent::INFORMATION_EVENT, 0);
    }
    logLine(&m_log, m_kind.resultPrefix, m_kind.failedWord, " ERROR_EVENT");
    auto* result = new DiagnosticResult(DiagnosticResult::FAILED, m_kind.failedCode,
                                        DiagnosticEvent::ERROR_EVENT, 0);
    if (const auto& failure = device.lastPortFailure())
        *result << "port " << failure->port << ": " << failure->text;
    return result;
}

DiagnosticResult* PortCheckTest::run(DeviceEnum::IDevice* device, const Diag::DiagnosticSettings&) {
    logLine(&m_log, m_kind.runLine);
    m_status.setProgress(0);
    m_status.setStatus(DiagnosticStatus::RUNNING);
    QLogicHBA* hba = dynamic_cast<QLogicHBA*>(device);
    m_device = hba;

    DiagnosticResult* result = nullptr;
    if (hba == nullptr) {
        logLine(&m_log, m_kind.resultPrefix, "INVALID_DEVICE_REFERENCE ERROR_EVENT");
        result = new DiagnosticResult(DiagnosticResult::UNUSUAL_STATUS, INVALID_DEVICE_REFERENCE,
                                      DiagnosticEvent::ERROR_EVENT, 0);
    } else {
        result = checkPorts(*hba);
    }
    m_status.setProgress(100);
    m_status.setStatus(DiagnosticStatus::COMPLETE);
    m_device = nullptr;
    return result;
}

// The engine keeps the abort itself and reports the run aborted once the
// running check returns.
void PortCheckTest::abortTest() {
    if (QLogicHBA* device = m_device.load())
        device->abortDeviceOperation();
}

} // namespace VarnDiags::PCIFiberDiag
