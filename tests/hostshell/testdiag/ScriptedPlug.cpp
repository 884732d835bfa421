// The plug and hooks of the scripted test program (see Script.h).

#include <atomic>
#include <chrono>
#include <thread>

#include "Diag/ProgramPlug.h"
#include "HostDapi2/ProgramHooks.h"
#include "HostDapi2/Sleeper.h"
#include "PCIDevices/PCIDevice.h"
#include "Script.h"
#include "System/LogStreams.h"

namespace testdiag {
namespace {

using VarnDiags::DeviceEnum::IDevice;
using VarnDiags::DeviceEnum::VirtualDevice;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;

void scriptedSleep(unsigned int seconds) {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(seconds * envNumber("TESTDIAG_SECOND_MS", 10)));
}

// The shell's seconds are short in this program.
const bool s_fastSleeper = (VarnDiags::HostDapi2::setSleeper(&scriptedSleep), true);

class ScriptedPCIDevice : public VarnDiags::PCIDevices::PCIDevice {
public:
    explicit ScriptedPCIDevice(const DeviceScript& script)
        : PCIDevice(script.bus, script.device, script.function,
                    script.description.empty() ? nullptr : script.description.c_str()),
          m_opens(script.opens) {
        m_valid = script.valid;
    }
    int open(AccessMode) override { return m_opens ? 0 : 1; }

private:
    bool m_opens;
};

// A device the PCI registration must refuse.
class OtherDevice : public IDevice {
public:
    OtherDevice() {
        m_valid = true;
        m_name = m_descriptor = m_description = m_location = m_text;
    }
    IDevice* clone(const char*) override { return new OtherDevice; }
    int open(AccessMode) override { return 0; }
    void close() override {}

private:
    char m_text[6] = "other";
};

class ScriptedEnumerator : public VarnDiags::DeviceEnum::IDeviceEnumerator {
public:
    std::vector<VirtualDevice>* getDeviceVector() override {
        std::vector<DeviceScript> scripts;
        if (!scriptedDevices(scripts))
            return nullptr;
        auto* devices = new std::vector<VirtualDevice>;
        for (const DeviceScript& script : scripts)
            devices->emplace_back(script.pci ? static_cast<IDevice*>(new ScriptedPCIDevice(script))
                                             : new OtherDevice);
        return devices;
    }
};

class ScriptedTest : public VarnDiags::Diag::IFunctionalTest {
public:
    ScriptedTest(std::ofstream& log, VarnDiags::System::EventQueue& queue, TestScript script,
                 int number)
        : IFunctionalTest(log, queue), m_script(std::move(script)), m_number(number) {}

    DiagnosticResult* run(IDevice* device, const VarnDiags::Diag::DiagnosticSettings&) override {
        m_status.setStatus(VarnDiags::Diag::DiagnosticStatus::RUNNING);
        for (const EventScript& event : m_script.events)
            queueEvent(event, device);
        const int steps = envNumber("TESTDIAG_STEPS", 5);
        const auto step = std::chrono::milliseconds(envNumber("TESTDIAG_STEP_MS", 20));
        if (m_script.result == 'H') {
            // Runs until aborted (bounded, so a broken stop cannot hang a test run forever).
            m_status.setProgress(50);
            for (int k = 0; k < 60000 / 20 && !m_aborted; ++k)
                std::this_thread::sleep_for(step);
        } else {
            for (int k = 1; k <= steps && !m_aborted; ++k) {
                std::this_thread::sleep_for(step);
                m_status.setProgress(static_cast<unsigned int>(k * 100 / steps));
            }
        }
        m_status.setStatus(VarnDiags::Diag::DiagnosticStatus::COMPLETE);
        auto* result = new DiagnosticResult(resultOf(m_script.result), m_script.code,
                                            m_script.result == 'F' ? DiagnosticEvent::ERROR_EVENT
                                                                   : DiagnosticEvent::WARNING_EVENT,
                                            0);
        *result << "scripted test " << m_number;
        return result;
    }
    void abortTest() override { m_aborted = true; }

private:
    static DiagnosticResult::TestResult resultOf(char letter) {
        switch (letter) {
        case 'U':
            return DiagnosticResult::UNUSUAL_STATUS;
        case 'F':
            return DiagnosticResult::FAILED;
        default:
            return DiagnosticResult::PASSED;
        }
    }

    void queueEvent(const EventScript& script, IDevice* device) {
        auto type = script.kind == 'e'   ? DiagnosticEvent::ERROR_EVENT
                    : script.kind == 'w' ? DiagnosticEvent::WARNING_EVENT
                                         : DiagnosticEvent::INFORMATION_EVENT;
        auto* event = new DiagnosticEvent(script.code, type, 0);
        if (script.kind == 'd')
            *event << device->getDeviceDescriptor();
        else
            *event << "event " << script.code << " of test " << m_number;
        addDiagnosticEvent(event);
    }

    TestScript m_script;
    int m_number;
    std::atomic<bool> m_aborted{false};
};

class ScriptedDiagnostic : public VarnDiags::Diag::IDiagnostics {
public:
    ScriptedDiagnostic() : IDiagnostics("Scripted diagnostic", "1.0", "Runs what the script says") {
        if (std::getenv("TESTDIAG_INIT_FAILED") != nullptr) {
            m_status.setStatus(VarnDiags::Diag::DiagnosticStatus::INIT_FAILED);
            return;
        }
        setLogFile(pLogFile);
        int number = 0;
        for (TestScript& script : scriptedTests())
            m_functionalTest_v.push_back(
                new ScriptedTest(*pLogFile, m_eventQueue, std::move(script), number++));
    }
    ~ScriptedDiagnostic() override {
        for (auto* test : m_functionalTest_v)
            delete test;
    }
    IDiagnostics* clone() override { return new ScriptedDiagnostic; }
};

} // namespace
} // namespace testdiag

const char* const VarnDiags::MODULE_NAME = "testdiag";

const VarnDiags::HostDapi2::ProgramHooks VarnDiags::HostDapi2::PROGRAM_HOOKS = {
    &VarnDiags::HostDapi2::CreateDapi2DeviceFromVarnDevice, VarnDiags::HostDapi2::Debugger::Ddd};

int GetNumberOfTests() {
    return testdiag::envNumber("TESTDIAG_NUMBER_OF_TESTS", 0);
}

VarnDiags::DeviceEnum::IDeviceEnumerator* GetVarnDiagsDeviceEnumeratorObject() {
    return new testdiag::ScriptedEnumerator;
}

VarnDiags::Diag::IDiagnostics* GetVarnDiagsTestObject() {
    return new testdiag::ScriptedDiagnostic;
}

void GetVarnVirtualDevice(const char* descriptor, VarnDiags::DeviceEnum::VirtualDevice** handle) {
    VarnDiags::PCIDevices::PCIDevice empty;
    *handle = new VarnDiags::DeviceEnum::VirtualDevice(empty.clone(descriptor));
}
