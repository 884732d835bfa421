#include "System/SharedLog.h"

#include "System/LogStreams.h"

#include <cstdlib>
#include <ctime>

namespace VarnDiags::System {

namespace {

std::string localTime() {
    const std::time_t now = std::time(nullptr);
    char text[64] = "";
    if (ctime_r(&now, text) == nullptr)
        return "";
    std::string line = text;
    if (!line.empty() && line.back() == '\n')
        line.pop_back(); // logLine ends the line
    return line;
}

} // namespace

bool SharedLog::acquire() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_holders == 0 && std::getenv("DIAGLOG") != nullptr &&
        !openLogFile(m_file, m_fileName, true))
        return false;
    logLine(&m_file, "******************** ", localTime());
    ++m_holders;
    return true;
}

bool SharedLog::release() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_holders == 0 || --m_holders > 0)
        return false;
    m_file.close();
    return true;
}

} // namespace VarnDiags::System
