#pragma once
// Runs one RAID test on a device and keeps what it reported: its result
// fields, its status afterwards and the lines it wrote to its log.

#include "Diag/DiagnosticResult.h"
#include "Diag/DiagnosticSettings.h"
#include "Diag/DiagnosticStatus.h"
#include "System/EventQueue.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace raidtest {

struct TestOutcome {
    VarnDiags::Diag::DiagnosticResult::TestResult result;
    unsigned int code;
    VarnDiags::Diag::DiagnosticEvent::EventType type;
    unsigned int parameter;
    VarnDiags::Diag::DiagnosticStatus status;
    std::vector<std::string> lines; // constructor line first
};

template <typename Test>
TestOutcome runRaidTest(VarnDiags::DeviceEnum::IDevice* device, const char* logName = "test.log") {
    TestOutcome out{};
    {
        std::ofstream log(logName, std::ios::trunc);
        VarnDiags::System::EventQueue events;
        Test test(log, events);
        std::unique_ptr<VarnDiags::Diag::DiagnosticResult> result(
            test.run(device, VarnDiags::Diag::DiagnosticSettings()));
        out.result = result->getTestResult();
        out.code = result->getEventCode();
        out.type = result->getEventType();
        out.parameter = result->getEventParameter();
        out.status = test.getStatus();
    }
    std::ifstream in(logName);
    for (std::string line; std::getline(in, line);)
        out.lines.push_back(line);
    return out;
}

} // namespace raidtest
