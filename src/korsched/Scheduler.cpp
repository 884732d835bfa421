#include "Scheduler.h"

#include "CronLine.h"
#include "CrontabFile.h"

#include <climits>
#include <cstdio>
#include <ctime>
#include <optional>
#include <sstream>

namespace korsched {

namespace {

// The console lines, as the front end's users know them. Some texts end in a
// line break of their own and are printed like every other text, with one
// more line break: that empty line is part of the output.
const char* const kScheduleCalled = "korsched.so - BaseScheduler.scheduleTask() called :";
const char* const kScheduleFailed =
    "korsched.so - BaseScheduler.scheduleTask() : Failed to open system crontab file!\n";
const char* const kScheduleDone =
    "korsched.so - BaseScheduler.scheduleTask() : Scheduling task completed successfully.!";
const char* const kScheduleRefused = "korsched.so - BaseScheduler.scheduleTask() : Refused: ";
const char* const kFound =
    "korsched.so - BaseScheduler.isAlreadyScheduled() : A scheduled task exists currently!\n";
const char* const kNotFound =
    "korsched.so - BaseScheduler.isAlreadyScheduled() : No currently scheduled tasks detected.";
const char* const kLookupFailed =
    "korsched.so - BaseScheduler.isAlreadyScheduled() : Failed to open system crontab file!\n";
const char* const kDeleteCalled = "korsched.so - BaseScheduler.deleteTask() called :";
const char* const kDeleted =
    "korsched.so - BaseScheduler.deleteTask() : Deleted currently scheduled task.";
const char* const kDeleteFailed =
    "korsched.so - BaseScheduler.deleteTask() : Failed to open temporary file for writing.!\n";
const char* const kNothingToDelete =
    "korsched.so - BaseScheduler.deleteTask() - No task was previously scheduled to be deleted.\n";

const char* typeLine(ScheduleType type) {
    switch (type) {
    case ScheduleType::Daily:
        return "korsched.so - BaseScheduler.scheduleTask() : Schedule Task Daily";
    case ScheduleType::Weekly:
        return "korsched.so - BaseScheduler.scheduleTask() : Schedule Task Weekly";
    case ScheduleType::Monthly:
        return "korsched.so - BaseScheduler.scheduleTask() : Schedule Task Monthly";
    case ScheduleType::Once:
        break;
    }
    return "korsched.so - BaseScheduler.scheduleTask() : Run Test Once";
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

// The calendar text of a normalised time, as asctime writes it but with room
// for any year.
std::string calendarText(const std::tm& time) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[96];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n", days[time.tm_wday],
                  months[time.tm_mon], time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec,
                  1900LL + time.tm_year);
    return text;
}

// The new contents of the crontab, or nothing to leave it as it is.
using Edited = std::optional<std::string>;

struct Rewrite {
    FileContents crontab; // as last read
    bool replaced = false;
};

// How often a rewrite is made again because it raced another writer; only
// someone tampering with the lock file or editing the crontab by hand makes
// that happen at all.
constexpr int kAttempts = 20;

// Reads the crontab, edits it and replaces it, all under `lock`. A rewrite
// that finds the crontab changed since it was read, or the lock file replaced
// under it (another process may then be editing the crontab), writes nothing
// and is made again from a fresh read, under the lock taken anew when it was
// lost.
template <class Edit>
Rewrite rewriteCrontab(CrontabLock& lock, const std::string& path, Edit edit) {
    Rewrite done;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        done.crontab = readWholeFile(path);
        const Edited updated = edit(done.crontab);
        if (!updated)
            return done;
        const Replaced replaced = replaceFile(lock, path, done.crontab, *updated);
        done.replaced = replaced == Replaced::Yes;
        if (replaced != Replaced::Raced || (!lock.stillHeld() && !lock.retake()))
            return done;
    }
    return done;
}

} // namespace

Scheduler::Scheduler(std::string crontabPath, std::string lockPath, std::ostream& out)
    : m_crontabPath(std::move(crontabPath)), m_lockPath(std::move(lockPath)), m_out(out) {}

