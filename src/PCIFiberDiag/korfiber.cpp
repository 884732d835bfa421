#include "PCIFiberDiag/korfiber.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "PCIFiberDiag/PortCheckTest.h"
#include "System/LogStreams.h"

namespace VarnDiags::PCIFiberDiag {

std::ofstream korfiber::s_logFile;
int korfiber::s_logFileInitCount = 0;
std::mutex korfiber::s_logFileLock;

korfiber::korfiber() {
    m_initialised = staticInit();
    if (!m_initialised) {
        m_status.setStatus(Diag::DiagnosticStatus::INIT_FAILED);
        return;
    }
    setLogFile(&s_logFile);
    m_functionalTest_v.push_back(new NVRAMTest(s_logFile, m_eventQueue));
    m_functionalTest_v.push_back(new HbaStateTest(s_logFile, m_eventQueue));
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
    std::lock_guard<std::mutex> guard(s_logFileLock);
    if (s_logFileInitCount == 0 && std::getenv("DIAGLOG") != nullptr &&
        !System::openLogFile(s_logFile, "korfiber.log", true))
        return false;
    const std::time_t now = std::time(nullptr);
    char when[64] = "";
    ctime_r(&now, when);
    std::string banner = when;
    if (!banner.empty() && banner.back() == '\n')
        banner.pop_back(); // logLine ends the line
    System::logLine(&s_logFile, "******************** ", banner);
    ++s_logFileInitCount;
    return true;
}

void korfiber::staticCleanup() {
    std::lock_guard<std::mutex> guard(s_logFileLock);
    if (s_logFileInitCount > 0 && --s_logFileInitCount == 0 && s_logFile.is_open())
        s_logFile.close();
}

} // namespace VarnDiags::PCIFiberDiag
