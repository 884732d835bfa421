#include "MorvaneRaidCtrlDiag.h"

#include "PauseResumeIoTest.h"
#include "System/LogStreams.h"
#include "System/SharedLog.h"

namespace VarnDiags::MorvaneRaidDiag {

using System::logLine;

std::ofstream* pCtrlLogFile = nullptr;

namespace {

System::SharedLog s_log(MorvaneRaidCtrlDiag::FILE_NAME);

} // namespace

MorvaneRaidCtrlDiag::MorvaneRaidCtrlDiag() {
    if (!staticInit()) {
        m_status.setStatus(Diag::DiagnosticStatus::INIT_FAILED);
        return;
    }
    m_holdsLog = true;
    setLogFile(&s_log.stream());
    pCtrlLogFile = &s_log.stream();
    m_functionalTest_v.push_back(new PauseResumeIoTest(s_log.stream(), m_eventQueue));
    m_status.setStatus(Diag::DiagnosticStatus::READY);
}

MorvaneRaidCtrlDiag::~MorvaneRaidCtrlDiag() {
    logLine(&s_log.stream(), "MorvaneRaidCtrlDiag::~MorvaneRaidCtrlDiag()");
    for (Diag::IFunctionalTest* test : m_functionalTest_v)
        delete test;
    m_functionalTest_v.clear();
    if (m_holdsLog)
        staticCleanup();
}

Diag::IDiagnostics* MorvaneRaidCtrlDiag::clone() {
    logLine(&s_log.stream(), "MorvaneRaidCtrlDiag::clone()");
    return new MorvaneRaidCtrlDiag;
}

bool MorvaneRaidCtrlDiag::staticInit() {
    return s_log.acquire();
}

void MorvaneRaidCtrlDiag::staticCleanup() {
    logLine(&s_log.stream(), "MorvaneRaidCtrlDiag::staticCleanup()");
    if (s_log.release())
        pCtrlLogFile = nullptr;
}

} // namespace VarnDiags::MorvaneRaidDiag
