#pragma once
// The memory diagnostic: one MemoryPatternVerifyTest, logging to the
// diagnostic log "Orbisknostic.log" (written only when DIAGLOG is set),
// which every Orbisknostic of the process shares.

#include "Diag/IDiagnostics.h"

namespace VarnDiags::Orbisk {

class Orbisknostic : public Diag::IDiagnostics {
public:
    // Status READY with its test; INIT_FAILED and no test when the
    // diagnostic log cannot be opened.
    Orbisknostic();
    ~Orbisknostic() override;

    IDiagnostics* clone() override { return new Orbisknostic; }

    static bool staticInit();
    static void staticCleanup();

private:
    bool m_initialised = false;
};

} // namespace VarnDiags::Orbisk
