#include "Diag/IDiagnostics.h"

#include <memory>

#include "System/LogStreams.h"

namespace VarnDiags::Diag {

using System::logLine;

namespace {

DiagnosticResult* makeResult(DiagnosticResult::TestResult result, unsigned int code,
                             DiagnosticEvent::EventType type) {
    return new DiagnosticResult(result, code, type, 0);
}

// The ranking of the summary: the first FAILED, else the first UNUSUAL_STATUS.
const DiagnosticResult*
summarySource(const std::vector<std::unique_ptr<DiagnosticResult>>& results) {
    for (auto rank : {DiagnosticResult::FAILED, DiagnosticResult::UNUSUAL_STATUS})
        for (const auto& result : results)
            if (result->getTestResult() == rank)
                return result.get();
    return nullptr;
}

} // namespace

DiagnosticResult* IDiagnostics::complete(DiagnosticResult* result) {
    std::lock_guard<std::mutex> guard(m_runLock);
    m_status.setStatus(DiagnosticStatus::COMPLETE);
    m_status.setProgress(100);
    return result;
}

bool IDiagnostics::buildRunList(const std::vector<int>& selection) {
    std::lock_guard<std::mutex> guard(m_runLock);
    const int count = static_cast<int>(m_functionalTest_v.size());
    m_runList.clear();
    if (selection.size() > m_functionalTest_v.size())
        return false;
    for (int number : selection)
        if (number < 0 || number >= count)
            return false;
    if (selection.empty())
        for (int number = 0; number < count; ++number)
            m_runList.push_back(number);
    else
        m_runList = selection;
    return !m_runList.empty();
}

std::vector<IFunctionalTest*> IDiagnostics::runListTests() {
    std::lock_guard<std::mutex> guard(m_runLock);
    std::vector<IFunctionalTest*> tests;
    for (int number : m_runList)
        tests.push_back(m_functionalTest_v[number]);
    return tests;
}

DiagnosticResult* IDiagnostics::runDiagnostic(DeviceEnum::VirtualDevice* handle,
                                              const DiagnosticSettings& settings) {
    logLine(pLogFile, "Diag::IDiagnostics::runDiagnostic()");
    if (!buildRunList(settings.getTestNumberVector())) {
        logLine(m_pLogFile, "IDiagnostics::runDiagnostic(): No test to run.");
        logLine(m_pLogFile, "IDiagnostics::runDiagnostic() completed");
        return complete(makeResult(DiagnosticResult::FAILED, ENGINE_NOTHING_TO_RUN,
                                   DiagnosticEvent::ERROR_EVENT));
    }
    m_status.setStatus(DiagnosticStatus::RUNNING);

    if (handle == nullptr || !handle->openDevice(DeviceEnum::IDevice::OPEN_TEST)) {
        logLine(m_pLogFile, "IDiagnostics::runDiagnostic(): Failed to open device.");
        logLine(m_pLogFile, "IDiagnostics::runDiagnostic() completed");
        return complete(makeResult(DiagnosticResult::UNUSUAL_STATUS, ENGINE_OPEN_FAILED,
                                   DiagnosticEvent::ERROR_EVENT));
    }
    DeviceEnum::IDevice* device = handle->getDevice();
    if (!device->isDeviceReferenceValid()) {
        logLine(m_pLogFile,
                "IDiagnostics::runDiagnostic(): Invalid Device or the Device was not found.");
        logLine(m_pLogFile, "IDiagnostics::runDiagnostic() completed");
        return complete(makeResult(DiagnosticResult::UNUSUAL_STATUS, ENGINE_INVALID_DEVICE,
                                   DiagnosticEvent::ERROR_EVENT));
    }
    if (m_abortRequested) {
        logLine(m_pLogFile, "IDiagnostics::runDiagnostic(): Test Aborted.");
        logLine(m_pLogFile, "IDiagnostics::runDiagnostic() completed");
        return complete(makeResult(DiagnosticResult::UNUSUAL_STATUS, ENGINE_RUN_ABORTED,
                                   DiagnosticEvent::INFORMATION_EVENT));
    }

    std::vector<std::unique_ptr<DiagnosticResult>> results;
    DiagnosticResult* aborted = nullptr;
    for (IFunctionalTest* test : runListTests()) {
        DiagnosticResult* result = nullptr;
        try {
            result = test->run(device, settings);
        } catch (...) {
            // A test that throws has no result; the run still completes.
        }
        if (result == nullptr)
            result = makeResult(DiagnosticResult::FAILED, ENGINE_NO_RESULT,
                                DiagnosticEvent::ERROR_EVENT);
        results.emplace_back(result);
        if (m_abortRequested) {
            aborted = makeResult(DiagnosticResult::UNUSUAL_STATUS, ENGINE_RUN_ABORTED,
                                 DiagnosticEvent::INFORMATION_EVENT);
            break;
        }
    }
    handle->closeDevice();

    DiagnosticResult* summary = aborted;
    if (summary == nullptr) {
        const DiagnosticResult* source = summarySource(results);
        if (source == nullptr) {
            summary = makeResult(DiagnosticResult::PASSED, 0, DiagnosticEvent::INFORMATION_EVENT);
        } else {
            summary = new DiagnosticResult(source->getTestResult(), source->getEventCode(),
                                           source->getEventType(), source->getEventParameter());
            *summary << source->getEventString();
        }
    }
    complete(summary);
    logLine(pLogFile, "Diag::IDiagnostics::runDiagnostic() completed");
    return summary;
}

DiagnosticStatus IDiagnostics::getDiagnosticStatus() {
    std::lock_guard<std::mutex> guard(m_runLock);
    if (m_status.getStatus() == DiagnosticStatus::RUNNING) {
        unsigned long sum = 0;
        for (int number : m_runList)
            sum += m_functionalTest_v[number]->getStatus().getProgress();
        m_status.setProgress(m_runList.empty() ? 0
                                               : static_cast<unsigned int>(sum / m_runList.size()));
    }
    return m_status;
}

void IDiagnostics::abortDiagnostic() {
    logLine(m_pLogFile, "Diag::IDiagnostics::abortDiagnostic()");
    m_abortRequested = true;
    for (IFunctionalTest* test : runListTests())
        test->abortTest();
}

const char* IDiagnostics::getName() {
    logLine(m_pLogFile, "Diag::IDiagnostics::getName()");
    return m_name;
}

const char* IDiagnostics::getVersion() {
    logLine(m_pLogFile, "Diag::IDiagnostics::getVersion()");
    return m_version;
}

const char* IDiagnostics::getDescription() {
    logLine(m_pLogFile, "Diag::IDiagnostics::getDescription()");
    return m_description;
}

unsigned int IDiagnostics::getDiagnosticEventCount() {
    logLine(m_pLogFile, "Diag::IDiagnostics::getDiagnosticEventCount()");
    return m_eventQueue.getNumberOfEvents();
}

void IDiagnostics::addDiagnosticEvent(DiagnosticEvent* event) {
    logLine(m_pLogFile, "Diag::IDiagnostics::addDiagnosticEvent()");
    m_eventQueue.pushEvent(event);
}

DiagnosticEvent* IDiagnostics::getDiagnosticEvent() {
    std::unique_ptr<System::IEvent> event(m_eventQueue.popEvent());
    auto* diagnosticEvent = dynamic_cast<DiagnosticEvent*>(event.get());
    if (diagnosticEvent != nullptr)
        event.release();
    return diagnosticEvent;
}

bool IDiagnostics::getCharacteristic(const std::string& key, std::string*& value) {
    logLine(m_pLogFile, "Diag::IDiagnostics::getCharacteristic()");
    return m_characteristics.getCharacteristic(key, value);
}

} // namespace VarnDiags::Diag
