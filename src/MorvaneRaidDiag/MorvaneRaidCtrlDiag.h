#pragma once
// The RAID diagnostic: one test, the pause and resume of the controller's
// I/O, and a log file shared by every diagnostic object of the process
// (opened by the first, closed by the last, written only with DIAGLOG set).

#include "Diag/IDiagnostics.h"

#include <fstream>

namespace VarnDiags::MorvaneRaidDiag {

// The shared diagnostic log while a diagnostic holds it; the device scan's
// comparison writes to it.
extern std::ofstream* pCtrlLogFile;

class MorvaneRaidCtrlDiag : public Diag::IDiagnostics {
public:
    // INIT_FAILED without a test when the log cannot be set up.
    MorvaneRaidCtrlDiag();
    ~MorvaneRaidCtrlDiag() override;

    IDiagnostics* clone() override;

    static bool staticInit();
    static void staticCleanup();

    static constexpr const char* FILE_NAME = "MorvaneRaidCtrlDiag.log";

private:
    bool m_holdsLog = false; // only a diagnostic that took the log releases it
};

} // namespace VarnDiags::MorvaneRaidDiag
