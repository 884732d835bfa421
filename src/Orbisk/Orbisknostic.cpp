#include "Orbisknostic.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

#include "MemoryPatternVerifyTest.h"
#include "System/LogStreams.h"

namespace VarnDiags::Orbisk {

namespace {

const char* const LOG_NAME = "Orbisknostic.log";

std::mutex s_logMutex;
std::ofstream s_logFile;
int s_logFileInitCount = 0;

std::string localTime() {
    const std::time_t now = std::time(nullptr);
    char text[64] = "";
    if (ctime_r(&now, text) == nullptr)
        return "";
    std::string line = text;
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

} // namespace

Orbisknostic::Orbisknostic() {
    m_initialised = staticInit();
    if (!m_initialised) {
        m_status.setStatus(Diag::DiagnosticStatus::INIT_FAILED);
        return;
    }
    setLogFile(&s_logFile);
    m_functionalTest_v.push_back(new MemoryPatternVerifyTest(s_logFile, m_eventQueue));
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
    std::lock_guard<std::mutex> guard(s_logMutex);
    if (s_logFileInitCount == 0 && std::getenv("DIAGLOG") != nullptr &&
        !System::openLogFile(s_logFile, LOG_NAME, true))
        return false;
    System::logLine(&s_logFile, "******************** ", localTime());
    ++s_logFileInitCount;
    return true;
}

void Orbisknostic::staticCleanup() {
    std::lock_guard<std::mutex> guard(s_logMutex);
    if (s_logFileInitCount == 0)
        return;
    if (--s_logFileInitCount == 0 && s_logFile.is_open())
        s_logFile.close();
}

} // namespace VarnDiags::Orbisk