void Scheduler::print(const std::string& text) {
    m_out << text << "\n";
}

void Scheduler::printRequest(const ScheduleRequest& r) {
    // The front end passes any int; a month or year that cannot be made
    // zero- or 1900-based is no time at all.
    const bool representable = r.month > INT_MIN && r.year >= INT_MIN + 1900;
    std::tm time{};
    time.tm_min = r.minute;
    time.tm_hour = r.hour;
    time.tm_mday = r.day;
    time.tm_mon = representable ? r.month - 1 : 0;
    time.tm_year = representable ? r.year - 1900 : 0;
    time.tm_isdst = -1;
    if (!representable || std::mktime(&time) == static_cast<std::time_t>(-1))
        print("Time doesn't look ok!");
    else
        m_out << "Time looks ok!\nAscii Time = " << calendarText(time) << "\n";
    m_out << "Month  = " << (representable ? time.tm_mon : r.month - 1LL) << "\n"
          << "Day    = " << time.tm_mday << "\n"
          << "Year   = " << (representable ? time.tm_year : r.year - 1900LL) << "\n"
          << "Hour   = " << time.tm_hour << "\n"
          << "Minute = " << time.tm_min << "\n"
          << "Seconds= " << time.tm_sec << "\n"
          << "WeekDay= " << time.tm_wday << "\n";
    print("Application Name:");
    print(r.appName);
    print("Application Path:");
    print(r.appPath);
    print("Task name       :");
    print(r.taskName);
    print("Run Time Param  :");
    print(r.runtimeParam);
}

int Scheduler::scheduleTask(const ScheduleRequest& request) {
    // Whole calls are serialised, the calendar conversions included.
    CrontabLock lock(m_lockPath);
    print(kScheduleCalled);
    printRequest(request);

    const CronLineResult line = formatCronLine(request);
    if (!line.ok) {
        print(kScheduleRefused + line.error);
        return 0;
    }
    if (!lock.held()) {
        print(kScheduleFailed);
        return 0;
    }

    // A missing crontab is created with the line; one that exists but cannot
    // be read is never replaced, or its lines would be lost. Removal and the
    // new line are one rewrite, so no crash leaves the program unscheduled.
    bool found = false;
    const Rewrite done =
        rewriteCrontab(lock, m_crontabPath, [&](const FileContents& crontab) -> Edited {
            found = false;
            if (crontab.state == FileContents::State::Unreadable)
                return std::nullopt;
            const std::string kept = crontab.state == FileContents::State::Read
                                         ? withoutRunsOf(crontab.text, request.appName, found)
                                         : std::string();
            return kept + line.line;
        });
    if (done.crontab.state == FileContents::State::Read)
        print(found ? kFound : kNotFound);
    else
        print(kLookupFailed);
    // The lines are printed once the rewrite has succeeded.
    if (!done.replaced) {
        print(kScheduleFailed);
        return 0;
    }
    if (found)
        print(kDeleted);
    print(typeLine(request.type));
    print(kScheduleDone);
    return 1;
}

int Scheduler::deleteTask(const std::string& appName) {
    CrontabLock lock(m_lockPath);
    print(kDeleteCalled);
    bool found = false;
    const Rewrite done =
        lock.held()
            ? rewriteCrontab(lock, m_crontabPath,
                             [&](const FileContents& crontab) -> Edited {
                                 found = false;
                                 if (crontab.state != FileContents::State::Read)
                                     return std::nullopt;
                                 std::string kept = withoutRunsOf(crontab.text, appName, found);
                                 return found ? Edited(std::move(kept)) : std::nullopt;
                             })
            : Rewrite{};
    if (done.crontab.state != FileContents::State::Read) {
        print(kLookupFailed);
        print(kNothingToDelete);
        return 0;
    }
    if (!found) {
        print(kNotFound);
        print(kNothingToDelete);
        return 0;
    }
    print(kFound);
    if (!done.replaced) {
        print(kDeleteFailed);
        return 0;
    }
    print(kDeleted);
    return 1;
}

} // namespace korsched
