#include "CronLine.h"

#include <ctime>
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

// Characters that /bin/sh or cron would give a meaning of their own.
bool isInterpretedChar(unsigned char c) {
    static const std::string interpreted = "%\\;&|`$<>()'\"*?[]~{}!#";
    return c < 0x20 || c == 0x7f || interpreted.find(static_cast<char>(c)) != std::string::npos;
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is invalid.
size_t utf8SequenceLength(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length;
    unsigned min;
    unsigned code;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xe0) == 0xc0) {
        length = 2, min = 0x80, code = lead & 0x1f;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3, min = 0x800, code = lead & 0x0f;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3f);
    }
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    return code < min || code > 0x10ffff || surrogate ? 0 : length;
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

} // namespace

bool isSafeProgramName(const std::string& name) {
    if (name.empty())
        return false;
    for (unsigned char c : name)
        if (!isOrdinaryPathChar(c))
            return false;
    return true;
}

bool isSafeParameterText(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = utf8SequenceLength(text, i);
        if (length == 0)
            return false;
        if (length == 1 && isInterpretedChar(static_cast<unsigned char>(text[i])))
            return false;
        i += length;
    }
    return true;
}

CronLineResult formatCronLine(const ScheduleRequest& r) {
    if (!isSafeProgramName(r.appName))
        return refuse("application name must be a non-empty path of letters, digits and / . _ - +");
    if (!isSafeParameterText(r.runtimeParam))
        return refuse("run-time parameter holds characters the shell or cron would interpret");
    if (r.minute < 0 || r.minute > 59)
        return refuse("minute out of range");
    if (r.hour < 0 || r.hour > 23)
        return refuse("hour out of range");
    if (r.month < 1 || r.month > 12)
        return refuse("month out of range");
    if (r.day < 1 || r.day > 31)
        return refuse("day out of range");
    if (r.year < 1900 || r.year > 9999)
        return refuse("year out of range");

    // Noon keeps a daylight-saving change from moving the date; only the
    // date's validity and weekday matter here.
    std::tm date{};
    date.tm_hour = 12;
    date.tm_mday = r.day;
    date.tm_mon = r.month - 1;
    date.tm_year = r.year - 1900;
    date.tm_isdst = -1;
    if (std::mktime(&date) == static_cast<std::time_t>(-1))
        return refuse("date cannot be converted");
    if (date.tm_mday != r.day || date.tm_mon != r.month - 1 || date.tm_year != r.year - 1900)
        return refuse("no such date");

    const std::string minuteHour = std::to_string(r.minute) + " " + std::to_string(r.hour);
    std::string timeFields;
    std::string end = "\n";
    switch (r.type) {
    case ScheduleType::Daily:
        timeFields = minuteHour + " * * *";
        end = " \n"; // the daily line has always ended with a blank
        break;
    case ScheduleType::Weekly:
        timeFields = minuteHour + " * * " + std::to_string(date.tm_wday);
        break;
    case ScheduleType::Monthly:
        timeFields = minuteHour + " " + std::to_string(r.day) + " * *";
        break;
    case ScheduleType::Once:
        timeFields =
            minuteHour + " " + std::to_string(r.day) + " " + std::to_string(r.month) + " *";
        break;
    }
    CronLineResult result;
    result.ok = true;
    result.weekday = date.tm_wday;
    result.line = timeFields + " root " + r.appName + " " + std::to_string(r.month) + "/" +
                  std::to_string(r.day) + "/" + std::to_string(r.year) + " " + r.runtimeParam + end;
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
