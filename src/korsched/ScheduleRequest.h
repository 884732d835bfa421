// What the Java front end asks for: run a program at a time, on a schedule.
#pragma once

#include <string>

namespace korsched {

enum class ScheduleType { Daily = 0, Weekly = 1, Monthly = 2, Once = 3 };

// Schedule types other than 0..2 mean "once", as the front end sends them.
ScheduleType scheduleTypeFromCode(int code);

struct ScheduleRequest {
    int month = 0; // 1..12
    int day = 0;
    int year = 0; // in full
    int hour = 0;
    int minute = 0;
    ScheduleType type = ScheduleType::Once;
    std::string appName;      // the program cron runs, as written in the crontab
    std::string runtimeParam; // passed to the program after the date
    std::string appPath;      // shown only
    std::string taskName;     // shown only
};

} // namespace korsched
