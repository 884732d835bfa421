#pragma once
// The diagnostic engine: owns a list of tests, runs a selection of them on
// one device handle, keeps a status and progress that another thread may
// poll, accepts an abort from another thread, and condenses the per-test
// results into one summary: the first FAILED result, else the first
// UNUSUAL_STATUS one, else PASSED.
//
// A program derives its diagnostic from this class, fills
// m_functionalTest_v with its tests (and deletes them in its destructor),
// and sets the log stream with setLogFile.

#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "DeviceEnum/VirtualDevice.h"
#include "Diag/DiagnosticEvent.h"
#include "Diag/DiagnosticResult.h"
#include "Diag/DiagnosticSettings.h"
#include "Diag/DiagnosticStatus.h"
#include "Diag/IFunctionalTest.h"
#include "System/CharacteristicsMap.h"
#include "System/EventQueue.h"

namespace VarnDiags::Diag {

// Event codes of the engine's own summaries.
enum EngineEventCode : unsigned int {
    ENGINE_RUN_ABORTED = 1,
    ENGINE_INVALID_DEVICE = 3,
    ENGINE_NO_RESULT = 97,      // a test returned no result
    ENGINE_NOTHING_TO_RUN = 98, // no test, or a selection outside the test list
    ENGINE_OPEN_FAILED = 99,
};

class IDiagnostics {
public:
    IDiagnostics() = default;
    IDiagnostics(const char* name, const char* version, const char* description)
        : m_name(name), m_version(version), m_description(description) {}
    virtual ~IDiagnostics() = default;
    IDiagnostics(const IDiagnostics&) = delete;
    IDiagnostics& operator=(const IDiagnostics&) = delete;

    // A new diagnostic of the same program class.
    virtual IDiagnostics* clone() = 0;
    // Runs the selected tests; returns a new summary the caller owns (never
    // null). Every return leaves the status COMPLETE with progress 100.
    virtual DiagnosticResult* runDiagnostic(DeviceEnum::VirtualDevice* handle,
                                            const DiagnosticSettings& settings);
    // While RUNNING the progress is the mean of the selected tests' own.
    virtual DiagnosticStatus getDiagnosticStatus();
    virtual void abortDiagnostic();

    const char* getName();
    const char* getVersion();
    const char* getDescription();
    unsigned int getDiagnosticEventCount();
    // Queues the event; the queue owns it.
    void addDiagnosticEvent(DiagnosticEvent* event);
    void setLogFile(std::ofstream* logFile) { m_pLogFile = logFile; }
    // Oldest queued event, now owned by the caller; null when none.
    DiagnosticEvent* getDiagnosticEvent();
    bool getCharacteristic(const std::string& key, std::string*& value);

protected:
    const char* m_name = nullptr;
    const char* m_version = nullptr;
    const char* m_description = nullptr;
    std::atomic<bool> m_abortRequested{false};
    DiagnosticStatus m_status;
    std::vector<IFunctionalTest*> m_functionalTest_v;
    System::CharacteristicsMap m_characteristics;
    System::EventQueue m_eventQueue;
    std::ofstream* m_pLogFile = nullptr;

private:
    DiagnosticResult* complete(DiagnosticResult* result);
    bool buildRunList(const std::vector<int>& selection);
    std::vector<IFunctionalTest*> runListTests();

    // Guards m_runList and the step from RUNNING to COMPLETE.
    std::mutex m_runLock;
    std::vector<int> m_runList;
};

} // namespace VarnDiags::Diag
