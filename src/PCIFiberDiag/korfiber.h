#pragma once
// The HBA diagnostic: an NVRAM test and a state test over every port of one
// adapter, in that order. All its objects share the log "korfiber.log",
// written only when DIAGLOG is set.

#include "Diag/IDiagnostics.h"

namespace VarnDiags::PCIFiberDiag {

class korfiber : public Diag::IDiagnostics {
public:
    // INIT_FAILED, without tests, when the log cannot be opened.
    korfiber();
    ~korfiber() override;
    IDiagnostics* clone() override { return new korfiber; }

    // Opens the shared log with the first user; false when it cannot.
    static bool staticInit();
    // Closes it with the last.
    static void staticCleanup();

private:
    bool m_initialised = false;
};

} // namespace VarnDiags::PCIFiberDiag
