#include "MemoryPatternVerifyTest.h"

#include <cstdlib>
#include <vector>

#include "HostDapi2/Sleeper.h"
#include "System/LogStreams.h"

namespace VarnDiags::Orbisk {

using Diag::DiagnosticEvent;
using Diag::DiagnosticResult;
using MemoryDevices::MemoryDevice;
using MemoryDevices::PatternTestEngine;
using System::logLine;

namespace {

struct Outcome {
    DiagnosticResult::TestResult result;
    unsigned int code;
    DiagnosticEvent::EventType type;
};

constexpr Outcome PASSED = {DiagnosticResult::PASSED, 0, DiagnosticEvent::INFORMATION_EVENT};
constexpr Outcome NO_MEMORY_DEVICE = {DiagnosticResult::UNUSUAL_STATUS, 3,
                                      DiagnosticEvent::WARNING_EVENT};
constexpr Outcome NOT_ENOUGH_MEMORY = {DiagnosticResult::UNUSUAL_STATUS, 4,
                                       DiagnosticEvent::WARNING_EVENT};
constexpr Outcome NO_THREAD = {DiagnosticResult::UNUSUAL_STATUS, 5, DiagnosticEvent::WARNING_EVENT};
constexpr Outcome MISMATCH = {DiagnosticResult::UNUSUAL_STATUS, 6, DiagnosticEvent::ERROR_EVENT};
constexpr Outcome TEST_MODE = {DiagnosticResult::FAILED, 7, DiagnosticEvent::ERROR_EVENT};
constexpr Outcome NO_ANSWER = {DiagnosticResult::UNUSUAL_STATUS, 8, DiagnosticEvent::WARNING_EVENT};
constexpr Outcome ECC_LOGGING_OFF = {DiagnosticResult::FAILED, 9, DiagnosticEvent::ERROR_EVENT};
constexpr Outcome FAILOVER = {DiagnosticResult::FAILED, 10, DiagnosticEvent::ERROR_EVENT};
constexpr Outcome NONCRITICAL = {DiagnosticResult::FAILED, 12, DiagnosticEvent::ERROR_EVENT};
constexpr Outcome CRITICAL = {DiagnosticResult::FAILED, 13, DiagnosticEvent::ERROR_EVENT};

DiagnosticResult* makeResult(const Outcome& outcome) {
    return new DiagnosticResult(outcome.result, outcome.code, outcome.type, 0);
}

// The checks before any memory is tested, in the order they are made; the
// first row whose check answers its value decides the run.
struct CheckRow {
    int (MemoryDevice::*check)();
    int value;
    const char* logText;
    Outcome outcome;
    bool moduleEvents;
};

const CheckRow CHECKS[] = {
    {&MemoryDevice::validSwapSpace, MemoryDevice::NO_ANSWER,
     "Orbisk::MemoryPatternVerifyTest::run() Invalid Swap Space, Status= ", NO_ANSWER, false},
    {&MemoryDevice::validSwapSpace, MemoryDevice::SWAP_TOO_SMALL,
     "Orbisk::MemoryPatternVerifyTest::run() Invalid Swap Space, Status= ", NOT_ENOUGH_MEMORY,
     false},
    {&MemoryDevice::eccLogState, MemoryDevice::NO_ANSWER,
     "Orbisk::MemoryPatternVerifyTest::run() Logging Disabled, Status= ", NO_ANSWER, false},
    {&MemoryDevice::eccLogState, MemoryDevice::ECC_LOGGING_DISABLED,
     "Orbisk::MemoryPatternVerifyTest::run() Logging Disabled, Status= ", ECC_LOGGING_OFF, true},
    {&MemoryDevice::failOverState, MemoryDevice::NO_ANSWER,
     "Orbisk::MemoryPatternVerifyTest::run() FailOver State statue= ", NO_ANSWER, false},
    {&MemoryDevice::failOverState, MemoryDevice::FAILOVER_ACTIVE,
     "Orbisk::MemoryPatternVerifyTest::run() FailOver State statue= ", FAILOVER, true},
};

// Event code of each failure-mode bit of a module.
const struct {
    int bit;
    unsigned int code;
} MODULE_EVENTS[] = {{0x01, 14}, {0x02, 15}, {0x04, 16}, {0x08, 17}, {0x10, 18}};

constexpr unsigned int POLL_SECONDS = 2;
constexpr unsigned int EVENT_SECONDS = 2;
constexpr unsigned int SETTLE_SECONDS = 4;
constexpr int COMPLETE = 100;

} // namespace

MemoryPatternVerifyTest::MemoryPatternVerifyTest(std::ofstream& log, System::EventQueue& queue)
    : IFunctionalTest(log, queue) {}

DiagnosticResult* MemoryPatternVerifyTest::run(DeviceEnum::IDevice* device,
                                               const Diag::DiagnosticSettings&) {
    logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::run()");
    m_status.setStatus(Diag::DiagnosticStatus::RUNNING);
    MemoryDevice* memory = dynamic_cast<MemoryDevice*>(device);
    m_pMemoryDevice = memory;
    if (memory != nullptr && m_abort)
        memory->abortMemoryPatternTest(); // the abort came before the device was known

    logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::Check if ERRSTR is set. ");
    DiagnosticResult* result = nullptr;
    if (std::getenv("ERRSTR") != nullptr) {
        result = testMode();
    } else {
        logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::ERRSTR NOT SET. NORMAL OPERATION.");
        result = memory != nullptr ? normalOperation(*memory) : makeResult(NO_MEMORY_DEVICE);
        HostDapi2::sleepSeconds(SETTLE_SECONDS);
    }
    m_status.setStatus(Diag::DiagnosticStatus::COMPLETE);
    logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::run Completed.");
    return result;
}

DiagnosticResult* MemoryPatternVerifyTest::testMode() {
    logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::ERRSTR set to ->", std::getenv("ERRSTR"));
    auto* event = new DiagnosticEvent(7, DiagnosticEvent::INFORMATION_EVENT, 7);
    *event << "TESTING EVENT DIMM";
    m_eventQueue.pushEvent(event);
    DiagnosticResult* result = makeResult(TEST_MODE);
    *result << "TESTING RESULT DIMM";
    return result;
}

DiagnosticResult* MemoryPatternVerifyTest::normalOperation(MemoryDevice& device) {
    int (MemoryDevice::*asked)() = nullptr;
    int answer = 0;
    for (const CheckRow& row : CHECKS) {
        if (row.check != asked) {
            asked = row.check;
            answer = (device.*asked)();
        }
        if (answer != row.value)
            continue;
        logLine(&m_log, row.logText, answer);
        if (row.moduleEvents)
            checkModules(device, true);
        return makeResult(row.outcome);
    }
    if (device.startMemoryPatternTest() == 1) {
        logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::run() Status= ", 1);
        return makeResult(NO_THREAD);
    }
    return patternTest(device);
}

DiagnosticResult* MemoryPatternVerifyTest::patternTest(MemoryDevice& device) {
    for (int progress = device.getProgress(); progress < COMPLETE;
         progress = device.getProgress()) {
        m_status.setProgress(static_cast<unsigned int>(progress));
        logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::progress = ", progress);
        HostDapi2::sleepSeconds(POLL_SECONDS);
    }
    const int status = device.getStatus();
    logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::run() Status= ", status);
    switch (status) {
    case PatternTestEngine::ALLOCATION_FAILED:
        return makeResult(NOT_ENOUGH_MEMORY);
    case PatternTestEngine::THREAD_FAILED:
        return makeResult(NO_THREAD);
    case PatternTestEngine::PATTERN_MISMATCH:
        return makeResult(MISMATCH);
    default:
        return moduleResult(device);
    }
}

DiagnosticResult* MemoryPatternVerifyTest::moduleResult(MemoryDevice& device) {
    const int modules = checkModules(device, false);
    switch (modules) {
    case MemoryDevice::NO_ANSWER:
        return makeResult(NO_ANSWER);
    case MemoryDevice::NONCRITICAL_MODULE_FAULT:
        return makeResult(NONCRITICAL);
    case MemoryDevice::CRITICAL_MODULE_FAULT:
        return makeResult(CRITICAL);
    default:
        return makeResult(PASSED);
    }
}

int MemoryPatternVerifyTest::checkModules(MemoryDevice& device, bool eventsOnAnyFault) {
    std::vector<int> modes(static_cast<std::size_t>(device.getNumDimms()), 0);
    const int answer = device.dimmsStatusOk(modes.data(), modes.size());
    if (eventsOnAnyFault) {
        if (answer != MemoryDevice::CHECK_OK)
            logEvents(device, modes.data(), modes.size());
        return answer;
    }
    if (answer == MemoryDevice::CHECK_OK)
        return answer;
    logLine(
        &m_log,
        "Orbisk::MemoryPatternVerifyTest::m_pMemoryDevice->dimmsStatusOk(dimmStatus) = ", answer);
    if (answer == MemoryDevice::NONCRITICAL_MODULE_FAULT ||
        answer == MemoryDevice::CRITICAL_MODULE_FAULT) {
        logEvents(device, modes.data(), modes.size());
        logLine(&m_log, "Orbisk::MemoryPatternVerifyTest:: Status (noncritical) = ", answer);
    }
    return answer;
}

void MemoryPatternVerifyTest::logEvents(MemoryDevice& device, const int* modes, std::size_t count) {
    for (std::size_t module = 0; module < count; ++module)
        for (const auto& event : MODULE_EVENTS)
            if ((modes[module] & event.bit) != 0)
                sendEvent(device, event.code, static_cast<int>(module));
}

void MemoryPatternVerifyTest::sendEvent(MemoryDevice& device, unsigned int code, int module) {
    auto* event = new DiagnosticEvent(code, DiagnosticEvent::INFORMATION_EVENT, code);
    *event << device.getDimmName(module);
    m_eventQueue.pushEvent(event); // the queue owns it from here; not touched again
    HostDapi2::sleepSeconds(EVENT_SECONDS);
    logLine(&m_log, "Pushing Event. Code = ", code, " Param = ", code);
}

void MemoryPatternVerifyTest::abortTest() {
    logLine(&m_log, "Orbisk::MemoryPatternVerifyTest::abortTest()");
    m_abort = true;
    if (MemoryDevice* device = m_pMemoryDevice.load())
        device->abortMemoryPatternTest();
}

} // namespace VarnDiags::Orbisk
