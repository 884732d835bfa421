#include "Scheduler.h"

#include "CronLine.h"
#include "CrontabFile.h"

#include <ctime>
#include <sstream>

namespace korsched {

namespace {

const char* const kSchedule = "korsched.so - BaseScheduler.scheduleTask() ";
const char* const kDelete = "korsched.so - BaseScheduler.deleteTask() ";
const char* const kIsScheduled = "korsched.so - BaseScheduler.isAlreadyScheduled() ";

const char* typeLine(ScheduleType type) {
    switch (type) {
    case ScheduleType::Daily:
        return ": Schedule Task Daily";
    case ScheduleType::Weekly:
        return ": Schedule Task Weekly";
    case ScheduleType::Monthly:
        return ": Schedule Task Monthly";
    case ScheduleType::Once:
        break;
    }
    return ": Run Test Once";
}

// The crontab without the program's lines; `found` tells whether it had any.
std::string withoutRunsOf(const std::string& crontab, const std::string& appName, bool& found) {
    std::istringstream lines(crontab);
    std::string kept;
    std::string line;
    found = false;
    while (std::getline(lines, line)) {
        if (isScheduledRunOf(line, appName)) {
            found = true;
            continue;
        }
        kept += line;
        kept += '\n';
    }
    return kept;
}

} // namespace

Scheduler::Scheduler(std::string crontabPath, std::string lockPath, std::ostream& out)
    : m_crontabPath(std::move(crontabPath)), m_lockPath(std::move(lockPath)), m_out(out) {}

void Scheduler::printRequest(const ScheduleRequest& r) {
    std::tm time{};
    time.tm_min = r.minute;
    time.tm_hour = r.hour;
    time.tm_mday = r.day;
    time.tm_mon = r.month - 1;
    time.tm_year = r.year - 1900;
    time.tm_isdst = -1;
    if (std::mktime(&time) == static_cast<std::time_t>(-1)) {
        m_out << "Time doesn't look ok!\n";
    } else {
        char text[64];
        m_out << "Time looks ok!\nAscii Time = " << asctime_r(&time, text) << "\n";
    }
    m_out << "Month  = " << time.tm_mon << "\n"
          << "Day    = " << time.tm_mday << "\n"
          << "Year   = " << time.tm_year << "\n"
          << "Hour   = " << time.tm_hour << "\n"
          << "Minute = " << time.tm_min << "\n"
          << "Seconds= " << time.tm_sec << "\n"
          << "WeekDay= " << time.tm_wday << "\n";
    m_out << "Application Name:\n" << r.appName << "\n";
    m_out << "Application Path:\n" << r.appPath << "\n";
    m_out << "Task name       :\n" << r.taskName << "\n";
    m_out << "Run Time Param  :\n" << r.runtimeParam << "\n";
}

int Scheduler::scheduleTask(const ScheduleRequest& request) {
    // Whole calls are serialised, the calendar conversions included.
    const CrontabLock lock(m_lockPath);
    m_out << kSchedule << "called :\n";
    printRequest(request);

    const CronLineResult line = formatCronLine(request);
    if (!line.ok) {
        m_out << kSchedule << ": Refused: " << line.error << "\n";
        return 0;
    }

    const auto crontab = lock.held() ? readWholeFile(m_crontabPath) : std::nullopt;
    if (!crontab) {
        m_out << kSchedule << ": Failed to open system crontab file!\n";
        return 0;
    }

    bool found = false;
    std::string updated = withoutRunsOf(*crontab, request.appName, found);
    m_out << kIsScheduled
          << (found ? ": A scheduled task exists currently!\n"
                    : ": No currently scheduled tasks detected.\n");
    m_out << kSchedule << typeLine(request.type) << "\n";
    updated += line.line;
    if (!replaceFile(m_crontabPath, updated)) {
        m_out << kSchedule << ": Failed to write system crontab file!\n";
        return 0;
    }
    m_out << kSchedule << ": Scheduling task completed successfully.!\n";
    return 1;
}

int Scheduler::deleteTask(const std::string& appName) {
    const CrontabLock lock(m_lockPath);
    m_out << kDelete << "called :\n";
    const auto crontab = lock.held() ? readWholeFile(m_crontabPath) : std::nullopt;
    if (!crontab) {
        m_out << kDelete << ": Failed to open system crontab file for reading.!\n";
        return 0;
    }
    bool found = false;
    const std::string updated =
        appName.empty() ? *crontab : withoutRunsOf(*crontab, appName, found);
    if (!found) {
        m_out << kDelete << "- No task was previously scheduled to be deleted.\n";
        return 0;
    }
    if (!replaceFile(m_crontabPath, updated)) {
        m_out << kDelete << ": Failed to open temporary file for writing.!\n";
        return 0;
    }
    m_out << kDelete << ": Deleted currently scheduled task.\n";
    return 1;
}

} // namespace korsched
