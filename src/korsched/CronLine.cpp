#include "CronLine.h"

#include "CommandWords.h"

#include <ctime>
#include <optional>
#include <sstream>
#include <vector>

namespace korsched {

ScheduleType scheduleTypeFromCode(int code) {
    switch (code) {
    case 0:
        return ScheduleType::Daily;
    case 1:
        return ScheduleType::Weekly;
    case 2:
        return ScheduleType::Monthly;
    default:
        return ScheduleType::Once;
    }
}

namespace {

bool isOrdinaryPathChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '.' || c == '_' || c == '-' || c == '+';
}

bool isTimeField(const std::string& field) {
    if (field.empty())
        return false;
    for (unsigned char c : field)
        if (!(c >= '0' && c <= '9') && c != '*' && c != ',' && c != '-' && c != '/')
            return false;
    return true;
}

CronLineResult refuse(std::string why) {
    CronLineResult result;
    result.error = std::move(why);
    return result;
}

// The weekday (0 = Sunday) of a real calendar date, or nothing when there is
// no such date. Noon keeps a daylight-saving change from moving the date.
std::optional<int> weekdayOf(int month, int day, int year) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1900 || year > 9999)
        return std::nullopt;
    std::tm date{};
    date.tm_hour = 12;
    date.tm_mday = day;
    date.tm_mon = month - 1;
    date.tm_year = year - 1900;
    date.tm_isdst = -1;
    if (std::mktime(&date) == static_cast<std::time_t>(-1))
        return std::nullopt;
    if (date.tm_mday != day || date.tm_mon != month - 1 || date.tm_year != year - 1900)
        return std::nullopt;
    return date.tm_wday;
}

} // namespace

bool isSafeProgramName(const std::string& name) {
    if (name.empty())
        return false;
    for (unsigned char c : name)
        if (!isOrdinaryPathChar(c))
            return false;
    return true;
}

CronLineResult formatCronLine(const ScheduleRequest& r) {
    if (!isSafeProgramName(r.appName))
        return refuse("application name must be a non-empty path of letters, digits and / . _ - +");
    if (!isAcceptableParameterText(r.runtimeParam))
        return refuse("run-time parameter holds a control character or invalid UTF-8");
    if (r.minute < 0 || r.minute > 59)
        return refuse("minute out of range");
    if (r.hour < 0 || r.hour > 23)
        return refuse("hour out of range");

    const std::string minuteHour = std::to_string(r.minute) + " " + std::to_string(r.hour);
    CronLineResult result;
    std::string timeFields;
    std::string end = "\n";
    switch (r.type) {
    case ScheduleType::Daily:
        timeFields = minuteHour + " * * *";
        end = " \n"; // the daily line has always ended with a blank
        break;
    case ScheduleType::Monthly:
        // Every month on the date's day; cron skips months without that day.
        if (r.day < 1 || r.day > 31)
            return refuse("day out of range");
        timeFields = minuteHour + " " + std::to_string(r.day) + " * *";
        break;
    case ScheduleType::Weekly:
    case ScheduleType::Once: {
        const auto weekday = weekdayOf(r.month, r.day, r.year);
        if (!weekday)
            return refuse("no such date");
        result.weekday = *weekday;
        // The once line leaves the weekday open: cron runs a line whose day of
        // month and weekday are both restricted on either of them.
        timeFields =
            r.type == ScheduleType::Weekly
                ? minuteHour + " * * " + std::to_string(*weekday)
                : minuteHour + " " + std::to_string(r.day) + " " + std::to_string(r.month) + " *";
        break;
    }
    }
    result.ok = true;
    result.line = timeFields + " root " + r.appName + " " + std::to_string(r.month) + "/" +
                  std::to_string(r.day) + "/" + std::to_string(r.year) + " " +
                  quoteParameterWords(r.runtimeParam) + end;
    return result;
}

bool isScheduledRunOf(const std::string& line, const std::string& appName) {
    std::istringstream words(line);
    std::vector<std::string> fields;
    std::string word;
    while (fields.size() < 7 && words >> word)
        fields.push_back(word);
    if (fields.size() < 7 || fields[0][0] == '#')
        return false;
    for (size_t i = 0; i < 5; ++i)
        if (!isTimeField(fields[i]))
            return false;
    return fields[5] == "root" && fields[6] == appName;
}

} // namespace korsched
