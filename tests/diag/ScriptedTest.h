#pragma once
// Diagnostic and test doubles for the engine: each test returns a scripted
// result and records when it ran.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "Diag/IDiagnostics.h"
#include "System/LogStreams.h"

namespace testing_support {

using VarnDiags::Diag::DiagnosticResult;

class ScriptedTest : public VarnDiags::Diag::IFunctionalTest {
public:
    ScriptedTest(std::ofstream& log, VarnDiags::System::EventQueue& queue, int number,
                 std::vector<int>& order, DiagnosticResult::TestResult result, unsigned int code)
        : IFunctionalTest(log, queue), m_number(number), m_order(order), m_result(result),
          m_code(code) {}

    DiagnosticResult* run(VarnDiags::DeviceEnum::IDevice*,
                          const VarnDiags::Diag::DiagnosticSettings&) override {
        m_order.push_back(m_number);
        if (during)
            during();
        auto* result = new DiagnosticResult(m_result, m_code,
                                            VarnDiags::Diag::DiagnosticEvent::ERROR_EVENT, m_code);
        *result << "test " << m_number;
        return result;
    }
    void abortTest() override { ++aborts; }
    void setProgress(unsigned int progress) { m_status.setProgress(progress); }

    std::function<void()> during;
    std::atomic<int> aborts{0};

private:
    int m_number;
    std::vector<int>& m_order;
    DiagnosticResult::TestResult m_result;
    unsigned int m_code;
};

class ScriptedDiagnostic : public VarnDiags::Diag::IDiagnostics {
public:
    struct Outcome {
        DiagnosticResult::TestResult result;
        unsigned int code;
    };

    explicit ScriptedDiagnostic(const std::vector<Outcome>& outcomes) {
        setLogFile(&VarnDiags::System::discardStream());
        for (std::size_t i = 0; i < outcomes.size(); ++i)
            m_functionalTest_v.push_back(new ScriptedTest(VarnDiags::System::discardStream(),
                                                          m_eventQueue, static_cast<int>(i), order,
                                                          outcomes[i].result, outcomes[i].code));
    }
    ~ScriptedDiagnostic() override {
        for (auto* test : m_functionalTest_v)
            delete test;
    }
    IDiagnostics* clone() override { return nullptr; }
    ScriptedTest& test(int i) { return *static_cast<ScriptedTest*>(m_functionalTest_v.at(i)); }
    void queueEvent(VarnDiags::System::IEvent* event) { m_eventQueue.pushEvent(event); }

    std::vector<int> order;
};

} // namespace testing_support
