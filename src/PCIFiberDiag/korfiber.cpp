#include "PCIFiberDiag/korfiber.h"

#include "PCIFiberDiag/PortCheckTest.h"
#include "System/SharedLog.h"

namespace VarnDiags::PCIFiberDiag {

namespace {

System::SharedLog s_log("korfiber.log");

} // namespace

korfiber::korfiber() {
    m_initialised = staticInit();
    if (!m_initialised) {
        m_status.setStatus(Diag::DiagnosticStatus::INIT_FAILED);
        return;
    }
    setLogFile(&s_log.stream());
    m_functionalTest_v.push_back(new NVRAMTest(s_log.stream(), m_eventQueue));
    m_functionalTest_v.push_back(new HbaStateTest(s_log.stream(), m_eventQueue));
    m_status.setStatus(Diag::DiagnosticStatus::READY);
}

korfiber::~korfiber() {
    for (Diag::IFunctionalTest* test : m_functionalTest_v)
        delete test;
    m_functionalTest_v.clear();
    if (m_initialised)
        staticCleanup();
}

bool korfiber::staticInit() {
    return s_log.acquire();
}

void korfiber::staticCleanup() {
    s_log.release();
}

} // namespace VarnDiags::PCIFiberDiag
