#pragma once
// Base of one test of a diagnostic. A test shares its diagnostic's log
// stream and event queue, keeps its own status/progress (polled from the
// progress thread), and may be asked to abort from that thread while its
// run() is active.

#include <fstream>
#include <string>

#include "DeviceEnum/IDevice.h"
#include "Diag/DiagnosticEvent.h"
#include "Diag/DiagnosticResult.h"
#include "Diag/DiagnosticSettings.h"
#include "Diag/DiagnosticStatus.h"
#include "System/CharacteristicsMap.h"
#include "System/EventQueue.h"

namespace VarnDiags::Diag {

class IFunctionalTest {
public:
    IFunctionalTest(std::ofstream& log, System::EventQueue& queue)
        : m_log(log), m_eventQueue(queue) {}
    virtual ~IFunctionalTest() = default;
    IFunctionalTest(const IFunctionalTest&) = delete;
    IFunctionalTest& operator=(const IFunctionalTest&) = delete;

    // A new result the caller owns.
    virtual DiagnosticResult* run(DeviceEnum::IDevice* device,
                                  const DiagnosticSettings& settings) = 0;
    virtual DiagnosticStatus getStatus() { return m_status; }
    virtual void abortTest() = 0;

    void setName(const char* name) { m_name = name; }
    void setVersion(const char* version) { m_version = version; }
    void setDescription(const char* description) { m_description = description; }
    const char* getName() const { return m_name; }
    const char* getVersion() const { return m_version; }
    const char* getDescription() const { return m_description; }
    // Queues the event on the diagnostic's queue, which takes ownership.
    void addDiagnosticEvent(DiagnosticEvent* event) { m_eventQueue.pushEvent(event); }
    bool getCharacteristic(const std::string& key, std::string*& value) const {
        return m_characteristics.getCharacteristic(key, value);
    }

protected:
    System::CharacteristicsMap m_characteristics;
    DiagnosticStatus m_status;
    std::ofstream& m_log;
    System::EventQueue& m_eventQueue;
    const char* m_name = nullptr;
    const char* m_version = nullptr;
    const char* m_description = nullptr;
};

} // namespace VarnDiags::Diag
