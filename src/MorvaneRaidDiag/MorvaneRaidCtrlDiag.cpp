#include "MorvaneRaidCtrlDiag.h"

#include "PauseResumeIoTest.h"
#include "System/LogStreams.h"

#include <cstdlib>
#include <ctime>

namespace VarnDiags::MorvaneRaidDiag {

using System::logLine;

std::ofstream* pCtrlLogFile = nullptr;
std::ofstream MorvaneRaidCtrlDiag::s_logFile;
int MorvaneRaidCtrlDiag::s_logFileInitCount = 0;

MorvaneRaidCtrlDiag::MorvaneRaidCtrlDiag() {
    if (!staticInit()) {
        m_status.setStatus(Diag::DiagnosticStatus::INIT_FAILED);
        return;
    }
    m_holdsLog = true;
    setLogFile(&s_logFile);
    pCtrlLogFile = &s_logFile;
    m_functionalTest_v.push_back(new PauseResumeIoTest(s_logFile, m_eventQueue));
    m_status.setStatus(Diag::DiagnosticStatus::READY);
}

MorvaneRaidCtrlDiag::~MorvaneRaidCtrlDiag() {
    logLine(&s_logFile, "MorvaneRaidCtrlDiag::~MorvaneRaidCtrlDiag()");
    for (Diag::IFunctionalTest* test : m_functionalTest_v)
        delete test;
    m_functionalTest_v.clear();
    if (m_holdsLog)
        staticCleanup();
}

Diag::IDiagnostics* MorvaneRaidCtrlDiag::clone() {
    logLine(&s_logFile, "MorvaneRaidCtrlDiag::clone()");
    return new MorvaneRaidCtrlDiag;
}

bool MorvaneRaidCtrlDiag::staticInit() {
    if (s_logFileInitCount == 0 && std::getenv("DIAGLOG") != nullptr &&
        !System::openLogFile(s_logFile, FILE_NAME, true))
        return false;
    const std::time_t now = std::time(nullptr);
    char when[64] = {};
    const char* text = ctime_r(&now, when);
    logLine(&s_logFile, "******************** ", text ? text : "\n");
    ++s_logFileInitCount;
    return true;
}

void MorvaneRaidCtrlDiag::staticCleanup() {
    logLine(&s_logFile, "MorvaneRaidCtrlDiag::staticCleanup()");
    if (--s_logFileInitCount == 0) {
        s_logFile.close();
        pCtrlLogFile = nullptr;
    }
}

} // namespace VarnDiags::MorvaneRaidDiag
