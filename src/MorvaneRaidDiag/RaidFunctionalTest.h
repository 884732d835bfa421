#pragma once
// The frame every RAID test runs in: its first line, the running status, the
// check against the controller, then progress 100, the complete status and
// the result line of three words.

#include "Diag/IFunctionalTest.h"

#include <atomic>

namespace VarnDiags::MorvaneRaidDiag {

class MorvaneRaidCtrl;

struct RaidTestTexts {
    const char* constructed;  // written by the constructor
    const char* firstLine;    // written when run starts
    const char* noDevice;     // written when run has no controller (null: nothing)
    const char* resultPrefix; // put before the three words of the result line
};

class RaidFunctionalTest : public Diag::IFunctionalTest {
public:
    RaidFunctionalTest(std::ofstream& log, System::EventQueue& events, const RaidTestTexts& texts);

    // The device must be a MorvaneRaidCtrl (anything else counts as no device).
    Diag::DiagnosticResult* run(DeviceEnum::IDevice* device,
                                const Diag::DiagnosticSettings& settings) final;
    // Noted only: no test is cut short.
    void abortTest() final { m_abort = true; }

protected:
    // The test proper; returns a new result.
    virtual Diag::DiagnosticResult* check(MorvaneRaidCtrl& ctrl) = 0;
    void logLine(const char* text);

private:
    const RaidTestTexts& m_texts;
    std::atomic<bool> m_abort{false};
};

} // namespace VarnDiags::MorvaneRaidDiag
