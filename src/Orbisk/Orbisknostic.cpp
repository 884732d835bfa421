#include "Orbisknostic.h"

#include "MemoryPatternVerifyTest.h"
#include "System/SharedLog.h"

namespace VarnDiags::Orbisk {

namespace {

System::SharedLog s_log("Orbisknostic.log");

} // namespace

Orbisknostic::Orbisknostic() {
    m_initialised = staticInit();
    if (!m_initialised) {
        m_status.setStatus(Diag::DiagnosticStatus::INIT_FAILED);
        return;
    }
    setLogFile(&s_log.stream());
    m_functionalTest_v.push_back(new MemoryPatternVerifyTest(s_log.stream(), m_eventQueue));
    m_status.setStatus(Diag::DiagnosticStatus::READY);
}

Orbisknostic::~Orbisknostic() {
    for (Diag::IFunctionalTest* test : m_functionalTest_v)
        delete test;
    m_functionalTest_v.clear();
    if (m_initialised)
        staticCleanup();
}

bool Orbisknostic::staticInit() {
    return s_log.acquire();
}

void Orbisknostic::staticCleanup() {
    s_log.release();
}

} // namespace VarnDiags::Orbisk
